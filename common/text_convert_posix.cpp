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

// Decodes one UTF-8 sequence at `pos`; on success advances `pos`.
bool DecodeUtf8(std::string_view s, size_t& pos, char32_t& cp) {
  const size_t len = unicode::Utf8SequenceAt(s, pos, cp);
  pos += len;
  return len != 0;
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
