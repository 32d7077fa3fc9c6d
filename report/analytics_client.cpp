#include "report/analytics_client.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>

#include "app/log/log_os.h"
#include "app/log/simple_log.h"
#include "downloader/thread_name.h"
#include "platform/status_texts.h"
#include "report/analytics_texts.h"

namespace orb_analytics {

struct AnalyticsClient::Shared {
  explicit Shared(const AnalyticsCoreSettings& settings) : core(settings) {}

  struct QueuedEvent {
    std::string name;
    PropertiesNode properties;
  };

  AnalyticsCore core;  // locks of its own

  std::mutex queue_mutex;
  std::deque<QueuedEvent> queue;  // guarded by queue_mutex
  bool wake = false;              // guarded by queue_mutex: the auto-reset wake-up event
  std::thread worker;             // guarded by queue_mutex; started by the first event
  bool worker_started = false;    // guarded by queue_mutex
  bool worker_done = false;       // guarded by queue_mutex
  std::condition_variable wake_cv;
  std::condition_variable done_cv;

  std::atomic<bool> initialised{false};
  std::atomic<bool> exit{false};
  // Set when the exit wait is nearly over: the running send ends, later ones are skipped.
  std::atomic<bool> abort{false};
};

namespace {

using Shared = AnalyticsClient::Shared;

void RunWorker(const std::shared_ptr<Shared> shared) {
  ns_PLX::NameCurrentThread("analytics");
  std::unique_lock lock(shared->queue_mutex);
  for (;;) {
    shared->wake_cv.wait(lock, [&] { return shared->wake; });
    shared->wake = false;
    if (!shared->initialised.load()) {
      if (shared->exit.load()) break;
      continue;  // queued events wait for the set-up
    }
    std::deque<Shared::QueuedEvent> events = std::exchange(shared->queue, {});
    lock.unlock();
    for (const Shared::QueuedEvent& event : events) {
      LogLine(kLogInfo, "[INFO] analytics, event=[%s].", event.name.c_str());
      try {
        shared->core.Track(event.name, event.properties);
        // Past the exit deadline the records only go to the staging file.
        if (shared->abort.load()) continue;
        shared->core.LoadStagedIfPending();
        if (!shared->core.BufferEmpty() && !shared->core.Flush(shared->abort)) {
          LogLine(kLogError, "[ERROR] analytics flush failed! event=[%s]", event.name.c_str());
        }
      } catch (const std::exception& e) {
        // Out of memory: this event is lost, the worker and the process carry on.
        LogLine(kLogError, "[ERROR] analytics, event=[%s] lost: %s.", event.name.c_str(), e.what());
      }
    }
    lock.lock();
    if (shared->exit.load() && shared->queue.empty()) break;
  }
  LogLine(kLogInfo, "[INFO] analytics, exit thread.");
  shared->worker_done = true;
  shared->done_cv.notify_all();
}

std::wstring StagingPath(const AnalyticsClientSettings& settings) {
  const std::wstring folder = settings.staging_folder.empty() ? logos::TempFolder() : settings.staging_folder;
  return folder + std::wstring(kStagingFileName);
}

}  // namespace

AnalyticsClient& AnalyticsClient::Instance() {
  static AnalyticsClient client;
  return client;
}

AnalyticsClient::AnalyticsClient(AnalyticsClientSettings settings)
    : settings_(std::move(settings)), shared_(std::make_shared<Shared>(settings_.core)) {}

AnalyticsClient::~AnalyticsClient() {
  Stop();
  shared_->core.Shutdown();
}

AnalyticsCore& AnalyticsClient::Core() { return shared_->core; }

std::weak_ptr<const void> AnalyticsClient::SharedLifetime() const { return shared_; }

bool AnalyticsClient::Initialised() const { return shared_->initialised.load(); }

bool AnalyticsClient::Setup(std::string_view project, std::string_view tracker_id, const HostFacts& host,
                            const ProductFacts& product) {
  if (shared_->initialised.load()) {
    RegisterRunProperties(host, product);
    return true;
  }
  std::vector<std::string> urls;
  for (const std::string& base : settings_.collectors) urls.push_back(base + "/sa?project=" + std::string(project));
  const bool ok = shared_->core.Init(StagingPath(settings_), urls, product.client_sign);
  const std::string tid(tracker_id);
  LogLine(kLogInfo, "[INFO] analytics init tid=[%s], result=[%d].", tid.c_str(), ok ? 1 : 0);

  PropertiesNode system;
  system.SetString("tid", tracker_id);
  system.SetString("ostype", "windows");
  system.SetString("os_version", host.os_version);
  system.SetNumber("osbit", host.os_bits);
  system.SetString("oslang", host.os_language);
  system.SetNumber("oszone", host.time_zone);
  shared_->core.RegisterSuperProperties(system);
  if (!ok) return false;
  // Before the worker is let go: the waiting events must carry every super property.
  RegisterRunProperties(host, product);
  {
    const std::lock_guard lock(shared_->queue_mutex);
    shared_->initialised.store(true);
    shared_->wake = true;
  }
  shared_->wake_cv.notify_one();
  return true;
}

void AnalyticsClient::RegisterRunProperties(const HostFacts& host, const ProductFacts& product) {
  PropertiesNode run;
  run.SetString("downloader_ver", host.program_version);
  run.SetString("scene_code", product.scene_code);
  run.SetString("exe_name", host.program_file_name);
  run.SetString("clipboard_param", product.clipboard_param);
  shared_->core.RegisterSuperProperties(run);
  SetProductProperties(product.product_id, product.version, product.source, product.brand, product.language,
                       product.name);
}

void AnalyticsClient::SetSuperProperty(std::string_view key, std::string_view value) {
  PropertiesNode properties;
  if (properties.SetString(key, value)) shared_->core.RegisterSuperProperties(properties);
}

void AnalyticsClient::SetProductProperties(std::int64_t product_id, std::string_view version,
                                           std::string_view source, std::string_view brand,
                                           std::string_view language, std::string_view name) {
  PropertiesNode properties;
  properties.SetNumber("pid", product_id);
  properties.SetString("pver", version);
  properties.SetString("psource", source);
  properties.SetString("pbrand", brand);
  properties.SetString("plang", language);
  properties.SetString("pname", name);
  shared_->core.RegisterSuperProperties(properties);
}

void AnalyticsClient::Queue(std::string_view event, PropertiesNode properties) {
  {
    const std::lock_guard lock(shared_->queue_mutex);
    try {
      shared_->queue.push_back({std::string(event), std::move(properties)});
    } catch (const std::exception&) {
      LogLine(kLogError, "[ERROR] analytics, out of memory, event dropped.");
      return;
    }
    if (!shared_->worker_started) {
      shared_->worker_started = true;
      try {
        shared_->worker = std::thread(RunWorker, shared_);
      } catch (const std::system_error& e) {
        shared_->worker_done = true;  // nothing to wait for; the events stay queued
        LogLine(kLogError, "[ERROR] analytics, worker thread not started: %s.", e.what());
      }
    }
    shared_->wake = true;
  }
  shared_->wake_cv.notify_one();
}

bool AnalyticsClient::Stop() {
  std::thread worker;
  {
    std::unique_lock lock(shared_->queue_mutex);
    shared_->exit.store(true);
    shared_->wake = true;
    shared_->wake_cv.notify_one();
    if (!shared_->worker.joinable()) return shared_->worker_done || !shared_->worker_started;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + settings_.exit_wait;
    const auto abort_at = deadline - std::min(settings_.abort_grace, settings_.exit_wait);
    const auto done = [&] { return shared_->worker_done; };
    if (!shared_->done_cv.wait_until(lock, abort_at, done)) {
      shared_->abort.store(true);
      shared_->done_cv.wait_until(lock, deadline, done);
    }
    worker = std::move(shared_->worker);
    if (!shared_->worker_done) {
      // It holds its own reference to the shared state; the process may end under it.
      LogLine(kLogWarn, "[WARN] analytics, worker still busy at exit.");
      worker.detach();
      return false;
    }
  }
  worker.join();
  return true;
}

void AnalyticsClient::PopEvent(std::string_view pop_name) {
  PropertiesNode properties;
  properties.SetString("pop_name", pop_name);
  Queue("downloader_pop", std::move(properties));
}

void AnalyticsClient::ClickEvent(std::string_view pop_name, std::string_view button) {
  PropertiesNode properties;
  properties.SetString("pop_name", pop_name);
  if (!button.empty()) properties.SetString("button", button);
  Queue("downloader_click", std::move(properties));
}

void AnalyticsClient::CoverClickEvent(std::string_view version, std::string_view button) {
  PropertiesNode properties;
  properties.SetString("pop_name", "downloader_cover");
  properties.SetString("cover_version", version);
  properties.SetString("button", button);
  Queue("downloader_click", std::move(properties));
}

void AnalyticsClient::NamedEvent(std::string_view name, std::string_view key, std::string_view value) {
  PropertiesNode properties;
  if (!key.empty()) properties.SetString(key, value);
  Queue(name, std::move(properties));
}

void AnalyticsClient::ConfigEvent(const ConfigRecord& config) {
  PropertiesNode properties;
  properties.SetString("name", config.name);
  properties.SetString("exe_name", config.exe_name);
  properties.SetNumber("pkg_size", config.pkg_size);
  properties.SetString("pkg_url", config.pkg_url);
  properties.SetString("pkg_md5", config.pkg_md5);
  properties.SetString("x64_pkg_url", config.x64_pkg_url);
  properties.SetString("x64_pkg_md5", config.x64_pkg_md5);
  properties.SetString("arm64_pkg_url", config.arm64_pkg_url);
  properties.SetString("arm64_pkg_md5", config.arm64_pkg_md5);
  properties.SetNumber("error_code", config.error_code);
  properties.SetString("error_msg", ConfigErrorText(config.error_code));
  Queue("downloader_config", std::move(properties));
}

void AnalyticsClient::DnsEvent(std::string_view domain, std::string_view address) {
  PropertiesNode properties;
  properties.SetString("domain", domain);
  properties.SetString("ip", address);
  Queue("downloader_dns", std::move(properties));
}

void AnalyticsClient::DownloadStatsEvent(const DownloadRecord& download) {
  PropertiesNode properties;
  properties.SetString("type", download.type);
  properties.SetString("state", download.state);
  properties.SetString("domain", download.domain);
  properties.SetNumber("resumedown", download.resumedown);
  properties.SetNumber("times", download.times);
  properties.SetNumber("speed", download.speed);
  properties.SetNumber("duration", download.duration);
  properties.SetNumber("error_code", download.error_code);
  properties.SetString("error_msg", download.error_msg);
  properties.SetNumber("thread", download.thread);
  properties.SetNumber("buffer", download.buffer);
  Queue("downloader_download", std::move(properties));
}

void AnalyticsClient::InstallEvent(std::string_view type, std::string_view state, std::int64_t times,
                                   std::int64_t speed, std::int64_t duration, std::int64_t code,
                                   bool first_install) {
  PropertiesNode properties;
  properties.SetString("type", type);
  properties.SetString("state", state);
  properties.SetNumber("times", times);
  properties.SetNumber("speed", speed);
  properties.SetNumber("duration", duration);
  properties.SetNumber("error_code", code);
  properties.SetString("error_msg", InstallerExitCodeText(code));
  properties.SetNumber("is_first_install", first_install ? 1 : 0);
  Queue("downloader_install", std::move(properties));
}

void AnalyticsClient::CrashEvent(std::string_view address, std::string_view offset, std::string_view file,
                                 std::string_view section, std::int64_t code) {
  PropertiesNode properties;
  properties.SetString("crashaddr", address);
  properties.SetString("crashoffset", offset);
  properties.SetString("crashfilename", file);
  properties.SetString("crashsection", section);
  properties.SetNumber("error_code", code);
  properties.SetString("error_msg", "");
  Queue("downloader_crash", std::move(properties));
}

void AnalyticsClient::StartProductEvent(std::int64_t code) {
  PropertiesNode properties;
  properties.SetNumber("error_code", code);
  properties.SetString("error_msg", ShellExecuteErrorText(code));
  Queue("start_product", std::move(properties));
}

void AnalyticsClient::RedeemFailedEvent(std::string_view page, std::int64_t error) {
  PropertiesNode properties;
  properties.SetString("page", page);
  properties.SetNumber("error", error);
  Queue("redeem_failed", std::move(properties));
}

}  // namespace orb_analytics
