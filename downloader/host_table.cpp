#include "downloader/host_table.h"

#include <new>
#include <optional>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/content_length.h"
#include "downloader/dns_cache.h"
#include "downloader/ipv4_text.h"
#include "downloader/system_resolver.h"
#include "downloader/url_split.h"

namespace ns_PLX {
namespace {

std::uint32_t KeyOf(const Ipv4& octets) {
  return static_cast<std::uint32_t>(octets[0]) | (static_cast<std::uint32_t>(octets[1]) << 8) |
         (static_cast<std::uint32_t>(octets[2]) << 16) | (static_cast<std::uint32_t>(octets[3]) << 24);
}

Ipv4 OctetsOf(std::uint32_t key) {
  return {static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
          static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 24)};
}

std::string Dotted(std::uint32_t key) { return FormatIpv4(OctetsOf(key)); }

// The host's name without a trailing ":port".
std::string NameOf(const std::string& host) {
  const std::size_t colon = host.rfind(':');
  if (colon == std::string::npos || colon + 1 == host.size() ||
      host.find_first_not_of("0123456789", colon + 1) != std::string::npos) {
    return host;
  }
  return host.substr(0, colon);
}

std::optional<UrlSplit> SplitWideUrl(const std::wstring& url) {
  const std::string narrow = WideToUtf8(url);
  if (narrow.empty()) return std::nullopt;
  return SplitUrl(narrow);
}

}  // namespace

CHostTable::CHostTable(HostTableSettings settings) : settings_(std::move(settings)) {}

bool CHostTable::HasAddresses(const std::wstring& url) {
  try {
    const std::optional<UrlSplit> parts = SplitWideUrl(url);
    if (!parts) return false;
    const std::lock_guard lock(mutex_);
    const auto found = hosts_.find(Utf8ToWide(parts->host));
    return found != hosts_.end() && !found->second.empty();
  } catch (...) {
    return false;
  }
}

bool CHostTable::QueryHost(const std::wstring& host) {
  try {
    const std::lock_guard lock(mutex_);
    return QueryHostLocked(host);
  } catch (...) {
    LogLine(kLogError, "[ERROR] query host failed!");
    return false;
  }
}

bool CHostTable::QueryHostLocked(const std::wstring& host) {
  const std::string narrow = WideToUtf8(host);
  if (narrow.empty()) return false;
  const std::string name = NameOf(narrow);
  const std::string logged = WideToAnsi(host);
  AddressSet& addresses = hosts_[host];

  if (const std::optional<std::vector<Ipv4>> answer = ResolveIpv4(name)) {
    addresses.clear();
    for (const Ipv4& octets : *answer) addresses.insert(KeyOf(octets));
  }
  if (addresses.empty()) {
    const std::vector<std::string> found = QueryHttpDns(name, settings_.http_dns);
    LogLine(kLogInfo, "[INFO] query httpdns, host=[%s], ip count=[%d].", logged.c_str(),
            static_cast<int>(found.size()));
    for (const std::string& dotted : found) {
      if (const std::optional<Ipv4> octets = ParseIpv4(dotted)) addresses.insert(KeyOf(*octets));
    }
  }
  LogLine(kLogInfo, "[INFO] query host=[%s], ip count=[%d].", logged.c_str(),
          static_cast<int>(addresses.size()));
  return !addresses.empty();
}

bool CHostTable::InitHost(const std::wstring& url) {
  try {
    if (url.empty()) {
      LogLine(kLogError, "[ERROR] init host url is empty.");
      return false;
    }
    const std::optional<UrlSplit> parts = SplitWideUrl(url);
    if (!parts) {
      LogLine(kLogError, "[ERROR] parse url failed!");
      return false;
    }
    const std::wstring host = Utf8ToWide(parts->host);

    const std::lock_guard lock(mutex_);
    if (const auto known = hosts_.find(host); known != hosts_.end() && !known->second.empty()) {
      return true;
    }
    if (!QueryHostLocked(host)) {
      LogLine(kLogError, "[ERROR] query host failed!");
      return false;
    }
    AddressSet& addresses = hosts_[host];

    std::map<std::int64_t, std::vector<std::uint32_t>> buckets;  // size -> addresses
    const std::string port = parts->port.empty() ? std::string() : ":" + parts->port;
    for (const std::uint32_t key : addresses) {
      const std::string dotted = Dotted(key);
      LogLine(kLogInfo, "[INFO] host ip=[%s]", dotted.c_str());
      const std::string probe = parts->scheme + "://" + dotted + port + parts->path;
      const std::int64_t size = QueryContentLength(Utf8ToWide(probe), host, settings_.probe);
      if (size <= 0) continue;
      if (size > settings_.max_file_size) {
        LogLine(kLogWarn, "[WARN] host ip=[%s], size=[%lld] not believed.", dotted.c_str(),
                static_cast<long long>(size));
        continue;
      }
      std::vector<std::uint32_t>& bucket = buckets[size];
      bucket.push_back(key);
      if (bucket.size() >= settings_.enough_agreeing) break;
    }

    // Most addresses wins; among equal counts the smaller size (the map runs upwards).
    const std::vector<std::uint32_t>* chosen = nullptr;
    std::int64_t chosen_size = 0;
    for (const auto& [size, bucket] : buckets) {
      if (chosen == nullptr || bucket.size() > chosen->size()) {
        chosen = &bucket;
        chosen_size = size;
      }
    }
    if (chosen != nullptr && chosen_size > 0) {
      sizes_[url] = chosen_size;
      const std::set<std::uint32_t> keep(chosen->begin(), chosen->end());
      for (auto at = addresses.begin(); at != addresses.end();) {
        if (keep.count(*at) != 0) {
          ++at;
          continue;
        }
        LogLine(kLogWarn, "[WARN] remove host ip=[%s]", Dotted(*at).c_str());
        at = addresses.erase(at);
      }
    }
    LogLine(kLogInfo, "[INFO] init host, vaild ip count=[%d]", static_cast<int>(addresses.size()));
    return !addresses.empty();
  } catch (...) {
    LogLine(kLogError, "[ERROR] query host failed!");
    return false;
  }
}

bool CHostTable::HostAddressList(const std::wstring& url, std::string& host,
                                 std::string& addresses) {
  try {
    const std::optional<UrlSplit> parts = SplitWideUrl(url);
    if (!parts) return false;
    const std::lock_guard lock(mutex_);
    const auto found = hosts_.find(Utf8ToWide(parts->host));
    if (found == hosts_.end() || found->second.empty()) return false;
    std::string list;
    for (const std::uint32_t key : found->second) {
      if (!list.empty()) list += ',';
      list += Dotted(key);
    }
    host = parts->host;
    addresses = std::move(list);
    return true;
  } catch (...) {
    return false;
  }
}

std::vector<std::string> CHostTable::AddressesOf(const std::wstring& host) {
  try {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> list;
    if (const auto found = hosts_.find(host); found != hosts_.end()) {
      for (const std::uint32_t key : found->second) list.push_back(Dotted(key));
    }
    return list;
  } catch (...) {
    return {};
  }
}

std::int64_t CHostTable::SizeOf(const std::wstring& url) {
  try {
    const std::lock_guard lock(mutex_);
    const auto found = sizes_.find(url);
    return found == sizes_.end() ? 0 : found->second;
  } catch (...) {
    return 0;
  }
}

void CHostTable::Clear() {
  try {
    const std::lock_guard lock(mutex_);
    hosts_.clear();
  } catch (...) {
    return;
  }
  FlushSystemDnsCache();
}

CHostTable& ProcessHostTable() {
  // Never destroyed: downloads may still run while the process ends.
  alignas(CHostTable) static unsigned char storage[sizeof(CHostTable)];
  static CHostTable* const table = ::new (storage) CHostTable();
  return *table;
}

}  // namespace ns_PLX
