#pragma once
// One multipart POST that uploads a file as the form part "file". Synchronous, no shared
// state, no retries.
#include <cstdint>
#include <string>

#include "downloader/http_types.h"

namespace ns_PLX {

// `url` is used as is; `headers` carry the caller's content type and authorisation lines;
// `filePath` is UTF-8. Returns the reply's body with every CR LF pair removed;
// `resultCode` as for HttpRequest (26, read error, when the file cannot be opened: then
// nothing is sent). Always HTTP/1.0, with certificate checks.
std::string HttpFormUpload(const std::string& url, const HeaderList& headers,
                           const std::string& filePath, std::int32_t& resultCode,
                           const HttpSettings& settings = {});

}  // namespace ns_PLX
