#include "report/tracking_store.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>

#include "report/tracking_text.h"

namespace {

std::string EventText(std::string_view name, std::string_view value, bool quoted) {
  // The snippet travels as a string inside the report; escaping keeps it a JSON object
  // of its own even when a value carries quotes.
  std::string text = "{\"" + JsonEscape(name) + "\":";
  if (quoted) {
    text += '"' + JsonEscape(value) + '"';
  } else {
    text += JsonEscape(value);
  }
  text += '}';
  return text;
}

// The record's characters up to its terminator, reading no more than `limit` of the
// `units` available. The block may be unaligned: it comes from another process.
std::u16string ReadUtf16(const void* data, std::size_t units, std::size_t limit) {
  std::u16string text;
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < std::min(units, limit); ++i) {
    char16_t unit = 0;
    std::memcpy(&unit, bytes + 2 * i, sizeof unit);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

// {"pid":P,"event":"E","time":"T","data":"D"} -> {P:"E,T,D"}, empty when the record is
// not of that shape.
std::u16string CompactRelayed(const std::u16string& record) {
  constexpr std::u16string_view kEvent = u",\"event\"";
  constexpr std::u16string_view kTime = u"\",\"time\":\"";
  constexpr std::u16string_view kData = u"\",\"data\":\"";
  constexpr std::size_t kPidStart = 7;  // after {"pid":
  const std::size_t e = record.find(kEvent);
  const std::size_t t = record.find(kTime);
  const std::size_t d = record.find(kData);
  if (e == std::u16string::npos || t == std::u16string::npos || d == std::u16string::npos) {
    return {};
  }
  // Markers out of order or overlapping would cut negative spans.
  if (e < kPidStart || t < e + kEvent.size() || d < t + kTime.size()) return {};
  std::u16string out = u"{";
  out.append(record, kPidStart, e - kPidStart);
  out.append(record, e + kEvent.size(), t - (e + kEvent.size()));
  out += u',';
  out.append(record, t + kTime.size(), d - (t + kTime.size()));
  out += u',';
  out.append(record, d + kData.size());
  return out;
}

}  // namespace

CTrackingStore::CTrackingStore(std::int64_t start_time) : start_time_(start_time) {}

CTrackingStore::CTrackingStore() : CTrackingStore(static_cast<std::int64_t>(std::time(nullptr))) {}

void CTrackingStore::SetProperty(std::string_view key, std::wstring_view value) {
  SetPropertyUtf8(key, WideToUtf8Lenient(value));
}

void CTrackingStore::SetProperty(std::string_view key, std::int32_t value) {
  SetPropertyUtf8(key, std::to_string(static_cast<std::uint32_t>(value)));
}

void CTrackingStore::SetProperty(std::string_view key, std::int64_t value) {
  SetPropertyUtf8(key, std::to_string(value));
}

void CTrackingStore::SetPropertyUtf8(std::string_view key, std::string_view value) {
  const std::lock_guard lock(property_mutex_);
  const auto it = properties_.find(key);
  if (it != properties_.end()) {
    it->second.assign(value);
  } else {
    properties_.emplace(std::string(key), std::string(value));
  }
}

std::string CTrackingStore::GetProperty(std::string_view key) const {
  const std::lock_guard lock(property_mutex_);
  const auto it = properties_.find(key);
  return it == properties_.end() ? std::string() : it->second;
}

void CTrackingStore::AddEvent(std::string_view name, std::string_view value, bool quoted) {
  std::string text = EventText(name, value, quoted);
  const std::lock_guard lock(property_mutex_);
  if (std::find(events_.begin(), events_.end(), text) == events_.end()) {
    events_.push_back(std::move(text));
  }
}

void CTrackingStore::AddEvent(std::string_view name, std::wstring_view value, bool quoted) {
  AddEvent(name, std::string_view(WideToUtf8Lenient(value)), quoted);
}

void CTrackingStore::AddEvent(std::string_view name, std::int64_t value) {
  AddEvent(name, std::string_view(std::to_string(value)), false);
}

bool CTrackingStore::AddRelayedEvent(const void* data, std::size_t byte_count) {
  if (data == nullptr || byte_count == 0 || byte_count % 2 != 0) return false;
  // One character past the limit is enough to tell an over-long record.
  const std::u16string record = ReadUtf16(data, byte_count / 2, kMaxRelayedChars + 1);
  if (record.empty() || record.size() > kMaxRelayedChars) return false;
  const std::u16string compact = CompactRelayed(record);
  if (compact.empty()) return false;
  std::string text = Utf16ToUtf8Lenient(compact);
  const std::lock_guard lock(property_mutex_);
  if (relayed_.size() >= kMaxRelayed) return false;
  relayed_.push_back(std::move(text));
  return true;
}

DependentTrack& CTrackingStore::DependentLocked(std::int32_t id) { return dependents_[id]; }

void CTrackingStore::SetDependentForceInstall(std::int32_t id, bool force) {
  const std::lock_guard lock(dependent_mutex_);
  DependentLocked(id).force_install = force ? 1 : 0;
}

void CTrackingStore::SetDependentDigest(std::int32_t id, std::wstring_view digest) {
  SetDependentDigestUtf8(id, WideToUtf8Lenient(digest));
}

void CTrackingStore::SetDependentDigestUtf8(std::int32_t id, std::string_view digest) {
  const std::lock_guard lock(dependent_mutex_);
  DependentLocked(id).digest.assign(digest);
}

void CTrackingStore::SetDependentDownloadError(std::int32_t id, std::int32_t code) {
  const std::lock_guard lock(dependent_mutex_);
  DependentLocked(id).down_error = code;
}

void CTrackingStore::SetDependentInstallError(std::int32_t id, std::int32_t code) {
  const std::lock_guard lock(dependent_mutex_);
  DependentLocked(id).install_error = code;
}

void CTrackingStore::SetDependentDownloadTimes(std::int32_t id, std::int64_t start,
                                               std::int64_t end) {
  const std::lock_guard lock(dependent_mutex_);
  DependentTrack& record = DependentLocked(id);
  record.down_start = start;
  record.down_end = end;
}

void CTrackingStore::SetDependentInstallTimes(std::int32_t id, std::int64_t start,
                                              std::int64_t end) {
  const std::lock_guard lock(dependent_mutex_);
  DependentTrack& record = DependentLocked(id);
  record.install_start = start;
  record.install_end = end;
}

std::map<std::int32_t, DependentTrack> CTrackingStore::Dependents() const {
  const std::lock_guard lock(dependent_mutex_);
  return dependents_;
}

void CTrackingStore::CountAddress(std::string_view address) {
  const std::lock_guard lock(counter_mutex_);
  ++address_counts_[std::string(address)];
}

void CTrackingStore::CountAddress(std::wstring_view address) {
  CountAddress(std::string_view(WideToUtf8Lenient(address)));
}

void CTrackingStore::CountUrl(std::string_view url) {
  const std::lock_guard lock(counter_mutex_);
  ++url_counts_[std::string(url)];
}

void CTrackingStore::CountUrl(std::wstring_view url) {
  CountUrl(std::string_view(WideToUtf8Lenient(url)));
}

std::map<std::string, std::int64_t> CTrackingStore::AddressCounts() const {
  const std::lock_guard lock(counter_mutex_);
  return address_counts_;
}

std::map<std::string, std::int64_t> CTrackingStore::UrlCounts() const {
  const std::lock_guard lock(counter_mutex_);
  return url_counts_;
}

void CTrackingStore::SetTrackId(std::string_view id) {
  const std::lock_guard lock(property_mutex_);
  track_id_.assign(id);
}

std::string CTrackingStore::TrackId() const {
  const std::lock_guard lock(property_mutex_);
  return track_id_;
}

void CTrackingStore::SetServerBaseUrl(std::wstring_view url) {
  SetServerBaseUrlUtf8(WideToUtf8Lenient(url));
}

void CTrackingStore::SetServerBaseUrlUtf8(std::string_view url) {
  const std::lock_guard lock(property_mutex_);
  server_base_url_.assign(url);
}

std::string CTrackingStore::ServerBaseUrl() const {
  const std::lock_guard lock(property_mutex_);
  return server_base_url_;
}

void CTrackingStore::ReadProperties(
    const std::function<void(const TrackProperties&)>& reader) const {
  const std::lock_guard lock(property_mutex_);
  const TrackProperties view{properties_, events_, relayed_, track_id_, server_base_url_};
  reader(view);
}

CTrackingStore& TrackingStore() {
  // Built in static storage and never destroyed: the crash filter and threads still
  // running at exit may report.
  alignas(CTrackingStore) static unsigned char storage[sizeof(CTrackingStore)];
  static CTrackingStore* const store = ::new (storage) CTrackingStore();
  return *store;
}

namespace {
// The run starts before the entry point: take the start time then, not at first use.
[[maybe_unused]] const bool g_store_created = (TrackingStore(), true);
}  // namespace
