#pragma once
// Running one CMultiDownloader against real servers and recording what it reports.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "downloader/download_event.h"
#include "downloader/host_table.h"
#include "downloader/multi_downloader.h"

namespace orbtest {

// A copy of one event, its payload read as its kind says.
struct SeenEvent {
  std::int32_t kind = 0;
  std::int32_t task_id = 0;
  std::int64_t value = 0;  // data as a value, or the pointed-to number
  std::int32_t value1 = 0;
  std::int32_t value2 = 0;
  std::string text;      // narrow or wide text (as UTF-8)
  std::int64_t file_size = 0;   // progress
  std::int64_t downloaded = 0;  // progress
};

class RecordingObserver : public ns_PLX::IObserver {
 public:
  void OnEvent(ns_PLX::DownloadEvent* event, std::uintptr_t wparam) override;

  // Waits for kEventFinished; its status, or nothing after `timeout`.
  std::optional<std::int32_t> WaitFinished(std::chrono::seconds timeout = std::chrono::seconds(120));
  // Waits until an event satisfies `pred` (checked on every event).
  template <class Pred>
  bool WaitFor(Pred pred, std::chrono::seconds timeout = std::chrono::seconds(60)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      for (const SeenEvent& event : events_) {
        if (pred(event)) return true;
      }
      return false;
    });
  }
  std::vector<SeenEvent> Events() const;
  std::vector<std::int32_t> Kinds() const;
  std::vector<SeenEvent> OfKind(std::int32_t kind) const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<SeenEvent> events_;  // guarded by mutex_
};

// Settings that keep a test short; the product's defaults otherwise.
ns_PLX::MultiDownloaderSettings QuickSettings(ns_PLX::CHostTable& hosts);

// The free-memory reading that makes TuneForMemory choose `connections` connections of
// 1 MiB buffers (below 24).
std::uint64_t MemoryForConnections(int connections);

// MD5 of /gen/<size> as upper-case hexadecimal.
std::string GenMd5(std::uint64_t size, bool upper = true);

std::string ReadFile(const std::filesystem::path& path);

// The Range header's "a-b" / "a-" without "bytes=".
std::string RangeOf(const std::string& header);

class TestServer;
// The Range values of the GET requests for `path`, in order (RangeOf form).
std::vector<std::string> GetRanges(const TestServer& server, const std::string& path);

}  // namespace orbtest
