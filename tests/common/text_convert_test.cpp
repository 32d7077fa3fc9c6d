#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/text_convert.h"

#ifndef _WIN32
#include <locale.h>
#endif

namespace {

// u"" literals are UTF-16 on every compiler; copy them unit by unit into wide text.
std::wstring W(std::u16string_view units) { return std::wstring(units.begin(), units.end()); }

TEST(TextConvertTest, Utf8AndUtf16RoundTrip) {
  const std::pair<std::string_view, std::u16string_view> cases[] = {
      {"plain ASCII ~", u"plain ASCII ~"},
      {"caf\xC3\xA9", u"caf\u00E9"},
      {"\xE4\xB8\xAD\xE6\x96\x87", u"\u4E2D\u6587"},
      {"\xEF\xBF\xBF\xEF\xBF\xBD", u"\uFFFF\uFFFD"},
      {"\xF0\x9F\x98\x80!", u"\U0001F600!"},            // surrogate pair
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
  };
  for (const auto& [utf8, utf16] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(utf8)));
    EXPECT_EQ(Utf8ToWide(utf8), W(utf16));
    EXPECT_EQ(WideToUtf8(W(utf16)), utf8);
  }
  EXPECT_EQ(Utf8ToWide(""), L"");
  EXPECT_EQ(WideToUtf8(L""), "");
}

TEST(TextConvertTest, Utf8ToWideRejectsMalformedInput) {
  const std::string_view bad[] = {
      "\x80",              // stray continuation byte
      "\xC0\x80",          // overlong NUL
      "\xC1\xBF",          // overlong two-byte
      "\xE0\x9F\xBF",      // overlong three-byte
      "\xF0\x8F\xBF\xBF",  // overlong four-byte
      "\xED\xA0\x80",      // high surrogate
      "\xED\xBF\xBF",      // low surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF5\x80\x80\x80",
      "\xFE",
      "\xFF",
      "\xE4\xB8",          // cut short at the end
      "\xE4\xB8z",         // cut short by ASCII
      "\xC3\xC3\xA9",
  };
  for (const std::string_view bytes : bad) {
    const std::string text = "ok" + std::string(bytes) + "ok";
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_EQ(Utf8ToWide(text), L"");
  }
}

TEST(TextConvertTest, WideToUtf8RejectsLoneSurrogates) {
  const std::u16string_view bad[] = {
      u"\xD800",
      u"\xDC00",
      u"a\xD83D",         // high surrogate at the end
      u"\xD83D" u"a",    // high surrogate before a non-surrogate
      u"\xDE00\xD83D",    // pair in the wrong order
  };
  for (const std::u16string_view units : bad) {
    EXPECT_EQ(WideToUtf8(W(units)), "") << testing::PrintToString(std::u16string(units));
  }
  if constexpr (sizeof(wchar_t) == 4) {
    // A 32-bit unit above 0xFFFF is not UTF-16.
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x1F600))), "");
  }
}

TEST(TextConvertTest, WideToAnsi) {
  EXPECT_EQ(WideToAnsi(L"C:\\Program Files\\orb 1.2.log"), "C:\\Program Files\\orb 1.2.log");
  EXPECT_EQ(WideToAnsi(L""), "");
#ifndef _WIN32
  // The ANSI code page here is UTF-8.
  EXPECT_EQ(WideToAnsi(W(u"caf\u00E9 \U0001F600")), "caf\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(WideToAnsi(W(u"\xD800")), "");
#endif
}

TEST(TextConvertTest, LocaleToWideAscii) {
  EXPECT_EQ(LocaleToWide("--HostLang=en /S"), L"--HostLang=en /S");
  EXPECT_EQ(LocaleToWide(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(LocaleToWide(""), L"");
}

#ifndef _WIN32
// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(TextConvertTest, LocaleToWideUsesTheUserLocaleWithoutChangingTheProcess) {
  const std::string globalBefore = std::setlocale(LC_ALL, nullptr);
  const locale_t threadBefore = uselocale(locale_t{});

  const ScopedEnv env("LC_ALL", "C.UTF-8");
  EXPECT_EQ(LocaleToWide("caf\xC3\xA9 \xF0\x9F\x98\x80"), W(u"caf\u00E9 \U0001F600"));
  EXPECT_EQ(LocaleToWide("ok\xFF"), L"");
  EXPECT_EQ(LocaleToWide("ok\xE4\xB8"), L"");  // cut short

  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), globalBefore);
  EXPECT_EQ(uselocale(locale_t{}), threadBefore);
}
#endif

}  // namespace
