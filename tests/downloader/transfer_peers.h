#pragma once
// The servers of transfer_peers.py (ctest fixture transfer_peers), read from their state
// folder ($ORB_TRANSFER_PEERS_DIR).
#include <string>
#include <string_view>
#include <vector>

#include "downloader/http_dns.h"

namespace orbtest {

class TransferPeers {
 public:
  TransferPeers();

  bool Available() const { return hosts_port_ > 0; }
  const std::string& Error() const { return error_; }

  // The port of the test servers on 127.0.0.1 ... 127.0.0.12.
  int HostsPort() const { return hosts_port_; }
  // "127.0.0.1:<port>" of the HTTP-DNS resolvers (TLS, self-signed).
  std::string Primary() const;
  std::string Secondary() const;
  int PrimaryPort() const { return primary_port_; }
  // The authority that signed the resolvers' certificate (it names resolver.test only).
  std::string CaFile() const;
  // An authority with the same name that signed nothing.
  std::string OtherCaFile() const;
  // "http://127.0.0.1:<port>" of the server whose 206 answers start at the wrong byte.
  std::string OddUrl() const;

  // Resolver settings for the test account and these resolvers, with short timeouts.
  ns_PLX::HttpDnsSettings HttpDns() const;

  // Targets the resolvers were asked for, by "primary" or "secondary", oldest first.
  std::vector<std::string> ResolverTargets(std::string_view role) const;
  // Lines of the request log of test server `number` (1-12) that contain `part`.
  std::vector<std::string> HostRequests(int number, std::string_view part) const;

 private:
  std::string dir_;
  int hosts_port_ = 0;
  int primary_port_ = 0;
  int secondary_port_ = 0;
  int odd_port_ = 0;
  std::string error_;
};

// The account the resolvers check, stored and plain.
ns_PLX::HttpDnsAccount TestAccount();

}  // namespace orbtest

#define ORB_REQUIRE_TRANSFER_PEERS(peers)                                          \
  if ((peers).Available()) {                                                       \
  } else                                                                           \
    GTEST_FAIL() << "transfer peers unavailable: " << (peers).Error()
