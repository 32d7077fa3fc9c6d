#pragma once
// What the download engine tells its user, one method per event kind, and the snapshot
// QueryTask fills. Every method runs on the task's own download thread, concurrently with
// the caller's threads and with other tasks.
#include <cstdint>
#include <string>

namespace ns_PLX {

class IDownloaderManagerCallBack {
 public:
  virtual void OnFileName(std::int32_t task_id, const std::wstring& file_name) = 0;
  // Sign-extended from the event's 32-bit value: files of 2 GiB and more arrive negative
  // here; OnProgress carries the true size.
  virtual void OnFileSize(std::int32_t task_id, std::int64_t size) = 0;
  virtual void OnProgress(std::int32_t task_id, std::int64_t downloaded, std::int64_t file_size,
                          std::int32_t speed) = 0;
  virtual void OnSucceeded(std::int32_t task_id) = 0;
  virtual void OnFailed(std::int32_t task_id, std::int32_t status) = 0;
  virtual void OnRangeEvent(std::int32_t task_id, std::int32_t range_id, std::int32_t sub_kind,
                            std::int64_t value) = 0;
  virtual void OnStarted(std::int32_t task_id) = 0;
  virtual void OnRangeAddress(std::int32_t task_id, const std::string& address) = 0;
  virtual void OnAttempt(std::int32_t task_id, std::int32_t attempt) = 0;
  virtual void OnAttemptEnd(std::int32_t task_id, std::int32_t attempt, std::int32_t status) = 0;
  virtual void OnFileDigest(std::int32_t task_id, const std::string& digest) = 0;
  virtual void OnDigestMatched(std::int32_t task_id) = 0;
  virtual void OnFileError(std::int32_t task_id, std::int32_t error_kind,
                           std::int32_t system_error) = 0;
  virtual void OnHostFailed(std::int32_t task_id, std::int32_t value) = 0;
  virtual void OnHostRefreshed(std::int32_t task_id, std::int32_t status) = 0;
  virtual void OnHostAddresses(std::int32_t task_id, const std::string& host,
                               const std::string& addresses) = 0;
  virtual void OnThreadBegin(std::int32_t task_id) = 0;
  virtual void OnTuning(std::int32_t task_id, std::int32_t connections,
                        std::int32_t buffer_size) = 0;

 protected:
  // Never deleted through the interface; keeps the 18 methods the only virtual slots.
  ~IDownloaderManagerCallBack() = default;
};

struct DownloadTaskInfo {
  std::int32_t task_id = 0;
  std::int64_t file_size = -1;   // -1 until the size and a first total are known
  std::int64_t downloaded = -1;  // -1 likewise
  std::int32_t speed = 0;        // bytes per second over the current attempt
  std::wstring url;
  std::wstring save_folder;
  std::wstring file_name;
};

}  // namespace ns_PLX
