// A download's ranges: starting, watching, re-fetching and splitting them, progress, the
// resume record's contents and the writer they all store through.
#include <curl/curl.h>

#include <algorithm>
#include <ctime>
#include <limits>

#include "app/log/simple_log.h"
#include "downloader/multi_downloader.h"
#include "downloader/multi_range_slot.h"
#include "downloader/thread_name.h"

namespace ns_PLX {
namespace {

constexpr std::int64_t kMinSplitRemaining = 1024 * 1024;

long long AsLong(std::int64_t value) { return static_cast<long long>(value); }

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

bool CMultiDownloader::PrepareRanges() {
  cached_.store(0);
  cached_parts_.clear();
  single_stream_ = false;
  CloseTempFile();
  if (ResumeFromRecord()) return true;
  return StartFresh();
}

bool CMultiDownloader::ResumeFromRecord() {
  const std::int64_t size = FileSize();
  const std::wstring temp = TempPath();
  const std::optional<std::vector<ResumePair>> pairs = ReadResumeRecord(temp, size);
  if (!pairs || pairs->empty()) return false;
  // Ranges started before the file is open would lose their first blocks.
  if (!OpenTempFile()) return false;
  LogLine(kLogInfo, "[INFO] multi, resume download.");
  const std::int64_t missing = MissingBytes(*pairs);
  cached_parts_ = Gaps(*pairs, size);
  cached_.store(size - missing);
  LogLine(kLogInfo, "[INFO] multi, total=[%lld], cached=[%lld], undownloaded=[%lld].",
          AsLong(size), AsLong(size - missing), AsLong(missing));
  for (const ResumePair& pair : *pairs) {
    StartRange(pair.next, pair.last, buffer_size_, std::string(), {});
  }
  return true;
}

bool CMultiDownloader::StartFresh() {
  if (!CreateTempFile()) return false;
  if (!OpenTempFile()) return false;
  const std::int64_t size = FileSize();
  if (range_mode_) {
    for (const ResumePair& range : PlanRanges(size, connections_)) {
      // A file smaller than the connection count leaves ranges with nothing to fetch.
      if (range.next > range.last) continue;
      StartRange(range.next, range.last, buffer_size_, std::string(), {});
    }
  } else {
    LogLine(kLogWarn, "[WARN] not support range download.");
    single_stream_ = true;
    StartRange(0, -1, buffer_size_, std::string(), {});
  }
  return true;
}

bool CMultiDownloader::StartRange(std::int64_t start, std::int64_t end, std::int32_t buffer_size,
                                  const std::string& address,
                                  std::chrono::milliseconds lineage_pause) {
  if (buffer_size < kMinBufferSize) {
    LogLine(kLogError, "[ERROR] multi, free memory less 1M.");
    return false;
  }
  std::unique_ptr<CRangeDownloader> range = MakeRange(start, end, buffer_size, address);
  if (!range) return false;
  auto slot = std::make_unique<RangeSlot>();
  slot->range = std::move(range);
  slot->lineage_pause = lineage_pause;
  return LaunchRange(std::move(slot));
}

std::unique_ptr<CRangeDownloader> CMultiDownloader::MakeRange(std::int64_t start, std::int64_t end,
                                                              std::int32_t buffer_size,
                                                              const std::string& address) {
  auto range = std::make_unique<CRangeDownloader>(settings_.range);
  const std::string pinned = address.empty() ? PickAddress(addresses_) : address;
  if (!range->Init(Url(), start, end, pinned, TempPath())) return nullptr;
  range->SetFileSize(FileSize());
  range->SetBufferSize(buffer_size);
  range->SetWriter(this);
  return range;
}

bool CMultiDownloader::LaunchRange(std::unique_ptr<RangeSlot> slot) {
  CRangeDownloader& range = *slot->range;
  const std::int32_t task = TaskId();
  Send(DownloadEvent::WithText(task, kEventRangeAddress, range.Address()));
  Send(DownloadEvent::WithValue(task, kEventRangeStarted, static_cast<std::int32_t>(range.Remaining())));
  range.SetReported(false);
  const std::lock_guard lock(range_mutex_);
  // Checked under the lock Cancel takes: a range either starts before a cancel reaches the
  // list, or not at all.
  if (cancelled_.load()) return false;
  // A range that cannot start ends as failed with every byte remaining: the monitor
  // fetches it again.
  range.Start();
  ranges_.push_back(std::move(slot));
  return true;
}

bool CMultiDownloader::WillRefetch(const RangeSlot& slot) const {
  const CRangeDownloader& range = *slot.range;
  if (range.NextOffset() > range.EffectiveEnd()) return false;
  return range_mode_ || (single_stream_ && !range.RangesUnsupported());
}

std::chrono::milliseconds CMultiDownloader::RefetchPause(const RangeSlot& slot) const {
  if (slot.range->Saved() > 0) return std::chrono::milliseconds(0);
  if (slot.lineage_pause <= std::chrono::milliseconds(0)) return settings_.refetch_pause_min;
  return std::min(slot.lineage_pause * 2, settings_.refetch_pause_max);
}

void CMultiDownloader::Monitor() {
  bool more = true;
  while (more) {
    if (Cancelled()) {
      // The ranges are stopping; only their ends are awaited now.
      std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(
          settings_.monitor_interval, std::chrono::milliseconds(20)));
    } else {
      Pause(settings_.monitor_interval);
    }
    ReportProgress();

    std::vector<RangeSlot*> batch;
    bool active = false;
    const auto now = std::chrono::steady_clock::now();
    {
      const std::lock_guard lock(range_mutex_);
      for (const auto& slot : ranges_) {
        const std::int32_t status = slot->range->Status();
        if (status == kRangeCreated || status == kRangeRunning) {
          active = true;
          continue;
        }
        if (slot->range->Reported()) continue;
        if (status == kRangeFailed && !Cancelled() && WillRefetch(*slot)) {
          if (!slot->refetch_at) slot->refetch_at = now + RefetchPause(*slot);
          if (now < *slot->refetch_at) {
            active = true;
            continue;
          }
        }
        slot->range->SetReported(true);
        batch.push_back(slot.get());
        if (batch.size() == 3) break;
      }
    }
    more = active || !batch.empty();
    for (RangeSlot* slot : batch) {
      if (HandleFinishedRange(*slot)) more = true;
    }
  }
  if (Cancelled()) status_.store(kStatusCancelled);
}

bool CMultiDownloader::HandleFinishedRange(RangeSlot& slot) {
  CRangeDownloader& range = *slot.range;
  const auto result = static_cast<CURLcode>(range.TransferResult());
  if (result != CURLE_OK && result != CURLE_WRITE_ERROR && result != CURLE_ABORTED_BY_CALLBACK) {
    LogLine(kLogError, "[ERROR] multi, curl_error=[%d][%s].", static_cast<int>(result),
            curl_easy_strerror(result));
    switch (result) {
      case CURLE_COULDNT_CONNECT:
        status_.store(kStatusConnectFailed);
        break;
      case CURLE_SEND_ERROR:
        status_.store(kStatusSendFailed);
        break;
      case CURLE_RECV_ERROR:
        status_.store(kStatusReceiveFailed);
        break;
      case CURLE_RANGE_ERROR:
        range_mode_ = false;
        status_.store(kStatusReceiveFailed);
        break;
      default:
        break;
    }
  }
  // A server that does not serve ranges: one stream from the next attempt on.
  if (range.ResponseCode() == 416 || range.RangesUnsupported()) {
    range_mode_ = false;
    status_.store(kStatusReceiveFailed);
  }
  const std::string effective = range.EffectiveUrl();
  if (!effective.empty() && IsBlockedRedirect(effective)) range_mode_ = false;

  switch (range.Status()) {
    case kRangeSucceeded: {
      if (!range_mode_ || Cancelled()) break;
      std::int32_t active = 0;
      {
        const std::lock_guard lock(range_mutex_);
        for (const auto& other : ranges_) {
          const std::int32_t status = other->range->Status();
          if (status == kRangeCreated || status == kRangeRunning) ++active;
        }
      }
      const int change = DecideConnections(active + 1, static_cast<std::uint64_t>(ReceivedSum()),
                                           TcpReceivedEstimate(), connections_, baselines_);
      const int splits = change + 1;
      bool all = true;
      for (int i = 0; i < splits && all; ++i) all = Split(range.Address());
      if (splits > 0 && all) {
        status_.store(kStatusOk);
        return true;
      }
      break;
    }
    case kRangeFailed: {
      if (Cancelled() || !WillRefetch(slot)) break;
      const std::int64_t next = range.NextOffset();
      const std::int64_t end = range.RangeEnd() < 0 ? -1 : range.EffectiveEnd();
      LogLine(kLogInfo, "[INFO] multi, failed, redownload range(%lld~%lld).", AsLong(next),
              AsLong(range.EffectiveEnd()));
      // Marked first: a record taken meanwhile finds the bytes as a gap, never twice.
      SetReplaced(slot, true);
      if (StartRange(next, end, RefetchBufferSize(FreeMemory()), std::string(), RefetchPause(slot))) {
        status_.store(kStatusOk);
        return true;
      }
      SetReplaced(slot, false);
      break;
    }
    case kRangeCancelled:
      status_.store(kStatusCancelled);
      break;
    default:
      break;
  }
  return false;
}

void CMultiDownloader::SetReplaced(RangeSlot& slot, bool replaced) {
  const std::lock_guard lock(range_mutex_);
  slot.replaced = replaced;
}

bool CMultiDownloader::Split(const std::string& address) {
  const std::int32_t buffer_size = RefetchBufferSize(FreeMemory());
  if (buffer_size < kMinBufferSize) {
    LogLine(kLogError, "[ERROR] multi, free memory less 1M.");
    return false;
  }
  auto slot = std::make_unique<RangeSlot>();
  {
    const std::lock_guard lock(range_mutex_);
    if (cancelled_.load()) return false;
    CRangeDownloader* busy = nullptr;
    for (const auto& candidate : ranges_) {
      if (candidate->range->Status() == kRangeRunning &&
          candidate->range->Remaining() > kMinSplitRemaining) {
        busy = candidate->range.get();
        break;
      }
    }
    if (busy == nullptr) return false;
    const std::int64_t end = busy->EffectiveEnd();
    const std::int64_t new_start = end - busy->Remaining() / 2;
    slot->range = MakeRange(new_start, end, buffer_size, address);
    // The busy range gives up its tail only once the new one exists; one that has just
    // finished keeps it.
    if (!slot->range || !busy->ShortenEnd(new_start - 1)) return false;
  }
  return LaunchRange(std::move(slot));
}

std::int64_t CMultiDownloader::ReceivedSum() const {
  const std::lock_guard lock(range_mutex_);
  std::int64_t sum = 0;
  for (const auto& slot : ranges_) sum += slot->range->Received();
  return sum;
}

void CMultiDownloader::ReportProgress() {
  const std::int64_t received = ReceivedSum();
  const std::int64_t total = cached_.load() + received;
  if (total != last_reported_total_) {
    last_reported_total_ = total;
    DownloadProgress progress;
    progress.file_size = FileSize();
    progress.downloaded = total;
    const std::int64_t seconds = std::max<std::int64_t>(1, Now() - start_time_.load());
    progress.speed = static_cast<std::int32_t>(
        std::min<std::int64_t>(received / seconds, std::numeric_limits<std::int32_t>::max()));
    Send(DownloadEvent::WithProgress(TaskId(), progress));
  }
  if (total < last_save_point_) last_save_point_ = 0;
  if (total - last_save_point_ >= settings_.record_interval) {
    last_save_point_ = total;
    StartRecordWriter();
  }
}

bool CMultiDownloader::AttemptComplete() {
  const std::int64_t size = FileSize();
  std::vector<ResumePair> present = cached_parts_;
  {
    const std::lock_guard lock(range_mutex_);
    for (const auto& slot : ranges_) {
      const CRangeDownloader& range = *slot->range;
      if (range.Saved() > 0) present.push_back({range.RangeStart(), range.NextOffset() - 1});
    }
  }
  const std::vector<ResumePair> gaps = Gaps(std::move(present), size);
  if (gaps.empty()) return true;
  LogLine(kLogError, "[ERROR] multi, download incomplete! missing=[%lld], first=[%lld].",
          AsLong(MissingBytes(gaps)), AsLong(gaps.front().next));
  return false;
}

std::vector<ResumePair> CMultiDownloader::CollectRecord() {
  std::vector<ResumePair> pairs;
  std::vector<ResumePair> known = cached_parts_;
  {
    const std::lock_guard lock(range_mutex_);
    for (const auto& slot : ranges_) {
      const CRangeDownloader& range = *slot->range;
      const std::int32_t status = range.Status();
      const std::int64_t next = range.NextOffset();
      const std::int64_t end = range.EffectiveEnd();
      if (next > range.RangeStart()) known.push_back({range.RangeStart(), next - 1});
      const bool open = status == kRangeRunning || status == kRangeCancelled ||
                        (status == kRangeFailed && !slot->replaced);
      if (open && next <= end) {
        pairs.push_back({next, end});
        known.push_back({next, end});
      }
    }
  }
  // Bytes no range holds or owes (a range that never started) are still missing.
  for (const ResumePair& gap : Gaps(std::move(known), FileSize())) pairs.push_back(gap);
  return pairs;
}

void CMultiDownloader::WriteRecord() {
  const std::vector<ResumePair> pairs = CollectRecord();
  if (pairs.empty()) return;
  const std::string record = EncodeResumeRecord(pairs);
  const auto length = static_cast<std::int64_t>(record.size());
  if (WriteBlock(FileSize(), length, record.data(), true) != length) {
    LogLine(kLogError, "[ERROR] multi, write cache info failed! write count.");
  }
}

void CMultiDownloader::StartRecordWriter() {
  const std::lock_guard lock(writer_mutex_);
  if (record_writer_.joinable()) record_writer_.join();
  try {
    record_writer_ = std::thread([this] {
      NameCurrentThread("resume record");
      try {
        WriteRecord();
      } catch (...) {
        LogLine(kLogError, "[ERROR] multi, write cache info failed!");
      }
    });
  } catch (...) {
    LogLine(kLogError, "[ERROR] multi, write cache info failed! no thread.");
  }
}

void CMultiDownloader::JoinRecordWriter() {
  const std::lock_guard lock(writer_mutex_);
  if (record_writer_.joinable()) record_writer_.join();
}

void CMultiDownloader::DestroyRanges() {
  std::vector<std::unique_ptr<RangeSlot>> finished;
  {
    const std::lock_guard lock(range_mutex_);
    finished.swap(ranges_);
  }
  // Each joins its transfer thread: outside the lock, which those threads never take.
}

std::int64_t CMultiDownloader::Write(std::int64_t offset, std::int64_t length, const char* data) {
  // Range data never reaches past the file's data, where the resume record lives.
  if (offset < 0 || length < 0 || (data == nullptr && length > 0) || offset > FileSize() - length) {
    return 0;
  }
  return WriteBlock(offset, length, data, false);
}

std::int64_t CMultiDownloader::WriteBlock(std::int64_t offset, std::int64_t length,
                                          const char* data, bool set_end) {
  const std::lock_guard lock(file_mutex_);
  if (!file_.IsOpen()) return 0;
  TempFileHandle::WriteStep failed = TempFileHandle::WriteStep::kNone;
  const int error = file_.WriteAt(offset, data, length, set_end, failed);
  switch (failed) {
    case TempFileHandle::WriteStep::kNone:
      return length;
    case TempFileHandle::WriteStep::kSeek:
      LogLine(kLogError, "[ERROR] multi, write file data failed! seek failed, err=[%d].", error);
      break;
    case TempFileHandle::WriteStep::kWrite:
      LogLine(kLogError, "[ERROR] multi, write file data failed! write size=[%d], err=[%d].",
              static_cast<int>(length), error);
      break;
    case TempFileHandle::WriteStep::kSetEnd:
      LogLine(kLogError, "[ERROR] multi, write file data failed! set end, err=[%d].", error);
      break;
  }
  return 0;
}

}  // namespace ns_PLX
