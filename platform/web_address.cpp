#include "platform/web_address.h"

bool IsWebAddress(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(L' ') - first + 1);
  if (text.starts_with(L"http://")) return text.size() >= 8;
  if (text.starts_with(L"https://")) return text.size() > 8;
  return false;
}
