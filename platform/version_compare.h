#pragma once
// Dotted decimal version texts such as "14.0.8.1234".
#include <string_view>

// 1 when `a` is greater, -1 when smaller, 0 when equal. Up to four components are
// compared; missing ones, and everything from the first one that does not read as a
// number, count as 0.
int CompareVersions(std::wstring_view a, std::wstring_view b);
