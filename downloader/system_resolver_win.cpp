#include "downloader/system_resolver.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstring>

#include "downloader/winsock_session_win.h"

namespace ns_PLX {

std::optional<std::vector<Ipv4>> ResolveIpv4(const std::string& name) {
  try {
    if (name.empty()) return std::nullopt;
    const WinsockSession sockets;
    if (!sockets.started()) return std::nullopt;
    // The answer lives in storage of this thread until its next such call.
    const hostent* const answer = gethostbyname(name.c_str());
    if (answer == nullptr || answer->h_addrtype != AF_INET || answer->h_length != 4 ||
        answer->h_addr_list == nullptr) {
      return std::nullopt;
    }
    std::vector<Ipv4> addresses;
    for (char** at = answer->h_addr_list; *at != nullptr; ++at) {
      Ipv4 octets{};
      std::memcpy(octets.data(), *at, octets.size());
      addresses.push_back(octets);
    }
    return addresses;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace ns_PLX
