#pragma once
// Which .NET Framework is installed, and the checker program run. Windows only.
#if defined(_WIN32)
#include <chrono>
#include <string>
#include <string_view>

#include "platform/process.h"

inline constexpr std::wstring_view kDotNetFrameworkKey = L"SOFTWARE\\Microsoft\\.NETFramework";
inline constexpr std::wstring_view kDotNetSetupKey = L"Software\\Microsoft\\NET Framework Setup\\NDP";

// A 2.0 policy key ("policy\v2.0" or "policy\v2.0.50727") exists under the framework key
// and its string "InstallRoot" is not empty.
bool IsDotNet20Present(std::wstring_view framework_key = kDotNetFrameworkKey);

// Whether an installed framework satisfies `required` ("4.5", "3.5", "2.0"): a 2.x or 3.x
// install satisfies a requirement of the same major and no higher minor, or a lower major;
// a 4.x install (its "Full" entry) satisfies only a 4.x requirement of no higher minor.
bool IsDotNetVersionSatisfied(std::wstring_view required, std::wstring_view setup_key = kDotNetSetupKey);

// Runs the checker's command line hidden with `limit`, the framework's own error dialog
// ("NoGuiFromShim") and the system's error boxes switched off for the run; both are put
// back afterwards. False without running anything when the line is empty or .NET 2.0 is
// not present; otherwise true when the checker ended with exit code 0.
bool RunDotNetChecker(const std::wstring& command_line, std::wstring_view framework_key = kDotNetFrameworkKey,
                      std::chrono::milliseconds limit = kHiddenRunLimit);

#endif  // _WIN32
