#pragma once
// The process-wide table of download hosts: their checked IPv4 addresses and the file
// sizes those addresses agreed on.
//
// A host is resolved by the system resolver, else by HTTP-DNS; then every address is asked
// for the file's size and only the addresses of the majority size are kept.
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "downloader/http_dns.h"
#include "downloader/http_types.h"

namespace ns_PLX {

struct HostTableSettings {
  HttpDnsSettings http_dns;
  HttpSettings probe;  // the per-address size requests
  // Probing stops once this many addresses agree on one size.
  std::size_t enough_agreeing = 10;
  // A larger size is not believed (treated as no answer).
  std::int64_t max_file_size = std::int64_t{1} << 40;
};

class CHostTable {
 public:
  explicit CHostTable(HostTableSettings settings = {});
  CHostTable(const CHostTable&) = delete;
  CHostTable& operator=(const CHostTable&) = delete;

  // URLs as wide text; a URL's host is its name plus any ":port".
  bool HasAddresses(const std::wstring& url);
  // Resolves the URL's host and keeps its addresses that agree on the file's size; true
  // when at least one address remains. A host that has addresses is taken as it is.
  bool InitHost(const std::wstring& url);
  // Fills the host's addresses; true when it has any.
  bool QueryHost(const std::wstring& host);
  // The URL's host (UTF-8) and its addresses joined by ","; false when it has none.
  bool HostAddressList(const std::wstring& url, std::string& host, std::string& addresses);
  // Dotted texts, ordered by the addresses' octets read as a little-endian number.
  std::vector<std::string> AddressesOf(const std::wstring& host);
  // The size the addresses agreed on for the URL; 0 when none.
  std::int64_t SizeOf(const std::wstring& url);
  // Forgets every host (not the sizes) and flushes the system's DNS cache.
  void Clear();

 private:
  // Octets read as a little-endian 32-bit number: the first octet least significant.
  using AddressSet = std::set<std::uint32_t>;

  bool QueryHostLocked(const std::wstring& host);

  const HostTableSettings settings_;
  std::mutex mutex_;  // held across resolution and probes: one host is prepared at a time
  std::map<std::wstring, AddressSet> hosts_;     // guarded by mutex_
  std::map<std::wstring, std::int64_t> sizes_;  // guarded by mutex_
};

// The one table of the process, made on first use and never destroyed.
CHostTable& ProcessHostTable();

}  // namespace ns_PLX
