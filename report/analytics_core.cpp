#include "report/analytics_core.h"

#include <chrono>
#include <exception>

#include "common/file_io.h"
#include "report/analytics_diagnostics.h"
#include "report/analytics_encoding.h"
#include "report/analytics_record.h"

namespace orb_analytics {
namespace {

// A staging file never holds more than 100 records; anything far larger is damage.
constexpr std::size_t kMaxStagingBytes = std::size_t{32} << 20;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

AnalyticsCore::AnalyticsCore(AnalyticsCoreSettings settings)
    : settings_(std::move(settings)), buffer_(settings_.capacity) {
  super_properties_.SetString("$lib", "cpp");
  super_properties_.SetString("$lib_version", kLibVersion);
}

bool AnalyticsCore::Init(const std::wstring& staging_path, const std::vector<std::string>& server_urls,
                         const std::string& distinct_id) {
  if (!CheckDistinctId(distinct_id)) return false;
  const std::lock_guard lock(init_mutex_);
  if (initialised_.load(std::memory_order_relaxed)) return true;
  staging_path_ = staging_path;
  server_urls_ = server_urls;
  distinct_id_ = distinct_id;
  initialised_.store(true, std::memory_order_release);
  return true;
}

void AnalyticsCore::RegisterSuperProperties(const PropertiesNode& properties) {
  const std::lock_guard lock(properties_mutex_);
  super_properties_.MergeFrom(properties);
}

void AnalyticsCore::Track(std::string_view event, const PropertiesNode& properties) {
  if (!Initialised()) return;
  std::optional<std::string> record;
  {
    const std::lock_guard lock(properties_mutex_);
    record = BuildRecord(distinct_id_, super_properties_, event, properties, NowMs());
  }
  if (!record) return;
  const std::lock_guard lock(buffer_mutex_);
  buffer_.Push(std::move(*record));
}

bool AnalyticsCore::LoadStagedLocked() {
  if (!pending_load_) return false;
  if (!buffer_.full()) {
    try {
      std::string text;
      std::wstring error;
      if (ReadWholeFile(staging_path_, text, error) && text.size() <= kMaxStagingBytes) {
        buffer_.PutFront(ParseStagingText(text));
      }
    } catch (const std::exception&) {
      // A file too large to hold is damage like any other: it is emptied below.
    }
  }
  std::wstring error;
  WriteWholeFile(staging_path_, {}, error);
  pending_load_ = false;
  return true;
}

void AnalyticsCore::LoadStagedIfPending() {
  if (!Initialised()) return;
  const std::lock_guard lock(buffer_mutex_);
  LoadStagedLocked();
}

bool AnalyticsCore::Flush() {
  const std::atomic<bool> never{false};
  return Flush(never);
}

bool AnalyticsCore::Flush(const std::atomic<bool>& abort) {
  if (!Initialised()) return false;
  const std::lock_guard flush_lock(flush_mutex_);
  std::vector<std::string> batch;
  {
    const std::lock_guard lock(buffer_mutex_);
    LoadStagedLocked();
    batch = buffer_.TakeFront(settings_.batch_size);
  }
  if (batch.empty()) return true;

  bool sent = false;
  try {
    const std::optional<std::string> body = EncodeBatchBody(batch);
    if (body) {
      const SendResult result = PostBatch(server_urls_, *body, settings_.send, abort);
      sent = result.sent;
      if (!sent) Diagnostic("OrbAnalytics SDK send failed: " + result.answer);
    }
  } catch (const std::exception& e) {
    Diagnostic("Exception when flush failed: (" + std::string(e.what()) + ") ");
  }
  if (!sent) {
    const std::lock_guard lock(buffer_mutex_);
    buffer_.PutFront(std::move(batch));
  }
  return sent;
}

void AnalyticsCore::Shutdown() {
  if (!Initialised()) return;
  try {
    std::string text;
    {
      const std::lock_guard lock(buffer_mutex_);
      // A run that never flushed has not read the staging file yet: writing the buffer
      // alone would wipe the previous run's records.
      LoadStagedLocked();
      text = FormatStagingText(buffer_.Records());
    }
    std::wstring error;
    WriteWholeFile(staging_path_, text, error);
  } catch (const std::exception&) {
    // Runs at process exit: nothing may escape, the records are lost.
  }
}

bool AnalyticsCore::BufferEmpty() const {
  const std::lock_guard lock(buffer_mutex_);
  return buffer_.empty();
}

std::vector<std::string> AnalyticsCore::BufferedRecords() const {
  const std::lock_guard lock(buffer_mutex_);
  return buffer_.Records();
}

}  // namespace orb_analytics
