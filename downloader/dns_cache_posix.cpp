#include "downloader/dns_cache.h"

namespace ns_PLX {

void FlushSystemDnsCache() noexcept {}

}  // namespace ns_PLX
