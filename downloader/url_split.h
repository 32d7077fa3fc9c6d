#pragma once
// The plain text parts of a download URL that host resolution and range transfers act on.
#include <optional>
#include <string>
#include <string_view>

namespace ns_PLX {

struct UrlSplit {
  std::string scheme;  // text before the first "://"
  std::string host;    // after it, up to the first "/", "?" or "#": name plus any ":port"
  std::string path;    // the rest from there on, empty when nothing follows the host
  std::string name;    // host without its port
  std::string port;    // decimal digits, empty when the URL names none
};

// Nothing for a URL without "://", with an empty host name, with credentials or an IPv6
// literal in the host, or with a port that is not 1-65535.
std::optional<UrlSplit> SplitUrl(std::string_view url);

}  // namespace ns_PLX
