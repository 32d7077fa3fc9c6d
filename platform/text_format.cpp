#include "platform/text_format.h"

#include <ctime>
#include <cwchar>

std::wstring TimeStampText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  if (localtime_s(&local, &now) != 0) return {};
#else
  if (!localtime_r(&now, &local)) return {};
#endif
  wchar_t text[32] = {};
  const size_t n = std::wcsftime(text, sizeof text / sizeof text[0], L"%Y%m%d%H%M%S", &local);
  return std::wstring(text, n);
}

std::string DecimalText(std::uint64_t value) { return std::to_string(value); }

std::wstring DecimalWide(std::int64_t value) { return std::to_wstring(value); }

std::wstring HexWide(std::uint32_t value) {
  wchar_t text[16] = {};
  const int n = std::swprintf(text, sizeof text / sizeof text[0], L"%X", static_cast<unsigned>(value));
  return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}
