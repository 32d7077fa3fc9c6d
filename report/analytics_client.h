#pragma once
// The program's analytics facade: one operation per event kind. Callers on any thread
// queue an event and return at once; one worker thread turns the events into records
// and sends them.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "report/analytics_core.h"
#include "report/analytics_facts.h"
#include "report/analytics_value.h"

namespace orb_analytics {

inline constexpr std::string_view kMainCollector = "https://sa.korvane.example:8106";
inline constexpr std::string_view kFallbackCollector = "https://sa-backup.korvane.example:8106";
inline constexpr std::string_view kProjectName = "UA_Orb_Web";
inline constexpr std::string_view kTrackerId = "UA-Orb-Web";
inline constexpr std::wstring_view kStagingFileName = L"orb_analytics";

struct AnalyticsClientSettings {
  // "scheme://host:port" of each collector, tried in order; "/sa?project=" and the project
  // name follow.
  std::vector<std::string> collectors = {std::string(kMainCollector), std::string(kFallbackCollector)};
  // Folder of the staging file, ending with a separator; empty: the user's temporary folder.
  std::wstring staging_folder;
  // How long Stop waits for the worker. Once all but abort_grace of it has passed, a send
  // still running is abandoned so that the worker ends in time.
  std::chrono::milliseconds exit_wait{5000};
  std::chrono::milliseconds abort_grace{1000};
  AnalyticsCoreSettings core;
};

// What the window knows about this run, registered as super properties by Setup.
struct ProductFacts {
  std::string client_sign;  // the distinct id
  std::string scene_code;
  std::string clipboard_param;
  std::int64_t product_id = 0;
  std::string version;  // from the server document
  std::string source;   // the configured channel
  std::string brand;
  std::string language;  // code of the selected language
  std::string name;
};

// One download as the "downloader_download" event reports it.
struct DownloadRecord {
  std::string type;  // "donet", "depend", "product"
  std::string state;  // "begin", "running", "finish"
  std::string domain;
  std::int64_t resumedown = 0;
  std::int64_t times = 0;
  std::int64_t speed = 0;
  std::int64_t duration = 0;
  std::int64_t error_code = 0;
  std::string error_msg;
  std::int64_t thread = 0;
  std::int64_t buffer = 0;
};

// The runtime document as the "downloader_config" event reports it.
struct ConfigRecord {
  std::string name;
  std::string exe_name;
  std::int64_t pkg_size = 0;
  std::string pkg_url;
  std::string pkg_md5;
  std::string x64_pkg_url;
  std::string x64_pkg_md5;
  std::string arm64_pkg_url;
  std::string arm64_pkg_md5;
  std::int64_t error_code = 0;  // the transfer library's result; its text is added
};

class AnalyticsClient {
 public:
  // The process-wide client, created on first use and destroyed at process exit.
  static AnalyticsClient& Instance();

  explicit AnalyticsClient(AnalyticsClientSettings settings = {});
  // Stops the worker (waiting as Stop does) and writes the unsent records to the staging
  // file. A worker that has not ended by then keeps what it uses alive by itself.
  ~AnalyticsClient();
  AnalyticsClient(const AnalyticsClient&) = delete;
  AnalyticsClient& operator=(const AnalyticsClient&) = delete;

  // Initialises the core once (distinct id: the client sign) and registers the super
  // properties; again with new values on later calls. Answers whether it is initialised.
  bool Setup(std::string_view project, std::string_view tracker_id, const HostFacts& host,
             const ProductFacts& product);
  bool Initialised() const;

  void SetSuperProperty(std::string_view key, std::string_view value);
  void SetProductProperties(std::int64_t product_id, std::string_view version, std::string_view source,
                            std::string_view brand, std::string_view language, std::string_view name);

  // Sets the exit flag, wakes the worker and waits for it at most exit_wait. Later events
  // are kept but not sent. True when no worker runs any longer.
  bool Stop();

  // Events. Texts are UTF-8.
  void PopEvent(std::string_view pop_name);
  void ClickEvent(std::string_view pop_name, std::string_view button);
  void CoverClickEvent(std::string_view version, std::string_view button);
  void NamedEvent(std::string_view name, std::string_view key, std::string_view value);
  void ConfigEvent(const ConfigRecord& config);
  void DnsEvent(std::string_view domain, std::string_view address);
  void DownloadStatsEvent(const DownloadRecord& download);
  void InstallEvent(std::string_view type, std::string_view state, std::int64_t times, std::int64_t speed,
                    std::int64_t duration, std::int64_t code, bool first_install);
  void CrashEvent(std::string_view address, std::string_view offset, std::string_view file,
                  std::string_view section, std::int64_t code);
  void StartProductEvent(std::int64_t code);
  void RedeemFailedEvent(std::string_view page, std::int64_t error);

  // For tests: the core behind the facade, and a handle that expires once neither the
  // client nor its worker holds the shared state any longer.
  AnalyticsCore& Core();
  std::weak_ptr<const void> SharedLifetime() const;

 // The state the worker shares; opaque outside the client.
  struct Shared;

 private:
  void RegisterRunProperties(const HostFacts& host, const ProductFacts& product);
  void Queue(std::string_view event, PropertiesNode properties);

  const AnalyticsClientSettings settings_;
  // Shared with the worker, which keeps it alive for as long as it runs.
  std::shared_ptr<Shared> shared_;
};

}  // namespace orb_analytics
