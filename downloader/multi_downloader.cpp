// The download thread: its steps, the attempts, and the public face of CMultiDownloader.
#include "downloader/multi_downloader.h"

#include <algorithm>
#include <ctime>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/host_table.h"
#include "downloader/memory_status.h"
#include "downloader/multi_range_slot.h"
#include "downloader/package_file_name.h"
#include "downloader/prepare_host.h"
#include "downloader/size_query.h"
#include "downloader/thread_name.h"

namespace ns_PLX {
namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

long long AsLong(std::int64_t value) { return static_cast<long long>(value); }

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool EndsWithSeparator(const std::string& folder) {
  if (folder.empty()) return false;
  const char last = folder.back();
  return last == '/' || last == PathSeparator();
}

}  // namespace

// One host preparation. Its reports are kept as this download's events until the
// download thread takes them, so that a cancelled download hears nothing more of it.
class CMultiDownloader::HostJob : public IPrepareHostSink {
 public:
  HostJob(CMultiDownloader& owner, std::int64_t known_size) : file_size(known_size), owner_(owner) {}
  ~HostJob() override {
    if (thread.joinable()) thread.join();
  }
  HostJob(const HostJob&) = delete;
  HostJob& operator=(const HostJob&) = delete;

  void HostRefreshed() override {
    events.push_back(DownloadEvent::WithNumber(owner_.TaskId(), kEventHostRefreshed, owner_.Status()));
  }
  void HostAddressesKnown(const std::string& host_and_addresses) override {
    events.push_back(DownloadEvent::WithText(owner_.TaskId(), kEventHostAddresses, host_and_addresses));
  }
  void HostPreparationFailed() override {
    events.push_back(DownloadEvent::WithNumber(owner_.TaskId(), kEventHostFailed, 2));
  }

  // Written by the job's thread until `done`, read by the download thread after it.
  std::vector<std::unique_ptr<DownloadEvent>> events;
  AddressTable addresses;
  std::int64_t file_size = 0;
  bool done = false;  // guarded by the owner's wake_mutex_
  std::thread thread;

 private:
  CMultiDownloader& owner_;
};

std::vector<ResumePair> PlanRanges(std::int64_t file_size, std::int32_t connections) {
  std::vector<ResumePair> ranges;
  if (file_size <= 0) return ranges;
  const std::int64_t n = std::max<std::int32_t>(connections, 1);
  const std::int64_t chunk = (file_size + n - 1) / n;
  ranges.reserve(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i) {
    ranges.push_back({i * chunk, std::min(i * chunk + chunk - 1, file_size - 1)});
  }
  return ranges;
}

CMultiDownloader::CMultiDownloader(MultiDownloaderSettings settings)
    : settings_(std::move(settings)),
      hosts_(settings_.hosts != nullptr ? *settings_.hosts : ProcessHostTable()) {}

CMultiDownloader::~CMultiDownloader() {
  RequestCancel();
  if (thread_.joinable()) thread_.join();
  host_job_.reset();
  JoinRecordWriter();
  DestroyRanges();
}

void CMultiDownloader::SetObserver(IObserver* observer) { observer_ = observer; }

void CMultiDownloader::SetServerMd5(const std::string& md5) {
  LogLine(kLogInfo, "[INFO] multi, set server md5=[%s].", md5.c_str());
  expected_md5_ = Upper(md5);
}

void CMultiDownloader::SetVersionText(const std::string& version) { version_text_ = version; }

bool CMultiDownloader::StartDownload(std::int32_t task_id, const std::string& url,
                                     const std::string& save_folder) {
  LogLine(kLogInfo, "[INFO] multi, download id=[%d], url=[%s], dir=[%s].", task_id, url.c_str(),
          save_folder.c_str());
  if (thread_.joinable()) return false;
  std::string folder = save_folder;
  if (!folder.empty() && !EndsWithSeparator(folder)) folder += PathSeparator();
  const std::string name = PackageFileName(url, task_id);
  {
    const std::lock_guard lock(text_mutex_);
    url_ = url;
    save_folder_ = folder;
    file_name_ = name;
    // No folder, no file: an empty path makes the create step fail.
    target_path_ = folder.empty() ? std::wstring() : Utf8ToWide(folder + name);
  }
  task_id_.store(task_id);
  try {
    thread_ = std::thread(&CMultiDownloader::Run, this);
  } catch (...) {
    LogLine(kLogError, "[ERROR] multi, start download thread failed!");
    return false;
  }
  return true;
}

void CMultiDownloader::Cancel() {
  LogLine(kLogInfo, "[INFO] multi, cancel.");
  RequestCancel();
}

void CMultiDownloader::RequestCancel() {
  {
    const std::lock_guard lock(range_mutex_);
    cancelled_.store(true);
    for (const auto& slot : ranges_) slot->range->Cancel();
  }
  { const std::lock_guard lock(wake_mutex_); }
  wake_.notify_all();
}

void CMultiDownloader::Resume() { LogLine(kLogInfo, "[INFO] multi, resume."); }

void CMultiDownloader::SetEventsEnabled(bool enabled) { events_enabled_.store(enabled); }

std::int64_t CMultiDownloader::DownloadedTotal() const { return cached_.load() + ReceivedSum(); }

std::string CMultiDownloader::Url() const {
  const std::lock_guard lock(text_mutex_);
  return url_;
}

std::string CMultiDownloader::SaveFolder() const {
  const std::lock_guard lock(text_mutex_);
  return save_folder_;
}

std::string CMultiDownloader::FileName() const {
  const std::lock_guard lock(text_mutex_);
  return file_name_;
}

std::wstring CMultiDownloader::TargetPath() const {
  const std::lock_guard lock(text_mutex_);
  return target_path_;
}

std::wstring CMultiDownloader::TempPath() const {
  const std::wstring target = TargetPath();
  return target.empty() ? target : target + L".~P2S";
}

void CMultiDownloader::Send(std::unique_ptr<DownloadEvent> event) {
  IObserver* const observer = observer_;
  if (observer == nullptr || !events_enabled_.load()) return;
  try {
    observer->OnEvent(event.release(), 0);
  } catch (...) {
    // The observer owns the event from the call on; its failure is its own.
  }
}

bool CMultiDownloader::Pause(std::chrono::steady_clock::duration pause) {
  std::unique_lock lock(wake_mutex_);
  return !wake_.wait_for(lock, pause, [this] { return cancelled_.load(); });
}

std::optional<std::uint64_t> CMultiDownloader::FreeMemory() const {
  return settings_.free_memory ? settings_.free_memory() : FreePhysicalMemory();
}

// --- download thread -------------------------------------------------------------------

bool CMultiDownloader::PrepareHostUnlessCancelled(bool refresh, std::int64_t& file_size) {
  host_job_.reset();  // the previous one has finished
  auto job = std::make_unique<HostJob>(*this, file_size);
  HostJob* const raw = job.get();
  const auto work = [this, raw, url = Url(), refresh] {
    try {
      PrepareHost(hosts_, url, refresh, raw->addresses, raw->file_size, *raw);
    } catch (...) {
      LogLine(kLogError, "[ERROR] multi, get dns info failed!");
    }
    {
      const std::lock_guard lock(wake_mutex_);
      raw->done = true;
    }
    wake_.notify_all();
  };
  host_job_ = std::move(job);
  try {
    raw->thread = std::thread([work] {
      NameCurrentThread("host preparation");
      work();
    });
  } catch (...) {
    work();  // no thread to spare: prepare here and now
  }
  {
    std::unique_lock lock(wake_mutex_);
    wake_.wait(lock, [&] { return raw->done || cancelled_.load(); });
    if (!raw->done) return false;
  }
  for (auto& event : raw->events) Send(std::move(event));
  raw->events.clear();
  addresses_ = raw->addresses;
  file_size = raw->file_size;
  return true;
}

void CMultiDownloader::Run() {
  NameCurrentThread("download");
  try {
    RunSteps();
  } catch (...) {
    LogLine(kLogError, "[ERROR] multi, download thread failed!");
    if (status_.load() == kStatusOk) status_.store(kStatusFailed);
  }
  try {
    Send(DownloadEvent::WithNumber(TaskId(), kEventFinished, status_.load()));
  } catch (...) {
  }
  finished_.store(true);
}

void CMultiDownloader::RunSteps() {
  const std::int32_t task = TaskId();
  LogLine(kLogInfo, "[INFO] multi, thread begin.");
  Send(DownloadEvent::Plain(task, kEventThreadBegin));
  Send(DownloadEvent::Plain(task, kEventThreadStarted));
  const std::string url = Url();

  std::int64_t size = 0;
  if (!Cancelled()) PrepareHostUnlessCancelled(false, size);
  file_size_.store(size);

  Send(DownloadEvent::WithWideText(task, kEventFileName, Utf8ToWide(FileName())));
  if (Cancelled()) {
    status_.store(kStatusCancelled);
    return;
  }

  if (size <= 0) {
    SizeQuerySettings query;
    query.attempts = settings_.size_query_attempts;
    query.head_attempts = settings_.size_query_head_attempts;
    query.pause = settings_.size_query_pause;
    query.connect_timeout = settings_.range.connect_timeout;
    query.ca_file = settings_.range.ca_file;
    size = QueryRemoteSize(url, PickAddress(addresses_), query, [this] { return Cancelled(); });
    file_size_.store(size);
  }
  if (Cancelled()) {
    status_.store(kStatusCancelled);
    return;
  }
  if (size <= 0) {
    LogLine(kLogError, "[ERROR] multi, get file size from server failed!");
    Send(DownloadEvent::WithNumber(task, kEventHostFailed, 2));
    status_.store(kStatusNoFileSize);
    return;
  }
  Send(DownloadEvent::WithValue(task, kEventFileSize, static_cast<std::int32_t>(size)));

  if (AlreadyDownloaded()) {
    LogLine(kLogInfo, "[INFO] multi, is already downloaded.");
    cached_.store(size);
    status_.store(kStatusOk);
    return;
  }
  RunAttempts();
}

void CMultiDownloader::RunAttempts() {
  const std::int32_t task = TaskId();
  const std::int64_t size = FileSize();
  range_mode_ = true;
  for (std::int32_t attempt = 0; attempt < settings_.attempts; ++attempt) {
    if (Cancelled()) {
      status_.store(kStatusCancelled);
      break;
    }
    attempt_.store(attempt);
    if (attempt == settings_.refresh_attempt) {
      std::int64_t ignored = 0;
      if (!PrepareHostUnlessCancelled(true, ignored)) {
        status_.store(kStatusCancelled);
        break;
      }
      range_mode_ = true;
    }
    status_.store(kStatusOk);
    baselines_ = {0, TcpReceivedEstimate()};
    const MemoryTuning tuning = TuneForMemory(FreeMemory());
    connections_ = tuning.connections;
    buffer_size_ = tuning.buffer_size;
    Send(DownloadEvent::Plain(task, kEventTuned, connections_, buffer_size_));

    if (!PrepareRanges()) break;
    LogLine(kLogInfo, "[INFO] multi, start retry=[%d], thread=[%d], buffer=[%d].", attempt,
            connections_, buffer_size_);
    Send(DownloadEvent::WithNumber(task, kEventAttemptStarted, attempt));
    start_time_.store(Now());

    Monitor();

    end_time_ = Now();
    const std::int64_t seconds = std::max<std::int64_t>(1, end_time_ - start_time_.load());
    LogLine(kLogInfo,
            "[INFO] multi, finished retry=[%d], downloaded=[%lld], speed=[%lld B/s], "
            "start=[%lld], end=[%lld], thread=[%d].",
            attempt, AsLong(DownloadedTotal()), AsLong(ReceivedSum() / seconds),
            AsLong(start_time_.load()), AsLong(end_time_), connections_);
    ReportProgress();
    JoinRecordWriter();
    if (status_.load() != kStatusCancelled) CloseTempFile();

    if (status_.load() == kStatusOk && !AttemptComplete()) status_.store(kStatusFailed);
    if (status_.load() == kStatusOk) RemoveRecord();
    if (status_.load() == kStatusOk && CheckFileSize() &&
        (expected_md5_.size() < 4 || CheckDigest(TempPath(), true)) && RenameToTarget()) {
      LogLine(kLogInfo, "[INFO] multi, download success.");
      DestroyRanges();
      cached_.store(size);
      status_.store(kStatusOk);
      SetHiddenAttribute(TargetPath(), false);
      Send(DownloadEvent::Plain(task, kEventAttemptEnded, attempt, kStatusOk));
      break;
    }

    const std::int32_t status = status_.load();
    LogLine(kLogError, "[ERROR] multi, download failed! retry=[%d], status=[%d]", attempt, status);
    Send(DownloadEvent::Plain(task, kEventAttemptEnded, attempt, status));
    if (status == kStatusCancelled) {
      WriteRecord();
      CloseTempFile();
      break;
    }
    DeleteFilePath(TempPath());
    // Nothing follows the last attempt to wait for.
    const bool last = attempt + 1 >= settings_.attempts;
    if (!last && !Pause(settings_.attempt_pause)) {
      DestroyRanges();
      status_.store(kStatusCancelled);
      break;
    }
    DestroyRanges();
  }
}

}  // namespace ns_PLX
