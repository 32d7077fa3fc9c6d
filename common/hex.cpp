#include "common/hex.h"

#include <string_view>

std::string ToHex(std::span<const uint8_t> bytes, bool upper) {
  const std::string_view digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0x0F];
  }
  return out;
}
