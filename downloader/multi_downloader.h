#pragma once
// One package file fetched over many parallel byte ranges into a hidden temporary file
// (target + ".~P2S"), resumable through a record kept after the file's data, verified by
// size and MD5 and renamed into place. Everything it learns goes to the observer as events.
//
//   CMultiDownloader download;             // or with MultiDownloaderSettings for tests
//   download.SetObserver(&observer);
//   download.SetServerMd5(md5_text);
//   download.StartDownload(task_id, url_utf8, folder_utf8);
//   ... events arrive on the download thread, kEventFinished last
//   download.Cancel();                      // ends with status 13; the destructor waits
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "downloader/address_table.h"
#include "downloader/download_event.h"
#include "downloader/file_writer.h"
#include "downloader/range_downloader.h"
#include "downloader/resume_record.h"
#include "downloader/temp_file.h"
#include "downloader/tuning.h"

namespace ns_PLX {

class CHostTable;

// The product always runs with these defaults; tests shorten them.
struct MultiDownloaderSettings {
  std::chrono::milliseconds monitor_interval{200};
  std::chrono::milliseconds attempt_pause{5000};
  std::int32_t attempts = 10;
  std::int32_t refresh_attempt = 5;  // host resolved afresh, range mode back on
  std::int64_t record_interval = 30 * 1024 * 1024;  // progress between resume-record saves
  std::int32_t size_query_attempts = 10;
  std::int32_t size_query_head_attempts = 6;  // later size queries are GETs
  std::chrono::microseconds size_query_pause{500};
  // Record removal and rename: try n waits n units after a failure.
  std::int32_t file_op_tries = 15;
  std::chrono::milliseconds file_op_pause_unit{1000};
  // A failed range's lineage waits this long before its re-fetch, doubling per failure
  // without progress up to the maximum.
  std::chrono::milliseconds refetch_pause_min{100};
  std::chrono::milliseconds refetch_pause_max{5000};
  RangeSettings range;  // also the size query's connect timeout and trusted roots
  // Null: ProcessHostTable().
  CHostTable* hosts = nullptr;
  // Empty: FreePhysicalMemory().
  std::function<std::optional<std::uint64_t>()> free_memory;
};

// ⌈size ÷ n⌉-byte ranges [first, last] for a fresh download; a file smaller than `n` gives
// ranges that start past its end (the server refuses them, which turns range mode off).
std::vector<ResumePair> PlanRanges(std::int64_t file_size, std::int32_t connections);

class CMultiDownloader : public IFileWriter {
 public:
  explicit CMultiDownloader(MultiDownloaderSettings settings = {});
  // Cancels, then waits for the download thread and any resume-record writer.
  ~CMultiDownloader() override;
  CMultiDownloader(const CMultiDownloader&) = delete;
  CMultiDownloader& operator=(const CMultiDownloader&) = delete;

  // Before StartDownload. Not owned; must outlive the download thread.
  void SetObserver(IObserver* observer);
  // Stored in upper case; it may list several digests. Before StartDownload.
  void SetServerMd5(const std::string& md5);
  // Only logged.
  void SetVersionText(const std::string& version);
  // `url` and `save_folder` in UTF-8; a missing trailing separator is added to the folder.
  // Starts the download thread; false only when it is already started or no thread can be
  // had (an event kFinished still follows in neither case).
  bool StartDownload(std::int32_t task_id, const std::string& url, const std::string& save_folder);
  // Any thread, any time: the download ends with status 13 and keeps its resume record.
  void Cancel();
  // A running download has nothing paused: logged only.
  void Resume();
  // Cleared by a silent cancel: no event is sent afterwards.
  void SetEventsEnabled(bool enabled);

  // IFileWriter: every range stores through here. Returns the bytes stored (all or 0).
  std::int64_t Write(std::int64_t offset, std::int64_t length, const char* data) override;

  // Thread-safe readers.
  std::int32_t TaskId() const { return task_id_.load(); }
  std::int64_t FileSize() const { return file_size_.load(); }
  std::int64_t DownloadedTotal() const;  // cached + received by every range
  std::int64_t StartTime() const { return start_time_.load(); }  // of the current attempt
  std::int32_t Attempt() const { return attempt_.load(); }
  std::int32_t Status() const { return status_.load(); }
  bool IsFinished() const { return finished_.load(); }  // kEventFinished was sent (or due)
  std::string Url() const;
  std::string SaveFolder() const;  // ends with the platform separator
  std::string FileName() const;
  std::wstring TargetPath() const;
  std::wstring TempPath() const;  // TargetPath() + L".~P2S"

 private:
  struct RangeSlot;
  class HostJob;

  // Download thread.
  void Run();
  void RunSteps();
  void RunAttempts();
  bool Cancelled() const { return cancelled_.load(); }
  void RequestCancel();
  // Waits up to `pause`; false when a cancel ended the wait.
  bool Pause(std::chrono::steady_clock::duration pause);
  // Host preparation on a thread of its own, so that a cancel need not wait for it; false
  // when a cancel came first. Otherwise its events are sent and its addresses taken.
  bool PrepareHostUnlessCancelled(bool refresh, std::int64_t& file_size);
  bool AlreadyDownloaded();
  bool PrepareRanges();
  bool ResumeFromRecord();
  bool StartFresh();
  bool CreateTempFile();
  bool OpenTempFile();
  void CloseTempFile();
  bool StartRange(std::int64_t start, std::int64_t end, std::int32_t buffer_size,
                  const std::string& address, std::chrono::milliseconds lineage_pause);
  std::unique_ptr<CRangeDownloader> MakeRange(std::int64_t start, std::int64_t end,
                                              std::int32_t buffer_size, const std::string& address);
  bool LaunchRange(std::unique_ptr<RangeSlot> slot);
  void Monitor();
  bool HandleFinishedRange(RangeSlot& slot);
  bool WillRefetch(const RangeSlot& slot) const;
  void SetReplaced(RangeSlot& slot, bool replaced);
  std::chrono::milliseconds RefetchPause(const RangeSlot& slot) const;
  bool Split(const std::string& address);
  void ReportProgress();
  bool AttemptComplete();
  std::vector<ResumePair> CollectRecord();
  void WriteRecord();
  void StartRecordWriter();
  void JoinRecordWriter();
  void RemoveRecord();
  bool CheckFileSize();
  bool CheckDigest(const std::wstring& path, bool with_events);
  bool RenameToTarget();
  void DestroyRanges();
  std::optional<std::uint64_t> FreeMemory() const;
  std::int64_t ReceivedSum() const;
  std::int64_t WriteBlock(std::int64_t offset, std::int64_t length, const char* data, bool set_end);
  void Send(std::unique_ptr<DownloadEvent> event);

  const MultiDownloaderSettings settings_;
  CHostTable& hosts_;

  // Set before the download thread starts; read-only afterwards.
  IObserver* observer_ = nullptr;
  std::string expected_md5_;
  std::string version_text_;

  mutable std::mutex text_mutex_;
  std::string url_;           // guarded by text_mutex_
  std::string save_folder_;   // guarded by text_mutex_
  std::string file_name_;     // guarded by text_mutex_
  std::wstring target_path_;  // guarded by text_mutex_

  std::atomic<std::int32_t> task_id_{0};
  std::atomic<std::int32_t> attempt_{0};
  std::atomic<std::int32_t> status_{kStatusOk};
  std::atomic<bool> events_enabled_{true};
  std::atomic<bool> finished_{false};
  std::atomic<std::int64_t> file_size_{0};
  std::atomic<std::int64_t> cached_{0};
  std::atomic<std::int64_t> start_time_{0};

  // Download thread only (cached_parts_ is also read by the record writer, which runs only
  // while it does not change).
  std::int64_t end_time_ = 0;
  std::int64_t last_reported_total_ = -1;
  std::int64_t last_save_point_ = 0;
  AddressTable addresses_;
  bool range_mode_ = true;
  bool single_stream_ = false;  // this attempt fetches the file as one stream
  std::int32_t connections_ = kTunedConnections;
  std::int32_t buffer_size_ = kMaxBufferSize;
  ConnectionBaselines baselines_;
  std::vector<ResumePair> cached_parts_;  // bytes on disk when the attempt resumed

  // Cancel: set once, under range_mutex_ so that no range starts after it.
  std::atomic<bool> cancelled_{false};
  std::mutex wake_mutex_;
  std::condition_variable wake_;  // signalled by Cancel and a finished host job
  // The last host preparation; the destructor waits for its thread. Download thread only.
  std::unique_ptr<HostJob> host_job_;

  mutable std::mutex range_mutex_;
  std::vector<std::unique_ptr<RangeSlot>> ranges_;  // guarded by range_mutex_

  std::mutex file_mutex_;
  TempFileHandle file_;  // guarded by file_mutex_

  std::mutex writer_mutex_;
  std::thread record_writer_;  // guarded by writer_mutex_ (joined by the download thread)

  std::thread thread_;  // last: it starts after everything above exists
};

}  // namespace ns_PLX
