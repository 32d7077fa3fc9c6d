#pragma once
// File attributes the downloader sets, where the system has them.
#include <filesystem>
#include <optional>

namespace orbtest {

// Whether the file carries the hidden attribute; nothing on systems without one.
std::optional<bool> HiddenAttribute(const std::filesystem::path& path);

}  // namespace orbtest
