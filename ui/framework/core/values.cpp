#include "ui/framework/core/values.h"

#include <array>

namespace uifw {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads one integer at the front of `s` and moves past it; saturates instead of
// overflowing.
int TakeInt(std::wstring_view& s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == L'-' || s.front() == L'+')) {
    negative = s.front() == L'-';
    s.remove_prefix(1);
  }
  long long value = 0;
  while (!s.empty() && s.front() >= L'0' && s.front() <= L'9') {
    if (value < 1'000'000'000) value = value * 10 + (s.front() - L'0');
    s.remove_prefix(1);
  }
  return static_cast<int>(negative ? -value : value);
}

template <size_t N>
std::array<int, N> TakeInts(std::wstring_view s) {
  std::array<int, N> out{};
  for (size_t i = 0; i < N; ++i) {
    out[i] = TakeInt(s);
    const size_t comma = s.find(L',');
    if (comma == std::wstring_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  return out;
}

}  // namespace

std::optional<uint32_t> ParseColor(std::wstring_view value) {
  value = Trim(value);
  if (!value.empty() && value.front() == L'#') value.remove_prefix(1);
  if (value.empty() || value.size() > 8) return std::nullopt;
  uint32_t color = 0;
  for (const wchar_t c : value) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    color = color << 4 | static_cast<uint32_t>(digit);
  }
  return color;
}

int ParseInt(std::wstring_view value) { return TakeInt(value); }

UiRect ParseRect(std::wstring_view value) {
  const auto v = TakeInts<4>(value);
  return {v[0], v[1], v[2], v[3]};
}

UiSize ParseSize(std::wstring_view value) {
  const auto v = TakeInts<2>(value);
  return {v[0], v[1]};
}

bool ParseBool(std::wstring_view value) { return value == L"true"; }

std::vector<NameValue> ParseAttributeList(std::wstring_view list) {
  std::vector<NameValue> out;
  size_t i = 0;
  for (;;) {
    while (i < list.size() && IsBlank(list[i])) ++i;
    if (i >= list.size()) break;
    const size_t name_from = i;
    while (i < list.size() && list[i] != L'=' && !IsBlank(list[i])) ++i;
    const std::wstring_view name = list.substr(name_from, i - name_from);
    while (i < list.size() && IsBlank(list[i])) ++i;
    if (name.empty() || i >= list.size() || list[i] != L'=') break;
    ++i;
    while (i < list.size() && IsBlank(list[i])) ++i;
    if (i >= list.size() || (list[i] != L'"' && list[i] != L'\'')) break;
    const wchar_t quote = list[i++];
    const size_t close = list.find(quote, i);
    if (close == std::wstring_view::npos) break;
    out.push_back({std::wstring(name), std::wstring(list.substr(i, close - i))});
    i = close + 1;
  }
  return out;
}

}  // namespace uifw
