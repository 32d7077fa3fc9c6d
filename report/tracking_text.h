#pragma once
// Lenient text conversions for the tracking report. The report must go out whatever a
// caller stored, so damaged text is repaired (each bad unit or byte becomes U+FFFD)
// instead of being refused or passed on as invalid UTF-8.
#include <string>
#include <string_view>

// Wide text holds UTF-16 code units on every build; a lone surrogate becomes U+FFFD.
std::string WideToUtf8Lenient(std::wstring_view text);
std::string Utf16ToUtf8Lenient(std::u16string_view text);

// `text` with every invalid UTF-8 sequence (stray, truncated, overlong, surrogate or
// out-of-range) replaced by U+FFFD; valid text comes back unchanged.
std::string RepairUtf8(std::string_view text);

// `text` escaped for use between the quotes of a JSON string: quote, backslash and the
// control characters below U+0020.
std::string JsonEscape(std::string_view text);

// `text` for a URL query value: everything but the unreserved characters (letters,
// digits, "-._~") percent-encoded, so that no value can change the request's target.
std::string QueryValue(std::string_view text);
