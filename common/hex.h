#pragma once
// Hexadecimal text of bytes, two digits per byte.
#include <cstdint>
#include <span>
#include <string>

std::string ToHex(std::span<const uint8_t> bytes, bool upper = false);
