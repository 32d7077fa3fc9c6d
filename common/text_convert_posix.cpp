// POSIX text conversions. The ANSI code page of these machines is UTF-8, so the
// UTF-8 codec below serves WideToAnsi as well.
#include "common/text_convert.h"

#include <clocale>
#include <cstdint>
#include <cwchar>
#include <type_traits>
#include <locale.h>

#include "common/unicode.h"

namespace {

using unicode::AppendUtf16;
using unicode::AppendUtf8;
using unicode::IsHighSurrogate;
using unicode::IsLowSurrogate;
using unicode::kMaxCodePoint;

// Decodes one UTF-8 sequence at `pos`; on success advances `pos`. The second-byte
// bounds exclude overlong forms, encoded surrogates and values above U+10FFFF.
bool DecodeUtf8(std::string_view s, size_t& pos, char32_t& cp) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t b0 = byte(pos);
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  }
  size_t len = 0;
  uint8_t lo = 0x80;
  uint8_t hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return false;
  }
  if (s.size() - pos < len) return false;
  for (size_t i = 1; i < len; ++i) {
    const uint8_t b = byte(pos + i);
    if (i == 1 ? (b < lo || b > hi) : (b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  pos += len;
  return true;
}

// Owns a duplicated C locale handle.
class ScopedLocale {
 public:
  ScopedLocale() {
    // An unknown locale name in the environment leaves a C program in the "C" locale;
    // do the same rather than fail.
    handle_ = newlocale(LC_CTYPE_MASK, "", locale_t{});
    if (handle_ == locale_t{}) handle_ = newlocale(LC_CTYPE_MASK, "C", locale_t{});
  }
  ~ScopedLocale() {
    if (handle_ != locale_t{}) freelocale(handle_);
  }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;
  locale_t get() const { return handle_; }

 private:
  locale_t handle_{};
};

// Makes a locale current for this thread only, for the lifetime of the object.
class ThreadLocaleScope {
 public:
  explicit ThreadLocaleScope(locale_t loc) : previous_(uselocale(loc)) {}
  ~ThreadLocaleScope() { uselocale(previous_); }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

 private:
  locale_t previous_;
};

}  // namespace

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto unit = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    if (unit > 0xFFFF || IsLowSurrogate(unit)) return {};
    char32_t cp = unit;
    if (IsHighSurrogate(unit)) {
      if (i + 1 == text.size()) return {};
      const auto next = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
      if (!IsLowSurrogate(next)) return {};
      cp = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string WideToAnsi(std::wstring_view text) { return WideToUtf8(text); }

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = 0;
    if (!DecodeUtf8(text, pos, cp)) return {};
    AppendUtf16(out, cp);
  }
  return out;
}

std::wstring LocaleToWide(std::string_view text) {
  if (text.empty()) return {};
  const ScopedLocale loc;
  if (loc.get() == locale_t{}) return {};
  const ThreadLocaleScope scope(loc.get());

  std::wstring out;
  out.reserve(text.size());
  std::mbstate_t state{};
  size_t pos = 0;
  while (pos < text.size()) {
    wchar_t wc = 0;
    const size_t used = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &state);
    if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2)) return {};
    // 0 means a NUL character was read; keep it like any other.
    pos += used == 0 ? 1 : used;
    const auto cp = static_cast<char32_t>(wc);
    if (cp > kMaxCodePoint || IsHighSurrogate(cp) || IsLowSurrogate(cp)) return {};
    AppendUtf16(out, cp);
  }
  return out;
}
