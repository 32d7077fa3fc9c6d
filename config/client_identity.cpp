#include "config/client_identity.h"

namespace {
constexpr std::wstring_view kTemplate = L"xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx";
constexpr std::wstring_view kHex = L"0123456789abcdef";
}  // namespace

std::uint64_t XorShift128Plus::Next() {
  std::uint64_t s1 = state[0];
  const std::uint64_t s0 = state[1];
  state[0] = s0;
  s1 ^= s1 << 23;
  state[1] = s1 ^ s0 ^ (s1 >> 17) ^ (s0 >> 26);
  return state[1] + s0;
}

std::wstring FormatClientSign(std::uint64_t first, std::uint64_t second) {
  std::array<unsigned, 32> nibbles{};
  for (size_t k = 0; k < 16; ++k) {
    const std::uint64_t word = k < 8 ? first : second;
    const unsigned byte = static_cast<unsigned>((word >> (8 * (k % 8))) & 0xff);
    nibbles[2 * k] = byte & 0x0f;
    nibbles[2 * k + 1] = byte >> 4;
  }
  std::wstring out = L"{";
  size_t next = 0;
  for (const wchar_t c : kTemplate) {
    if (c == L'x') {
      out += kHex[nibbles[next++]];
    } else if (c == L'y') {
      out += kHex[8 + (nibbles[next++] & 3)];
    } else {
      out += c;
    }
  }
  return out + L"G}";
}

bool IsClientSignForm(std::wstring_view sign) {
  if (sign.size() != kTemplate.size() + 3 || sign.front() != L'{' || !sign.ends_with(L"G}")) return false;
  for (size_t i = 0; i < kTemplate.size(); ++i) {
    const wchar_t t = kTemplate[i];
    const wchar_t c = sign[i + 1];
    const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
    if (t == L'x' ? !hex : t == L'y' ? !(c == L'8' || c == L'9' || c == L'a' || c == L'b') : c != t) return false;
  }
  return true;
}
