#pragma once
// Readers for the value syntax of layout attributes. All are lenient where the
// documents are (a missing number reads as 0) and strict where a wrong guess would
// change the look (a colour that is not hexadecimal is no colour at all).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uifw {

struct UiRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const UiRect&) const = default;
};

struct UiSize {
  int cx = 0, cy = 0;
  bool operator==(const UiSize&) const = default;
};

// "#AARRGGBB" read as one 32-bit number: six digits leave the alpha at 0. The "#" may
// be left out. Not hexadecimal, empty or longer than eight digits: no colour.
std::optional<uint32_t> ParseColor(std::wstring_view value);
inline constexpr uint32_t ColorAlpha(uint32_t argb) { return argb >> 24; }

// Leading blanks, an optional sign and decimal digits, like wcstol; anything else
// reads as 0.
int ParseInt(std::wstring_view value);
// Comma-separated integers, missing ones 0: "l,t,r,b" and "w,h".
UiRect ParseRect(std::wstring_view value);
UiSize ParseSize(std::wstring_view value);
// Only "true" is true.
bool ParseBool(std::wstring_view value);

// name="value" pairs separated by blanks (either quote), as the Default element
// and an attribute list write them. Reading stops at the first damaged pair.
struct NameValue {
  std::wstring name;
  std::wstring value;
  bool operator==(const NameValue&) const = default;
};
std::vector<NameValue> ParseAttributeList(std::wstring_view list);

}  // namespace uifw
