#pragma once
// The machine's TCP traffic, from the system's TCP statistics.
#include <cstdint>
#include <optional>

namespace ns_PLX {

// TCP segments the machine has received since the counters started; nothing when the
// statistics cannot be read. Windows: IP Helper (a 32-bit counter that wraps). Linux:
// the InSegs field of /proc/net/snmp.
std::optional<std::uint64_t> TcpReceivedSegments();

}  // namespace ns_PLX
