#include "downloader/tcp_stats.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include "downloader/winsock_session_win.h"

namespace ns_PLX {

std::optional<std::uint64_t> TcpReceivedSegments() {
  const WinsockSession sockets;
  if (!sockets.started()) return std::nullopt;
  MIB_TCPSTATS stats{};
  if (GetTcpStatistics(&stats) != NO_ERROR) return std::nullopt;
  return static_cast<std::uint64_t>(stats.dwInSegs);
}

}  // namespace ns_PLX
