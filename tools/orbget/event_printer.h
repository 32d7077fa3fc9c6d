#pragma once
// Prints every callback as one line: the method's name, then its arguments, separated by
// spaces ("OnProgress 1 52428800 104857600 31457280"), flushed at once. Remembers the
// task's end.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "downloader/downloader_callback.h"

namespace orbget {

class EventPrinter final : public ns_PLX::IDownloaderManagerCallBack {
 public:
  explicit EventPrinter(std::FILE* out) : out_(out) {}

  // Waits until the task ended or `interrupted()` turns true when woken by Wake().
  // Returns the final status once there is one.
  template <class Predicate>
  std::optional<std::int32_t> WaitForEnd(Predicate interrupted) {
    std::unique_lock lock(mutex_);
    end_changed_.wait(lock, [&] { return final_status_.has_value() || interrupted(); });
    return final_status_;
  }
  void Wake();

  void OnFileName(std::int32_t task_id, const std::wstring& file_name) override;
  void OnFileSize(std::int32_t task_id, std::int64_t size) override;
  void OnProgress(std::int32_t task_id, std::int64_t downloaded, std::int64_t file_size,
                  std::int32_t speed) override;
  void OnSucceeded(std::int32_t task_id) override;
  void OnFailed(std::int32_t task_id, std::int32_t status) override;
  void OnRangeEvent(std::int32_t task_id, std::int32_t range_id, std::int32_t sub_kind,
                    std::int64_t value) override;
  void OnStarted(std::int32_t task_id) override;
  void OnRangeAddress(std::int32_t task_id, const std::string& address) override;
  void OnAttempt(std::int32_t task_id, std::int32_t attempt) override;
  void OnAttemptEnd(std::int32_t task_id, std::int32_t attempt, std::int32_t status) override;
  void OnFileDigest(std::int32_t task_id, const std::string& digest) override;
  void OnDigestMatched(std::int32_t task_id) override;
  void OnFileError(std::int32_t task_id, std::int32_t error_kind, std::int32_t system_error) override;
  void OnHostFailed(std::int32_t task_id, std::int32_t value) override;
  void OnHostRefreshed(std::int32_t task_id, std::int32_t status) override;
  void OnHostAddresses(std::int32_t task_id, const std::string& host,
                       const std::string& addresses) override;
  void OnThreadBegin(std::int32_t task_id) override;
  void OnTuning(std::int32_t task_id, std::int32_t connections, std::int32_t buffer_size) override;

 private:
  void Print(const std::string& line);
  void End(std::int32_t status);

  std::FILE* const out_;
  std::mutex mutex_;                          // guards the output and final_status_
  std::condition_variable end_changed_;
  std::optional<std::int32_t> final_status_;  // set by OnSucceeded / OnFailed
};

}  // namespace orbget
