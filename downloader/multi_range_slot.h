#pragma once
// One range of a download as the download keeps it (internal to CMultiDownloader).
#include <chrono>
#include <memory>
#include <optional>

#include "downloader/multi_downloader.h"
#include "downloader/range_downloader.h"

namespace ns_PLX {

struct CMultiDownloader::RangeSlot {
  std::unique_ptr<CRangeDownloader> range;  // set before the slot joins the list
  // The pause its lineage waited before this transfer: re-fetches after failures without a
  // byte of progress wait twice as long each time.
  std::chrono::milliseconds lineage_pause{0};
  // A re-fetch has taken over its missing bytes. Guarded by the range-list mutex.
  bool replaced = false;
  // When a failed range may be fetched again (set when the monitor first sees it).
  // Download thread only.
  std::optional<std::chrono::steady_clock::time_point> refetch_at;
};

}  // namespace ns_PLX
