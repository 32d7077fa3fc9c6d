#pragma once
// The report's file copy: a new file or nothing, never an overwrite.
#include <string>
#include <string_view>

// Creates `path` and writes `bytes` to it. False, leaving any existing file untouched,
// when a file of that name exists or it cannot be created or written (a half-written
// new file is removed).
bool WriteNewFile(const std::wstring& path, std::string_view bytes);
