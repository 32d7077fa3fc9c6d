#include "report/tracking_summary.h"

#include <algorithm>

namespace {

constexpr std::int32_t kKindCommon = 0;
constexpr std::int32_t kKindDependent = 1;
constexpr std::int32_t kKindProduct = 2;

// Whole seconds from start to end; 0 unless the start is positive and the end later.
std::int64_t Span(std::int64_t start, std::int64_t end) {
  return start > 0 && end > start ? end - start : 0;
}

}  // namespace

bool SummarizeTasks(CTrackingStore& store, const std::vector<SummaryTask>& tasks, bool fork_mode,
                    std::int64_t now) {
  for (const SummaryTask& task : tasks) {
    const bool reported = task.kind == kKindProduct || (fork_mode && task.kind == kKindDependent);
    if (reported) {
      // Several qualifying tasks: the last one in list order wins.
      store.SetProperty("packagesize", task.package_size);
      store.SetProperty("downstart", task.down_start);
      store.SetProperty("downend", task.down_end);
      store.SetProperty("installstart", task.install_start);
      store.SetProperty("installend", task.install_end);
      store.SetProperty("downstatus", task.down_state);
      store.SetProperty("downcode", task.down_code);
      store.SetProperty("installstatus", task.install_state);
      store.SetProperty("installcode", task.install_code);
      store.SetProperty("downspeed", task.last_speed);
      store.SetProperty("prodcutver", std::wstring_view(task.file_version));
      store.SetProperty("xmlprodcutver", std::wstring_view(task.expected_version));
    }
    if (task.kind == kKindCommon && task.product_id == kDotNetProductId) {
      store.SetProperty("dotnetdownstate", task.down_state);
      store.SetProperty("dotnetinstallstate", task.install_state);
      store.SetProperty("dotnetdowncode", task.down_code);
      store.SetProperty("dotnetinstallcode", task.install_code);
    }
    if (!fork_mode && task.kind == kKindDependent) {
      store.SetDependentDownloadTimes(task.product_id, task.down_start, task.down_end);
      store.SetDependentInstallTimes(task.product_id, task.install_start, task.install_end);
    }
  }

  std::int64_t down_start = 0, down_end = 0, install_start = 0, install_end = 0, bytes = 0;
  for (const SummaryTask& task : tasks) {
    if (task.down_start > 0 && (down_start == 0 || task.down_start < down_start)) {
      down_start = task.down_start;
    }
    if (task.install_start > 0 && (install_start == 0 || task.install_start < install_start)) {
      install_start = task.install_start;
    }
    // A task that started and has not ended yet runs until now.
    down_end = std::max(down_end, task.down_start > 0 && task.down_end == 0 ? now : task.down_end);
    install_end = std::max(
        install_end, task.install_start > 0 && task.install_end == 0 ? now : task.install_end);
    bytes += task.downloaded_bytes;
  }

  const std::int64_t down_time = Span(down_start, down_end);
  store.SetProperty("downtime", down_time);
  store.SetProperty("installtime", Span(install_start, install_end));
  store.SetProperty("downspeed", down_time != 0 ? bytes / down_time : std::int64_t{0});
  return !tasks.empty();
}
