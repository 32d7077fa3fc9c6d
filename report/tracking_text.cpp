#include "report/tracking_text.h"

#include <cstdint>
#include <cstdio>

#include "common/unicode.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

template <typename Unit>
std::string Utf16UnitsToUtf8(std::basic_string_view<Unit> text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto u = static_cast<char32_t>(text[i]);
    if (unicode::IsHighSurrogate(u) && i + 1 < text.size() &&
        unicode::IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
      const auto low = static_cast<char32_t>(text[i + 1]);
      unicode::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
      ++i;
    } else if (unicode::IsHighSurrogate(u) || unicode::IsLowSurrogate(u) ||
               u > unicode::kMaxCodePoint) {
      unicode::AppendUtf8(out, kReplacement);
    } else {
      unicode::AppendUtf8(out, u);
    }
  }
  return out;
}

// Length of the valid UTF-8 sequence at the start of `s`, 0 when it is not one.
std::size_t ValidSequenceLength(std::string_view s) {
  char32_t cp = 0;
  return unicode::Utf8SequenceAt(s, 0, cp);
}

}  // namespace

std::string WideToUtf8Lenient(std::wstring_view text) { return Utf16UnitsToUtf8(text); }

std::string Utf16ToUtf8Lenient(std::u16string_view text) { return Utf16UnitsToUtf8(text); }

std::string RepairUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t len = ValidSequenceLength(text);
    if (len == 0) {
      unicode::AppendUtf8(out, kReplacement);
      text.remove_prefix(1);
    } else {
      out.append(text.substr(0, len));
      text.remove_prefix(len);
    }
  }
  return out;
}

std::string JsonEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\b') {
      out += "\\b";
    } else if (c == '\f') {
      out += "\\f";
    } else if (b < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(b));
      out += buf;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string QueryValue(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    const bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                            (b >= '0' && b <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0xF]);
    }
  }
  return out;
}
