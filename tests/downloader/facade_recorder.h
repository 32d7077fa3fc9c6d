#pragma once
// A callback that writes each call down as one line ("OnFailed 1 13") and lets a test wait
// for lines; and the reader of the resume record a cancelled download leaves behind.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "downloader/downloader_callback.h"

namespace orbtest {

class EventRecorder : public ns_PLX::IDownloaderManagerCallBack {
 public:
  // Runs inside every call, after the line is recorded, on the calling download thread.
  std::function<void(const std::string& line)> on_line;

  std::vector<std::string> Lines() const;
  std::vector<std::string> LinesOf(std::int32_t task_id) const;
  std::size_t Count() const;
  // Waits until a line starting with `prefix` has been recorded.
  bool WaitFor(const std::string& prefix, std::chrono::milliseconds timeout = std::chrono::seconds(60));
  bool Has(const std::string& prefix) const;

  void OnFileName(std::int32_t id, const std::wstring& file_name) override;
  void OnFileSize(std::int32_t id, std::int64_t size) override;
  void OnProgress(std::int32_t id, std::int64_t downloaded, std::int64_t file_size,
                  std::int32_t speed) override;
  void OnSucceeded(std::int32_t id) override;
  void OnFailed(std::int32_t id, std::int32_t status) override;
  void OnRangeEvent(std::int32_t id, std::int32_t range_id, std::int32_t sub_kind,
                    std::int64_t value) override;
  void OnStarted(std::int32_t id) override;
  void OnRangeAddress(std::int32_t id, const std::string& address) override;
  void OnAttempt(std::int32_t id, std::int32_t attempt) override;
  void OnAttemptEnd(std::int32_t id, std::int32_t attempt, std::int32_t status) override;
  void OnFileDigest(std::int32_t id, const std::string& digest) override;
  void OnDigestMatched(std::int32_t id) override;
  void OnFileError(std::int32_t id, std::int32_t error_kind, std::int32_t system_error) override;
  void OnHostFailed(std::int32_t id, std::int32_t value) override;
  void OnHostRefreshed(std::int32_t id, std::int32_t status) override;
  void OnHostAddresses(std::int32_t id, const std::string& host, const std::string& addresses) override;
  void OnThreadBegin(std::int32_t id) override;
  void OnTuning(std::int32_t id, std::int32_t connections, std::int32_t buffer_size) override;

 private:
  void Add(std::string line);

  mutable std::mutex mutex_;
  std::condition_variable added_;
  std::vector<std::string> lines_;  // guarded by mutex_
};

// The pairs (next byte, last byte) of the resume record at the end of `temp_file`, whose
// data part is `file_size` bytes; nullopt when the file carries no well-formed record.
std::optional<std::vector<std::pair<std::int64_t, std::int64_t>>> ReadResumeRecord(
    const std::filesystem::path& temp_file, std::int64_t file_size);

// Polls `condition` every 20 ms until it holds or `timeout` passes.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(60));

// MD5 of a file's bytes, lower case; empty when it cannot be read.
std::string FileMd5(const std::filesystem::path& file);

}  // namespace orbtest
