#include "tests/downloader/multi_harness.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "common/md5.h"
#include "common/text_convert.h"
#include "tests/support/test_server.h"

namespace orbtest {

void RecordingObserver::OnEvent(ns_PLX::DownloadEvent* raw, std::uintptr_t) {
  const std::unique_ptr<ns_PLX::DownloadEvent> event(raw);
  SeenEvent seen;
  seen.kind = event->kind;
  seen.task_id = event->task_id;
  seen.value1 = event->value1;
  seen.value2 = event->value2;
  if (const std::int32_t* number = event->NumberPointer()) {
    seen.value = *number;
  } else if (const char* text = event->Text()) {
    seen.text = text;
  } else if (const wchar_t* wide = event->WideText()) {
    seen.text = WideToUtf8(wide);
  } else if (const ns_PLX::DownloadProgress* progress = event->Progress()) {
    seen.file_size = progress->file_size;
    seen.downloaded = progress->downloaded;
  } else {
    seen.value = event->Value();
  }
  {
    const std::lock_guard lock(mutex_);
    events_.push_back(std::move(seen));
  }
  changed_.notify_all();
}

std::optional<std::int32_t> RecordingObserver::WaitFinished(std::chrono::seconds timeout) {
  std::optional<std::int32_t> status;
  WaitFor(
      [&](const SeenEvent& event) {
        if (event.kind != ns_PLX::kEventFinished) return false;
        status = static_cast<std::int32_t>(event.value);
        return true;
      },
      timeout);
  return status;
}

std::vector<SeenEvent> RecordingObserver::Events() const {
  const std::lock_guard lock(mutex_);
  return events_;
}

std::vector<std::int32_t> RecordingObserver::Kinds() const {
  std::vector<std::int32_t> kinds;
  for (const SeenEvent& event : Events()) kinds.push_back(event.kind);
  return kinds;
}

std::vector<SeenEvent> RecordingObserver::OfKind(std::int32_t kind) const {
  std::vector<SeenEvent> out;
  for (const SeenEvent& event : Events()) {
    if (event.kind == kind) out.push_back(event);
  }
  return out;
}

ns_PLX::MultiDownloaderSettings QuickSettings(ns_PLX::CHostTable& hosts) {
  ns_PLX::MultiDownloaderSettings settings;
  settings.monitor_interval = std::chrono::milliseconds(50);
  settings.attempt_pause = std::chrono::milliseconds(100);
  settings.attempts = 3;
  settings.file_op_tries = 3;
  settings.file_op_pause_unit = std::chrono::milliseconds(5);
  settings.refetch_pause_min = std::chrono::milliseconds(20);
  settings.refetch_pause_max = std::chrono::milliseconds(200);
  settings.range.stall_timeout = std::chrono::milliseconds(1500);
  settings.range.connect_timeout = std::chrono::milliseconds(5000);
  settings.hosts = &hosts;
  settings.free_memory = [] { return std::optional<std::uint64_t>(MemoryForConnections(4)); };
  return settings;
}

std::uint64_t MemoryForConnections(int connections) {
  return static_cast<std::uint64_t>(connections) * 1024 * 1024 + 1024;
}

std::string GenMd5(std::uint64_t size, bool upper) {
  return Md5Hex(GenBytes(0, static_cast<std::size_t>(size)), upper);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RangeOf(const std::string& header) {
  const std::string prefix = "bytes=";
  return header.rfind(prefix, 0) == 0 ? header.substr(prefix.size()) : header;
}

std::vector<std::string> GetRanges(const TestServer& server, const std::string& path) {
  std::vector<std::string> ranges;
  for (const auto& request : server.Requests(path)) {
    if (request.method == "GET") ranges.push_back(RangeOf(request.range));
  }
  return ranges;
}

}  // namespace orbtest
