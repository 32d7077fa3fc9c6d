#pragma once
// IPv4 addresses as dotted text.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ns_PLX {

// Four octets in network order (first octet first).
using Ipv4 = std::array<std::uint8_t, 4>;

// Exactly four decimal numbers 0-255 joined by dots, without signs, blanks or leading
// zeros (which some parsers read as octal).
std::optional<Ipv4> ParseIpv4(std::string_view text);

std::string FormatIpv4(const Ipv4& address);

}  // namespace ns_PLX
