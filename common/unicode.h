#pragma once
// Encoding one Unicode scalar value; shared by the strict and the lenient converters,
// which differ only in what they accept.
#include <string>

namespace unicode {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

constexpr bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// `cp` must be at most kMaxCodePoint.
inline void AppendUtf16(std::wstring& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<wchar_t>(cp));
    return;
  }
  cp -= 0x10000;
  out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
  out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
}

inline void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace unicode
