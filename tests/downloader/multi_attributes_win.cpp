#include "tests/downloader/multi_attributes.h"

#include <windows.h>

namespace orbtest {

std::optional<bool> HiddenAttribute(const std::filesystem::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.wstring().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

}  // namespace orbtest
