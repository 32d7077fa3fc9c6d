#include "common/base64.h"

#include <array>
#include <utility>

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kInvalid = 0xFF;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  table.fill(kInvalid);
  for (size_t i = 0; i < kAlphabet.size(); ++i) table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<uint8_t>(i);
  return table;
}
constexpr std::array<uint8_t, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  const auto at = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[k])); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 0x3F];
    out += kAlphabet[(group >> 6) & 0x3F];
    out += kAlphabet[group & 0x3F];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    const uint32_t group = at(i) << 16 | (rest == 2 ? at(i + 1) << 8 : 0);
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 0x3F];
    out += rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    out += '=';
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string& out) {
  out.clear();
  if (text.size() % 4 != 0) return false;
  size_t pad = 0;
  if (!text.empty() && text.back() == '=') pad = text[text.size() - 2] == '=' ? 2 : 1;

  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    const size_t digits = last ? 4 - pad : 4;
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) {
      uint32_t value = 0;
      if (k < digits) {
        value = kDecode[static_cast<uint8_t>(text[i + k])];
        if (value == kInvalid) return false;  // also catches '=' anywhere but the end
      }
      group = group << 6 | value;
    }
    bytes += static_cast<char>(group >> 16);
    if (digits > 2) bytes += static_cast<char>((group >> 8) & 0xFF);
    if (digits > 3) bytes += static_cast<char>(group & 0xFF);
    // Bits beyond the last whole byte must be zero, or two texts would decode alike.
    if (digits == 2 && (group & 0xFFFF) != 0) return false;
    if (digits == 3 && (group & 0xFF) != 0) return false;
  }
  out = std::move(bytes);
  return true;
}
