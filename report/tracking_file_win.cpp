#include "report/tracking_file.h"

#include <windows.h>

#include <algorithm>

#include "platform/win_handle.h"

bool WriteNewFile(const std::wstring& path, std::string_view bytes) {
  bool ok = true;
  {
    // CREATE_NEW: an existing copy is never touched.
    const winh::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    while (!bytes.empty()) {
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
      DWORD written = 0;
      if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
        ok = false;
        break;
      }
      bytes.remove_prefix(written);
    }
  }
  if (!ok) ::DeleteFileW(path.c_str());
  return ok;
}
