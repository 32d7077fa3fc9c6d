#pragma once
// The size of a remote file from the Content-Length of its final response.
#include <cstdint>
#include <string>

#include "downloader/http_types.h"

namespace ns_PLX {

// A HEAD first; when its final response is not a success with a complete Content-Length
// line, a GET that ends as soon as the headers are in (no body is read). 0 when the size
// cannot be learned. With `hostHeader` the requests carry "Host: " + it; when `url` names
// a bare IPv4 address, the exchange is made under that host's name while still connecting
// to the address, so that an https certificate is checked against the real host.
std::int64_t QueryContentLength(const std::wstring& url, const std::wstring& hostHeader,
                                const HttpSettings& settings = {});

}  // namespace ns_PLX
