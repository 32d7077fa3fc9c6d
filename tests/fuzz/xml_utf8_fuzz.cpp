// Round trips of the XML document's UTF-8 <-> UTF-16 conversions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/xml_utf.h"

namespace {

bool IsHigh(wchar_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(wchar_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckUnits(std::wstring_view text) {
  for (const wchar_t u : text) Check(static_cast<uint32_t>(u) <= 0xFFFF);
}

// What a text becomes after a trip through UTF-8: unpaired surrogates turn into '?',
// and a zero unit ends the text.
std::wstring Expected(std::wstring_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t u = text[i];
    if (u == 0) break;
    if (IsHigh(u) && i + 1 < text.size() && IsLow(text[i + 1])) {
      out.push_back(u);
      out.push_back(text[++i]);
    } else if (IsHigh(u) || IsLow(u)) {
      out.push_back(L'?');
    } else {
      out.push_back(u);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Bytes -> wide -> bytes -> wide.
  const std::wstring wide = XmlUtf8ToWide(bytes);
  CheckUnits(wide);
  Check(wide.size() <= bytes.size());
  const std::string utf8 = XmlWideToUtf8(wide);
  const std::wstring again = XmlUtf8ToWide(utf8);
  CheckUnits(again);
  Check(again == Expected(wide));

  // The same bytes taken as UTF-16 units (little-endian pairs).
  std::wstring units;
  for (size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  const std::string encoded = XmlWideToUtf8(units);
  Check(encoded.size() <= units.size() * 3);
  const std::wstring decoded = XmlUtf8ToWide(encoded);
  CheckUnits(decoded);
  Check(decoded == Expected(units));
  Check(XmlWideToUtf8(decoded) == encoded.substr(0, encoded.find('\0')));
  return 0;
}
