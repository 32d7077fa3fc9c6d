#pragma once
#include <string_view>

// With the spaces at both ends removed: begins with "http://" and has at least 8
// characters, or begins with "https://" and has more than 8.
bool IsWebAddress(std::wstring_view text);
