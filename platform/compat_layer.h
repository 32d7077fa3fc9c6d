#pragma once
// Compatibility layers the system applies when it starts a program. Windows only.
#if defined(_WIN32)
#include <string_view>

inline constexpr std::wstring_view kCompatLayersKey =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers\\";

// Writes `layer` (at most its first 49 characters) as the string value `value_name`
// (a program path) under HKEY_LOCAL_MACHINE's layers key, in the 64-bit and in the 32-bit
// view, creating the key when missing. Failures are ignored.
void SetCompatLayer(std::wstring_view value_name, std::wstring_view layer,
                    std::wstring_view key_path = kCompatLayersKey);

#endif  // _WIN32
