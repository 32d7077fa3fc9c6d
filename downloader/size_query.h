#pragma once
// A download's own question for its file's size when host preparation did not learn it.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace ns_PLX {

struct SizeQuerySettings {
  std::int32_t attempts = 10;
  std::int32_t head_attempts = 6;  // then GETs, ended as soon as the headers are in
  std::chrono::microseconds pause{500};
  std::chrono::milliseconds connect_timeout{10000};
  std::chrono::milliseconds total_timeout{60000};
  std::string ca_file;  // empty: the system's roots
};

// The Content-Length of the URL's final 2xx response; 0 when no attempt learned it, or when
// `cancelled` turned true. `address`: pin the URL's host to it (empty: normal resolution).
std::int64_t QueryRemoteSize(const std::string& url, const std::string& address,
                             const SizeQuerySettings& settings,
                             const std::function<bool()>& cancelled);

}  // namespace ns_PLX
