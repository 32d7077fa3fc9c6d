#include "downloader/ipv4_text.h"

namespace ns_PLX {

std::optional<Ipv4> ParseIpv4(std::string_view text) {
  Ipv4 address{};
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i > 0) {
      if (text.empty() || text.front() != '.') return std::nullopt;
      text.remove_prefix(1);
    }
    std::size_t digits = 0;
    unsigned value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[digits] - '0');
      if (++digits > 3) return std::nullopt;
    }
    if (digits == 0 || value > 255 || (digits > 1 && text.front() == '0')) return std::nullopt;
    address[i] = static_cast<std::uint8_t>(value);
    text.remove_prefix(digits);
  }
  if (!text.empty()) return std::nullopt;
  return address;
}

std::string FormatIpv4(const Ipv4& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
         std::to_string(address[2]) + "." + std::to_string(address[3]);
}

}  // namespace ns_PLX
