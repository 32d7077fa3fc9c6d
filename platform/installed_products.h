#pragma once
// The maker's products already installed on this machine, as the registry records them.
// Windows only. Each lookup answers empty when nothing matches; none of them logs.
#if defined(_WIN32)
#include <cstdint>
#include <string>
#include <string_view>

// Under HKEY_LOCAL_MACHINE "Software\<brand>": the first subkey whose number value "PID"
// is `product_id` and whose string "InstallInfo" is not empty gives its string value
// `value_name` ("Version", "InstallName", "InstallPath"). Values longer than 254
// characters count as missing.
std::wstring MakerProductValue(std::wstring_view brand, std::uint32_t product_id, std::wstring_view value_name);

inline constexpr std::wstring_view kUninstallKey64 = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::wstring_view kUninstallKey32 =
    L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The "Version" of the first uninstall entry whose string "PID" equals `product_id`
// exactly: `key64` in the 64-bit view first, then `key32` in the 32-bit view.
std::wstring InstalledVersionByUninstallEntry(std::wstring_view product_id, std::wstring_view key64 = kUninstallKey64,
                                              std::wstring_view key32 = kUninstallKey32);

inline constexpr std::wstring_view kCompanionKey = L"Software\\Korvane\\Korvane Muse Hub";
// The companion product's program: "InstallName" of the key in the 64-bit view, then in
// the 32-bit view, the first that names an existing file (at most 259 characters).
std::wstring CompanionProgramPath(std::wstring_view key_path = kCompanionKey);
bool IsCompanionInstalled(std::wstring_view key_path = kCompanionKey);

#endif  // _WIN32
