#pragma once
// How many connections and how much buffer memory one download spends, and when it is
// on a page that blocks it.
#include <cstdint>
#include <optional>
#include <string_view>

namespace ns_PLX {

inline constexpr std::int32_t kTunedConnections = 24;
inline constexpr std::int32_t kMaxConnections = 48;
inline constexpr std::int32_t kMaxBufferSize = 5 * 1024 * 1024;
inline constexpr std::int32_t kMinBufferSize = 1024 * 1024;
// Bytes counted per received TCP segment.
inline constexpr std::uint64_t kSegmentBytes = 1460;

struct MemoryTuning {
  std::int32_t connections = kTunedConnections;
  std::int32_t buffer_size = kMaxBufferSize;
  bool operator==(const MemoryTuning&) const = default;
};

// From the free physical memory (FreePhysicalMemory()); unknown memory gives the defaults.
MemoryTuning TuneForMemory(std::optional<std::uint64_t> free_memory);
// Buffer for a re-fetched or split range: the free memory, at most kMaxBufferSize. Below
// kMinBufferSize the owner refuses to start the range.
std::int32_t RefetchBufferSize(std::optional<std::uint64_t> free_memory);

// The machine's received TCP bytes, estimated from its segment count; 0 when the
// statistics cannot be read.
std::uint64_t TcpReceivedEstimate();

// The last decision's readings; both start at the attempt's start (bytes 0, TCP the
// estimate then).
struct ConnectionBaselines {
  std::uint64_t bytes = 0;
  std::uint64_t tcp = 0;
};

// One connection fewer (-1), the same (0) or one more (+1), from this download's share of
// the machine's TCP traffic since the last decision. `n`: active ranges + 1; `bytes`: the
// download's received bytes in this attempt; `tcp`: TcpReceivedEstimate() now (0: unknown,
// which keeps the count). Moves the baselines to the new readings unless the TCP count has
// not moved.
int DecideConnections(int n, std::uint64_t bytes, std::uint64_t tcp, std::int32_t tuned_connections,
                      ConnectionBaselines& baselines);

// A final URL that leads to a network's blocking page ("disable.htm" on a private address).
bool IsBlockedRedirect(std::string_view text);

}  // namespace ns_PLX
