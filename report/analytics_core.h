#pragma once
// The analytics core: turns events into records, keeps up to 100 unsent ones, sends them
// in batches and stages the rest for the next run. One per process in the program (the
// facade owns it); tests make their own.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "report/analytics_buffer.h"
#include "report/analytics_sender.h"
#include "report/analytics_value.h"

namespace orb_analytics {

struct AnalyticsCoreSettings {
  std::size_t capacity = kBufferCapacity;
  std::size_t batch_size = 30;
  SendSettings send;
};

class AnalyticsCore {
 public:
  explicit AnalyticsCore(AnalyticsCoreSettings settings = {});
  AnalyticsCore(const AnalyticsCore&) = delete;
  AnalyticsCore& operator=(const AnalyticsCore&) = delete;

  // False when the distinct id is empty or longer than 255 characters. The first
  // successful call fixes the state; later calls keep it and answer true.
  bool Init(const std::wstring& staging_path, const std::vector<std::string>& server_urls,
            const std::string& distinct_id);
  bool Initialised() const { return initialised_.load(std::memory_order_acquire); }

  void RegisterSuperProperties(const PropertiesNode& properties);
  // Builds the record and buffers it; nothing before Init or for a dropped event.
  void Track(std::string_view event, const PropertiesNode& properties);
  // The staging file's records in front of the buffer, once per run.
  void LoadStagedIfPending();
  // Sends the oldest batch; true when it went out or there was nothing to send. A failed
  // or aborted send puts the batch back.
  bool Flush(const std::atomic<bool>& abort);
  bool Flush();
  // Writes every buffered record to the staging file, replacing its content.
  void Shutdown();

  bool BufferEmpty() const;
  std::vector<std::string> BufferedRecords() const;

 private:
  bool LoadStagedLocked();

  const AnalyticsCoreSettings settings_;

  // Written by the first successful Init before initialised_ is published; read-only after.
  std::wstring staging_path_;
  std::vector<std::string> server_urls_;
  std::string distinct_id_;
  std::mutex init_mutex_;  // serialises Init
  std::atomic<bool> initialised_{false};

  mutable std::mutex properties_mutex_;
  PropertiesNode super_properties_;  // guarded by properties_mutex_

  mutable std::mutex buffer_mutex_;
  RecordBuffer buffer_;        // guarded by buffer_mutex_
  bool pending_load_ = true;   // guarded by buffer_mutex_

  std::mutex flush_mutex_;  // held for one whole Flush
};

}  // namespace orb_analytics
