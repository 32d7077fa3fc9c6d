#pragma once
// One byte range of a package file, fetched by one libcurl transfer on a thread of its own
// and stored through the owner's IFileWriter in large blocks.
//
//   CRangeDownloader range;
//   range.Init(url, start, end, address, target);   // address: pin the host, or ""
//   range.SetFileSize(size); range.SetBufferSize(buffer); range.SetWriter(&file);
//   range.Start();
//   ... poll Status() until it is final: kRangeCancelled, kRangeSucceeded, kRangeFailed
//
// The counters say exactly what reached the writer: after the transfer, Received() ==
// Saved(), and NextOffset() is the first byte that still has to be fetched.
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "downloader/curl_handles.h"
#include "downloader/file_writer.h"

namespace ns_PLX {

enum RangeStatus : std::int32_t {
  kRangeCreated = -1,
  kRangeRunning = 1,
  kRangeCancelled = 3,
  kRangeSucceeded = 4,
  kRangeFailed = 5,
};

// The product always runs with these defaults; tests shorten them.
struct RangeSettings {
  // Once data has arrived, a pause longer than this fails the range.
  std::chrono::milliseconds stall_timeout{10000};
  std::chrono::milliseconds connect_timeout{10000};
  // Below `low_speed_limit` bytes per second for `low_speed_time` aborts the transfer (also
  // before the first byte).
  long low_speed_limit = 1;
  std::chrono::seconds low_speed_time{60};
  long max_redirects = 10;
  // Trusted roots instead of the system's (a test's own authority); empty: the system's.
  std::string ca_file;
  // Zero-filled memory for the range's buffer; null when there is none. Empty: the heap.
  std::function<std::unique_ptr<char[]>(std::size_t)> allocate_buffer;
};

class CRangeDownloader {
 public:
  static constexpr std::int32_t kDefaultBufferSize = 5 * 1024 * 1024;
  // Offsets and sizes above this are refused, so that no count can overflow.
  static constexpr std::int64_t kMaxOffset = std::int64_t{1} << 62;

  explicit CRangeDownloader(RangeSettings settings = {});
  // Cancels a running transfer and waits for its thread.
  ~CRangeDownloader();
  CRangeDownloader(const CRangeDownloader&) = delete;
  CRangeDownloader& operator=(const CRangeDownloader&) = delete;

  // `end` is the last byte (inclusive); negative: to the end of the file. `address` is a
  // dotted IPv4 address the URL's host is pinned to, or empty. False, after logging, when no
  // handle could be made, for a start or end out of 0..kMaxOffset, a malformed address, or a
  // second call.
  bool Init(const std::string& url, std::int64_t start, std::int64_t end,
            const std::string& address, const std::wstring& target_path);

  // Before Start only; later calls and sizes out of 0..kMaxOffset are ignored (false).
  bool SetFileSize(std::int64_t file_size);
  bool SetBufferSize(std::int32_t buffer_size);  // at least 1 byte
  // Not owned; must outlive the transfer (until Status() is final).
  bool SetWriter(IFileWriter* writer);

  // Only once, after a successful Init. Launches the transfer thread.
  bool Start();
  // A running transfer stops at its next progress check; what sits in the buffer is
  // written first. The status turns kRangeCancelled once the thread is done.
  void Cancel();
  // Lowers the last byte of a range that has not ended (a split): bytes past it are not
  // stored and stop counting. False unless range start <= `new_end` < effective end.
  bool ShortenEnd(std::int64_t new_end);

  // kRangeCreated, then kRangeRunning from Start until the transfer thread has finished
  // all its work; only then the final status shows, and with it every value below.
  std::int32_t Status() const { return published_status_.load(std::memory_order_acquire); }
  std::int64_t Received() const;  // bytes taken from the network for this range
  std::int64_t Saved() const;     // bytes the writer stored
  std::int64_t RangeStart() const { return range_start_; }
  std::int64_t RangeEnd() const { return range_end_.load(); }  // as given, may be negative
  std::int64_t EffectiveEnd() const;
  std::int64_t Remaining() const;
  std::int64_t NextOffset() const { return range_start_ + Saved(); }
  const std::string& Url() const { return url_; }
  const std::string& Host() const { return host_; }
  const std::string& Address() const { return address_; }
  const std::wstring& TargetPath() const { return target_path_; }
  double Speed() const { return speed_.load(); }  // bytes per second, at the last status change
  std::int64_t StartTime() const { return start_time_.load(); }
  std::int64_t EndTime() const { return end_time_.load(); }
  std::int64_t FileSize() const { return file_size_; }
  std::int32_t BufferSize() const { return buffer_size_; }

  // Valid once Status() is final.
  std::int32_t TransferResult() const { return transfer_result_.load(); }
  std::int32_t ResponseCode() const { return response_code_.load(); }
  // The final URL after redirects when it differs from the URL; empty otherwise.
  std::string EffectiveUrl() const;
  // The server does not serve byte ranges: it answered 416, or answered a range that
  // does not start at byte 0 with the file from its first byte (or a range other than the
  // one asked for). Nothing of that answer was written. The owner turns range mode off.
  bool RangesUnsupported() const;

  // The owner's mark that it has handled the transfer's end.
  bool Reported() const { return reported_.load(); }
  void SetReported(bool reported) { reported_.store(reported); }

 private:
  // Why the write callback refused the data (the transfer then stops).
  enum class Refusal { kNone, kHttpStatus, kRangeIgnored, kNoBuffer, kWriteFailed };

  static size_t OnWrite(char* data, size_t size, size_t count, void* self);
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  bool SetOptions(const std::vector<std::string>& overrides);
  std::size_t Take(const char* data, std::size_t offered);
  bool Accept(const char* data, std::int64_t n);
  void HeaderLine(const char* data, std::size_t length);
  int Progress();
  bool AcceptResponse();
  bool Flush();
  std::int64_t Store(const char* data, std::int64_t length);
  std::int64_t Limit() const;
  void SetStatus(std::int32_t status);
  void Run();
  void Finish();

  const RangeSettings settings_;

  // Set by Init and the setters before Start; read-only while the thread runs.
  std::string url_;
  std::string host_;
  std::string address_;
  std::wstring target_path_;
  std::int64_t range_start_ = 0;
  std::int64_t file_size_ = 0;
  std::int32_t buffer_size_ = kDefaultBufferSize;
  bool started_ = false;  // owner's thread only

  // Owned by the transfer thread once started (released at its end).
  CurlEasy easy_;
  CurlSList resolve_list_;
  CurlSList header_list_;
  IFileWriter* writer_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::int64_t buffered_ = 0;
  bool has_activity_ = false;
  std::chrono::steady_clock::time_point last_activity_{};
  Refusal refusal_ = Refusal::kNone;
  bool response_checked_ = false;                   // per response, reset by each status line
  std::optional<std::int64_t> content_range_first_;  // first byte of this response's Content-Range
  std::int32_t status_ = kRangeCreated;             // the status machine itself
  std::string effective_url_;                        // published with the final status

  // Shared with the owner's threads without a lock: single writer each, atomics.
  std::atomic<std::int64_t> range_end_{-1};        // owner (ShortenEnd), read by both
  std::atomic<std::int64_t> received_{0};          // transfer thread
  std::atomic<std::int64_t> saved_{0};             // transfer thread
  std::atomic<std::int32_t> published_status_{kRangeCreated};  // Start, then the thread's end
  std::atomic<bool> cancel_requested_{false};      // owner
  std::atomic<bool> ranges_unsupported_{false};    // transfer thread
  std::atomic<std::int32_t> transfer_result_{CURLE_OK};
  std::atomic<std::int32_t> response_code_{0};
  std::atomic<double> speed_{0.0};
  std::atomic<std::int64_t> start_time_{0};        // calendar seconds
  std::atomic<std::int64_t> end_time_{0};
  std::atomic<bool> reported_{false};              // owner

  std::thread thread_;  // last: it starts after everything above exists
};

}  // namespace ns_PLX
