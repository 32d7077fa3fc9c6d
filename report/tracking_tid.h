#pragma once
// The run's track id, asked from the platform while the server document loads and
// carried by the tracking report as "orbtrackid".
#include <string>
#include <string_view>

#include "downloader/http_types.h"
#include "report/tracking_store.h"

// Where the track id is asked for: scheme and host, no trailing slash.
inline constexpr std::wstring_view kDefaultTidServer = L"https://trk.korvane.example";

// The id in a platform reply: the text after the first "data":" up to the next double
// quote, when the reply holds "code":0; empty otherwise.
std::string ParseTid(std::string_view reply);

// GET <server>/api/v1/prodweb/trk?pid=<product id>&os=Windows; the id (possibly empty)
// is stored in `store` and returned.
std::string GetTid(CTrackingStore& store, std::wstring_view product_id,
                   std::wstring_view server = kDefaultTidServer,
                   const ns_PLX::HttpSettings& http = {});
// The same for the process-wide store.
std::string GetTid(std::wstring_view product_id);
