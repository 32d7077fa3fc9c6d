#pragma once
// The few URL facts the HTTP helpers act on, read with libcurl's own URL parser so that
// they agree with what libcurl connects to.
#include <optional>
#include <string>
#include <string_view>

namespace ns_PLX {

// The host of a URL as libcurl sees it (lower case, numeric forms normalised); empty when
// the URL does not parse.
std::string UrlHost(const std::string& url);

// Four dotted decimal numbers 0-255.
bool IsIpv4Address(std::string_view host);

// A URL aimed at a bare address, rewritten to carry the host it stands for, plus the
// name-resolution override that still sends it to that address.
struct PinnedUrl {
  std::string url;      // same URL with the address replaced by the host name
  std::string resolve;  // "name:port:address"
};

// For `url` whose host is an IPv4 address and `host_header` naming the real host ("name" or
// "name:port"). Nothing when either does not fit; the caller then uses the URL as is.
std::optional<PinnedUrl> PinToAddress(const std::string& url, std::string_view host_header);

}  // namespace ns_PLX
