#pragma once
// A download's host preparation: its addresses from the process-wide host table, and the
// file size they agreed on.
#include <cstdint>
#include <string>

#include "downloader/address_table.h"
#include "downloader/host_table.h"

namespace ns_PLX {

// What the preparation reports on the way; the download turns these into its events.
class IPrepareHostSink {
 public:
  virtual ~IPrepareHostSink() = default;
  // The host's addresses were forgotten to be resolved afresh.
  virtual void HostRefreshed() = 0;
  // "host:address,address,..." once the host is resolved and checked.
  virtual void HostAddressesKnown(const std::string& host_and_addresses) = 0;
  // No address could be had; the download goes on with normal name resolution.
  virtual void HostPreparationFailed() = 0;
};

// `url` in UTF-8. With `refresh` a known host is forgotten and resolved again. Fills
// `addresses` (use counts 0) and sets `file_size` when the addresses agreed on one; true
// when there is at least one address.
bool PrepareHost(CHostTable& hosts, const std::string& url, bool refresh, AddressTable& addresses,
                 std::int64_t& file_size, IPrepareHostSink& sink);

}  // namespace ns_PLX
