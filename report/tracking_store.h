#pragma once
// The run's tracking store: named facts that every part of the program drops in while the
// run goes on, turned into the tracking report when it ends. Any thread may call it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// What the store keeps for one dependent product.
struct DependentTrack {
  std::uint8_t force_install = 0;  // 1 when its ForceInstall is "true"
  std::int64_t down_start = 0;     // seconds since 1970
  std::int64_t down_end = 0;
  std::int32_t down_error = 0;
  std::int64_t install_start = 0;
  std::int64_t install_end = 0;
  std::int32_t install_error = 0;
  std::string digest;  // UTF-8
};

// The state guarded by the property lock, as the report reads it.
struct TrackProperties {
  // key -> UTF-8 value, in key order
  const std::map<std::string, std::string, std::less<>>& properties;
  const std::vector<std::string>& events;   // insertion order, no duplicates
  const std::vector<std::string>& relayed;  // insertion order, at most 100
  const std::string& track_id;
  const std::string& server_base_url;
};

// Where the report goes until the configuration names the platform address.
inline constexpr std::string_view kDefaultTrackServer = "https://api.korvane.example/";

class CTrackingStore {
 public:
  static constexpr std::size_t kMaxRelayed = 100;
  static constexpr std::size_t kMaxRelayedChars = 256;

  // `start_time`: seconds since 1970 at which the run began.
  explicit CTrackingStore(std::int64_t start_time);
  CTrackingStore();  // starts now
  CTrackingStore(const CTrackingStore&) = delete;
  CTrackingStore& operator=(const CTrackingStore&) = delete;

  // Properties. Keys are ASCII; a key that exists gets the new value. Wide text is stored
  // as UTF-8; 32-bit integers as the unsigned decimal of their bits (-1 -> "4294967295");
  // 64-bit integers as signed decimals.
  void SetProperty(std::string_view key, std::wstring_view value);
  void SetProperty(std::string_view key, std::int32_t value);
  void SetProperty(std::string_view key, std::int64_t value);
  void SetPropertyUtf8(std::string_view key, std::string_view value);
  // The stored UTF-8 value, empty when absent.
  std::string GetProperty(std::string_view key) const;

  // Events: {"name":"value"} when quoted, {"name":value} otherwise; an identical text
  // already in the list is not added again.
  void AddEvent(std::string_view name, std::string_view value, bool quoted);
  void AddEvent(std::string_view name, std::wstring_view value, bool quoted);
  void AddEvent(std::string_view name, std::int64_t value);  // unquoted signed decimal

  // An event record that another process sent to the main window: `byte_count` bytes of
  // UTF-16 text, zero-terminated or not. Records that are empty, of odd size, longer than
  // 256 characters, malformed or beyond the 100th are dropped. True when it was kept.
  bool AddRelayedEvent(const void* data, std::size_t byte_count);

  // Per-dependent records, created on first use.
  void SetDependentForceInstall(std::int32_t id, bool force);
  void SetDependentDigest(std::int32_t id, std::wstring_view digest);
  void SetDependentDigestUtf8(std::int32_t id, std::string_view digest);
  void SetDependentDownloadError(std::int32_t id, std::int32_t code);
  void SetDependentInstallError(std::int32_t id, std::int32_t code);
  void SetDependentDownloadTimes(std::int32_t id, std::int64_t start, std::int64_t end);
  void SetDependentInstallTimes(std::int32_t id, std::int64_t start, std::int64_t end);
  std::map<std::int32_t, DependentTrack> Dependents() const;  // in product id order

  // How often each server address was used and each URL started.
  void CountAddress(std::string_view address);
  void CountAddress(std::wstring_view address);
  void CountUrl(std::string_view url);
  void CountUrl(std::wstring_view url);
  std::map<std::string, std::int64_t> AddressCounts() const;
  std::map<std::string, std::int64_t> UrlCounts() const;

  // The report is sent only once this is set (installation started, resumed, or fork mode).
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Enabled() const { return enabled_; }
  // Fork mode: one report per dependent record.
  void SetPerDependentMode(bool on) { per_dependent_ = on; }
  bool PerDependentMode() const { return per_dependent_; }
  // Cleared when the product is found already installed.
  void SetFirstInstall(bool first) { first_install_ = first; }
  bool FirstInstall() const { return first_install_; }

  void SetTrackId(std::string_view id);
  std::string TrackId() const;
  // The platform address, ending in "/".
  void SetServerBaseUrl(std::wstring_view url);
  void SetServerBaseUrlUtf8(std::string_view url);
  std::string ServerBaseUrl() const;

  std::int64_t StartTime() const { return start_time_; }

  // Calls `reader` with the property lock held: nothing set meanwhile can slip into (or
  // half into) what it reads. `reader` must not call back into the store's property side.
  void ReadProperties(const std::function<void(const TrackProperties&)>& reader) const;

 private:
  DependentTrack& DependentLocked(std::int32_t id);

  const std::int64_t start_time_;
  std::atomic<bool> enabled_{false};        // atomic, no lock
  std::atomic<bool> per_dependent_{false};  // atomic, no lock
  std::atomic<bool> first_install_{true};   // atomic, no lock

  mutable std::mutex property_mutex_;
  std::map<std::string, std::string, std::less<>> properties_;  // property_mutex_
  std::vector<std::string> events_;                             // property_mutex_
  // Only the window's thread adds here, but the report reads it with the properties.
  std::vector<std::string> relayed_;                  // property_mutex_
  std::string track_id_;                              // property_mutex_
  std::string server_base_url_{kDefaultTrackServer};  // property_mutex_

  mutable std::mutex dependent_mutex_;
  std::map<std::int32_t, DependentTrack> dependents_;  // dependent_mutex_

  mutable std::mutex counter_mutex_;
  std::map<std::string, std::int64_t> address_counts_;  // counter_mutex_
  std::map<std::string, std::int64_t> url_counts_;      // counter_mutex_
};

// The process-wide store, created before the entry point runs and never destroyed
// (threads still running at exit, and the crash filter, may use it).
CTrackingStore& TrackingStore();
