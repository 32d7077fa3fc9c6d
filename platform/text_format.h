#pragma once
// Small texts made from numbers and the clock.
#include <cstdint>
#include <string>

// The local time as "%Y%m%d%H%M%S", e.g. "20250303090507".
std::wstring TimeStampText();

// Decimal digits of an unsigned number (narrow).
std::string DecimalText(std::uint64_t value);
// Decimal digits of a signed number (wide).
std::wstring DecimalWide(std::int64_t value);
// Upper-case hexadecimal digits of a 32-bit value, as "%X" prints it (wide).
std::wstring HexWide(std::uint32_t value);
