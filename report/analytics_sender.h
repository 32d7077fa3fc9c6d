#pragma once
// Posts one encoded batch to the collectors, in order, until one answers 200.
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace orb_analytics {

inline constexpr const char* kUserAgent = "OrbAnalytics CPP SDK 0.8";

struct SendSettings {
  // Per collector URL, for the whole exchange.
  std::chrono::milliseconds timeout{3000};
  // Trusted roots instead of the system's (tests); empty: the system's.
  std::string ca_file;
};

struct SendResult {
  bool sent = false;
  bool aborted = false;
  // The last collector's reply body, or the transfer library's error text.
  std::string answer;
};

// Certificate and host-name checks stay on. `abort` is watched during every transfer: once
// it is set the transfer ends within moments and no further URL is tried.
SendResult PostBatch(const std::vector<std::string>& urls, const std::string& body,
                     const SendSettings& settings, const std::atomic<bool>& abort);

}  // namespace orb_analytics
