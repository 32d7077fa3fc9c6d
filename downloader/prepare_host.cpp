#include "downloader/prepare_host.h"

#include <optional>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/url_split.h"

namespace ns_PLX {

bool PrepareHost(CHostTable& hosts, const std::string& url, bool refresh, AddressTable& addresses,
                 std::int64_t& file_size, IPrepareHostSink& sink) {
  try {
    const std::wstring wide_url = Utf8ToWide(url);
    const std::optional<UrlSplit> parts = SplitUrl(url);
    const std::wstring host = parts ? Utf8ToWide(parts->host) : std::wstring();
    bool known = hosts.HasAddresses(wide_url);
    if (known && refresh) {
      hosts.Clear();
      sink.HostRefreshed();
      known = false;
    }
    bool resolved = known;
    if (!known && hosts.InitHost(wide_url)) {
      resolved = true;
      if (const std::int64_t size = hosts.SizeOf(wide_url); size > 0) file_size = size;
      std::string listed_host, listed;
      if (hosts.HostAddressList(wide_url, listed_host, listed)) {
        sink.HostAddressesKnown(listed_host + ":" + listed);
      } else {
        LogLine(kLogError, "[ERROR] multi, get dns info failed! url=[%s].", url.c_str());
      }
    }
    if (resolved) {
      FillAddressTable(addresses, hosts.AddressesOf(host));
      if (!addresses.empty()) return true;
    }
  } catch (...) {
  }
  LogLine(kLogError, "[ERROR] multi, get dns info failed!");
  sink.HostPreparationFailed();
  return false;
}

}  // namespace ns_PLX
