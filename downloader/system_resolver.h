#pragma once
// The system's own name resolution, IPv4 only.
#include <optional>
#include <string>
#include <vector>

#include "downloader/ipv4_text.h"

namespace ns_PLX {

// The IPv4 addresses the system resolver gives for `name` (UTF-8), in its order;
// nothing when it gives no answer. Windows: the classic host-by-name call. POSIX: the
// address-info call limited to IPv4 (the classic call is not thread-safe there).
std::optional<std::vector<Ipv4>> ResolveIpv4(const std::string& name);

}  // namespace ns_PLX
