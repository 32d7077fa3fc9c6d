#include "downloader/system_resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

namespace ns_PLX {
namespace {

struct AddrInfoDeleter {
  void operator()(addrinfo* info) const noexcept { freeaddrinfo(info); }
};

}  // namespace

std::optional<std::vector<Ipv4>> ResolveIpv4(const std::string& name) {
  try {
    if (name.empty()) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    addrinfo* raw = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &raw) != 0) return std::nullopt;
    const std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);
    std::vector<Ipv4> addresses;
    for (const addrinfo* at = list.get(); at != nullptr; at = at->ai_next) {
      if (at->ai_family != AF_INET || at->ai_addr == nullptr ||
          at->ai_addrlen < sizeof(sockaddr_in)) {
        continue;
      }
      sockaddr_in address{};
      std::memcpy(&address, at->ai_addr, sizeof(address));
      Ipv4 octets{};
      std::memcpy(octets.data(), &address.sin_addr, octets.size());
      addresses.push_back(octets);
    }
    if (addresses.empty()) return std::nullopt;
    return addresses;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace ns_PLX
