#include "common/xml_utf.h"

#include <cstdint>
#include <type_traits>

#include "common/unicode.h"

namespace {

using unicode::AppendUtf8;
using unicode::IsHighSurrogate;
using unicode::IsLowSurrogate;
using unicode::kMaxCodePoint;

void AppendUtf16(std::wstring& out, char32_t cp) {
  if (cp > kMaxCodePoint) {
    // A pair cannot carry it; writing one anyway would give a broken pair.
    out.push_back(L'?');
  } else {
    unicode::AppendUtf16(out, cp);
  }
}

}  // namespace

std::wstring XmlUtf8ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  const size_t size = bytes.size();
  size_t i = 0;
  while (i < size) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    if (lead == 0) break;
    if (lead < 0x80) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    size_t extra = 0;
    char32_t cp = 0;
    if (!(lead & 0x20)) {
      extra = 1;
      cp = lead & 0x1F;
    } else if (!(lead & 0x10)) {
      extra = 2;
      cp = lead & 0x0F;
    } else if (!(lead & 0x08)) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      out.push_back(L'?');
      ++i;
      continue;
    }
    // A sequence cut off by the end of the input ends the text.
    if (i + extra >= size) break;
    ++i;
    bool complete = true;
    for (size_t k = 0; k < extra; ++k, ++i) {
      const auto next = static_cast<uint8_t>(bytes[i]);
      if (!(next & 0x80)) {
        complete = false;  // `next` starts the next character
        break;
      }
      cp = (cp << 6) | (next & 0x3F);
    }
    if (complete) {
      AppendUtf16(out, cp);
    } else {
      out.push_back(L'?');
    }
  }
  return out;
}

std::string XmlWideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  const size_t size = text.size();
  for (size_t i = 0; i < size; ++i) {
    // wchar_t may be 32 bits wide; only its low 16 bits may ever be in use.
    const auto unit = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    if (unit > 0xFFFF) {
      out.push_back('?');
    } else if (!IsHighSurrogate(unit) && !IsLowSurrogate(unit)) {
      AppendUtf8(out, unit);
    } else if (IsHighSurrogate(unit) && i + 1 < size &&
               IsLowSurrogate(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]))) {
      const auto low = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      ++i;
    } else {
      out.push_back('?');
    }
  }
  return out;
}
