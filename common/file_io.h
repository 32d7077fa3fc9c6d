#pragma once
// Whole-file byte I/O on a wide path. Failures carry the system's own error text,
// cut at its first line break.
#include <string>
#include <string_view>

// On failure `bytes` is left empty.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& error);

// Creates the file or truncates an existing one, then writes `bytes`.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes, std::wstring& error);
