#include "tests/downloader/multi_attributes.h"

namespace orbtest {

std::optional<bool> HiddenAttribute(const std::filesystem::path&) { return std::nullopt; }

}  // namespace orbtest
