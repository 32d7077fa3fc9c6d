#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "common/xml_utf.h"

namespace {

// UTF-16 units, written as numbers so that the tests read the same on 16- and 32-bit
// wchar_t builds.
std::wstring Units(std::initializer_list<unsigned> units) {
  std::wstring out;
  for (const unsigned u : units) out.push_back(static_cast<wchar_t>(u));
  return out;
}

struct DecodeCase {
  const char* what;
  std::string bytes;
  std::wstring expected;
};

TEST(XmlUtf8ToWideTest, DecodesLeniently) {
  using namespace std::string_literals;
  const DecodeCase cases[] = {
      {"ascii", "<a>x</a>", L"<a>x</a>"},
      {"two bytes", "\xC3\xA9", Units({0xE9})},
      {"three bytes", "\xE2\x82\xAC", Units({0x20AC})},
      {"four bytes give a surrogate pair", "\xF0\x9F\x98\x80", Units({0xD83D, 0xDE00})},
      {"lead with bits 0x20, 0x10 and 0x08 set", "\xF8" "A\xFF" "B", L"?A?B"},
      {"missing continuation: the breaking byte starts the next character", "\xC3" "ABCDE", L"?ABCDE"},
      {"missing second continuation", "\xE2\x82" "ABCD", L"?ABCD"},
      {"beyond U+10FFFF", "\xF7\xBF\xBF\xBF" "A", L"?A"},
      {"zero byte ends the text", "AB\0CD"s, L"AB"},
      {"zero byte as a continuation", "\xC3\0" "ABCD"s, L"?"},
      {"sequence cut off by the end", "AB\xE2\x82", L"AB"},
      {"cut-off length wins over a bad continuation", "x\xE4" "A", L"x"},
      {"byte-order mark is kept", "\xEF\xBB\xBF<a/>", Units({0xFEFF, '<', 'a', '/', '>'})},
      {"empty", "", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(XmlUtf8ToWide(c.bytes), c.expected);
  }
}

struct EncodeCase {
  const char* what;
  std::wstring text;
  std::string expected;
};

TEST(XmlWideToUtf8Test, EncodesAndReplacesUnpairedSurrogates) {
  const EncodeCase cases[] = {
      {"ascii", L"abc", "abc"},
      {"two bytes", Units({0xE9, 0x7FF}), "\xC3\xA9\xDF\xBF"},
      {"three bytes", Units({0x800, 0x20AC, 0xFFFF}), "\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF"},
      {"surrogate pair", Units({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80"},
      {"last code point", Units({0xDBFF, 0xDFFF}), "\xF4\x8F\xBF\xBF"},
      {"high surrogate at the very end", Units({'A', 0xD800}), "A?"},
      // Pairing it with an ordinary character would swallow that character.
      {"high surrogate before an ordinary unit", Units({0xD800, 'B'}), "?B"},
      {"low surrogate alone", Units({0xDC00, 'B'}), "?B"},
      {"two high surrogates then a low one", Units({0xD800, 0xD83D, 0xDE00}), "?\xF0\x9F\x98\x80"},
      {"empty", L"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(XmlWideToUtf8(c.text), c.expected);
  }
}

TEST(XmlUtfTest, EveryCodePointRoundTrips) {
  for (unsigned cp = 1; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::wstring text = cp < 0x10000 ? Units({cp}) : Units({0xD800 + ((cp - 0x10000) >> 10), 0xDC00 + (cp & 0x3FF)});
    const std::string bytes = XmlWideToUtf8(text);
    ASSERT_EQ(bytes.size(), cp < 0x80 ? 1u : cp < 0x800 ? 2u : cp < 0x10000 ? 3u : 4u) << cp;
    ASSERT_EQ(XmlUtf8ToWide(bytes), text) << cp;
  }
}

}  // namespace
