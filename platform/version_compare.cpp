#include "platform/version_compare.h"

#include <array>
#include <climits>
#include <cwctype>

namespace {

// Reads like "%d.%d.%d.%d" would, but saturates instead of overflowing.
std::array<int, 4> Components(std::wstring_view text) {
  std::array<int, 4> parts{};
  size_t at = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      if (at >= text.size() || text[at] != L'.') break;
      ++at;
    }
    while (at < text.size() && std::iswspace(static_cast<wint_t>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
    if (at >= text.size() || text[at] < L'0' || text[at] > L'9') break;
    long long value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
      if (value <= INT_MAX) value = value * 10 + (text[at] - L'0');
    }
    if (negative) value = -value;
    parts[i] = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
  }
  return parts;
}

}  // namespace

int CompareVersions(std::wstring_view a, std::wstring_view b) {
  const auto left = Components(a);
  const auto right = Components(b);
  for (size_t i = 0; i < left.size(); ++i) {
    if (left[i] != right[i]) return left[i] > right[i] ? 1 : -1;
  }
  return 0;
}
