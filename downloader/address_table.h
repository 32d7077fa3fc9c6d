#pragma once
// One download's server addresses and how often each has been handed to a range.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ns_PLX {

// Dotted address text -> use count, in plain byte-wise text order.
using AddressTable = std::map<std::string, std::int32_t>;

// Replaces the table's entries with `addresses`, each used 0 times.
void FillAddressTable(AddressTable& table, const std::vector<std::string>& addresses);

// The least-used address (the first in order among equals), counted as used once more;
// empty text for an empty table (the range then resolves the name normally).
std::string PickAddress(AddressTable& table);

}  // namespace ns_PLX
