#pragma once
// The program's four text conversions. Wide text is UTF-16 code units on every build
// (on 32-bit wchar_t builds a code point above U+FFFF is still a surrogate pair).
// Each returns an empty string when the input cannot be converted; empty input gives
// empty output.
#include <string>
#include <string_view>

// To the ANSI code page (log lines, some registry paths). Characters the code page
// lacks become its default character. On POSIX the ANSI code page is UTF-8.
std::string WideToAnsi(std::wstring_view text);

// Strict: a lone surrogate fails the whole conversion.
std::string WideToUtf8(std::wstring_view text);

// Strict: overlong forms, encoded surrogates, values above U+10FFFF and truncated or
// stray bytes fail the whole conversion.
std::wstring Utf8ToWide(std::string_view text);

// Narrow text from the C library's world (command line, clipboard) through its
// multibyte conversion under the user's default locale. The process locale is left
// untouched.
std::wstring LocaleToWide(std::string_view text);
