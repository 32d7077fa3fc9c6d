#pragma once
// One short GET, HEAD or POST whose whole reply is collected in memory. Synchronous, no
// shared state: any thread may call it. No retries.
#include <cstdint>
#include <string>

#include "downloader/http_types.h"

namespace ns_PLX {

// Returns the reply's body with every CR LF pair removed, preceded by the raw response
// header lines when `captureHeaders`. `resultCode` receives libcurl's result (0 also for
// an HTTP error status, whose page then comes back); it is left alone when no handle could
// be created, and the text is then empty. `url` is converted to UTF-8; `body` is sent with
// Post only. `tls` is the resolver's exception (see TlsCheck).
std::string HttpRequest(RequestKind kind, const std::wstring& url, const HeaderList& headers,
                        bool forceHttp10, bool captureHeaders, const std::string& body,
                        std::int32_t& resultCode, TlsCheck tls = TlsCheck::kVerify,
                        const HttpSettings& settings = {});

}  // namespace ns_PLX
