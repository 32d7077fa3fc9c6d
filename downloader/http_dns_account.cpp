#include "downloader/http_dns.h"

namespace ns_PLX {

// Placeholders in the stored form until the resolver service's own account is filled in;
// the resolver addresses stay empty until then, so no request is made.
HttpDnsAccount BuiltInHttpDnsAccount() {
  return {"MTqYyMDgz", "YZr7kzgyOTQ2NzZiY2Y3ZGFiMjBkOTkxOWY3NzczMzMzNWI=",
          "QVlZVpQ3xTzdTYUFnbFRDSG54VmNlOWh1amU0"};
}

std::string BuiltInHttpDnsPrimary() { return {}; }
std::string BuiltInHttpDnsSecondary() { return {}; }

}  // namespace ns_PLX
