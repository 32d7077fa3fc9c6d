#pragma once
// The end-of-run summary of the task list, copied into the tracking store before the
// report goes out. The installation manager hands over its tasks' facts as plain values.
#include <cstdint>
#include <string>
#include <vector>

#include "report/tracking_store.h"

// One download task's facts (kind 0 common, 1 dependent, 2 product).
struct SummaryTask {
  std::int32_t kind = 0;
  std::int32_t product_id = 0;
  std::int64_t package_size = 0;
  std::int64_t down_start = 0;  // seconds since 1970, 0 when not started
  std::int64_t down_end = 0;
  std::int64_t install_start = 0;
  std::int64_t install_end = 0;
  std::int32_t down_state = 0;
  std::int32_t down_code = 0;
  std::int32_t install_state = 0;
  std::int32_t install_code = 0;
  std::int64_t last_speed = 0;
  std::int64_t downloaded_bytes = 0;
  std::wstring file_version;      // of the downloaded package
  std::wstring expected_version;  // the version the configuration expects
};

inline constexpr std::int32_t kDotNetProductId = 9876;

// Sets the summary properties (and, outside fork mode, the dependents' times) from
// `tasks`; `now` stands in for an end that has not come yet. True when there are tasks.
bool SummarizeTasks(CTrackingStore& store, const std::vector<SummaryTask>& tasks, bool fork_mode,
                    std::int64_t now);
