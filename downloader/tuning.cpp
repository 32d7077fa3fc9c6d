#include "downloader/tuning.h"

#include <algorithm>

#include "app/log/simple_log.h"
#include "downloader/tcp_stats.h"

namespace ns_PLX {
namespace {

constexpr std::uint64_t kPlentyOfMemory = std::uint64_t{kTunedConnections} * kMaxBufferSize;
constexpr double kGiveBackAbove = 0.81;
constexpr double kAddBelow = 0.79;

}  // namespace

MemoryTuning TuneForMemory(std::optional<std::uint64_t> free_memory) {
  if (!free_memory || *free_memory >= kPlentyOfMemory) return {};
  MemoryTuning tuning;
  tuning.buffer_size = static_cast<std::int32_t>(*free_memory / kTunedConnections);
  if (tuning.buffer_size < kMinBufferSize) {
    tuning.buffer_size = kMinBufferSize;
    tuning.connections =
        std::max<std::int32_t>(1, static_cast<std::int32_t>(*free_memory / kMinBufferSize));
  }
  return tuning;
}

std::int32_t RefetchBufferSize(std::optional<std::uint64_t> free_memory) {
  if (!free_memory || *free_memory > static_cast<std::uint64_t>(kMaxBufferSize)) {
    return kMaxBufferSize;
  }
  return static_cast<std::int32_t>(*free_memory);
}

std::uint64_t TcpReceivedEstimate() {
  const std::optional<std::uint64_t> segments = TcpReceivedSegments();
  return segments ? *segments * kSegmentBytes : 0;
}

int DecideConnections(int n, std::uint64_t bytes, std::uint64_t tcp, std::int32_t tuned_connections,
                      ConnectionBaselines& baselines) {
  if (tcp == 0 || tcp == baselines.tcp) return 0;
  if (tcp < baselines.tcp) {
    // The counter restarted or wrapped: no measure this time, only a new start.
    baselines = {bytes, tcp};
    return 0;
  }
  const std::uint64_t d_tcp = tcp - baselines.tcp;
  const std::uint64_t d_bytes = bytes - baselines.bytes;
  int result = 0;
  if (d_bytes < d_tcp) {
    const double flow = static_cast<double>(d_bytes) / static_cast<double>(d_tcp);
    LogLine(kLogInfo, "[INFO] thread_cnt=[%d], flow_rate=[%.02f].", std::min(n, kMaxConnections),
            flow);
    if (flow > kGiveBackAbove) {
      result = n > tuned_connections ? -1 : 0;
    } else if (flow < kAddBelow && n < kMaxConnections) {
      result = 1;
    }
  }
  baselines = {bytes, tcp};
  return result;
}

bool IsBlockedRedirect(std::string_view text) {
  const auto has = [text](std::string_view part) { return text.find(part) != std::string_view::npos; };
  return has("disable.htm") && (has("10.") || has("192.") || has("172."));
}

}  // namespace ns_PLX
