#include "downloader/address_table.h"

namespace ns_PLX {

void FillAddressTable(AddressTable& table, const std::vector<std::string>& addresses) {
  table.clear();
  for (const std::string& address : addresses) table.emplace(address, 0);
}

std::string PickAddress(AddressTable& table) {
  auto least = table.begin();
  for (auto at = table.begin(); at != table.end(); ++at) {
    if (at->second < least->second) least = at;
  }
  if (least == table.end()) return {};
  ++least->second;
  return least->first;
}

}  // namespace ns_PLX
