#pragma once
// What kind of Windows and processor this is. Windows only.
#if defined(_WIN32)
#include <string>
#include <string_view>

// True on 64-bit Windows: always for a 64-bit process, and for a 32-bit process when it
// runs under WoW64.
bool IsWindows64();
// True when the machine's native processor is ARM64 (also for an emulated process).
bool IsArm64Processor();

// "major.minor.build" from the system's version query; empty when it fails.
std::wstring WindowsVersionText();

inline constexpr std::wstring_view kInternetExplorerKey = L"Software\\Microsoft\\Internet Explorer";
// The "Version" value of that key under HKEY_LOCAL_MACHINE; "-" when empty or missing.
std::wstring InternetExplorerVersion(std::wstring_view key_path = kInternetExplorerKey);

#endif  // _WIN32
