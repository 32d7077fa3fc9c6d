#include "downloader/url_split.h"

#include <charconv>

namespace ns_PLX {

std::optional<UrlSplit> SplitUrl(std::string_view url) {
  try {
    const std::size_t marker = url.find("://");
    if (marker == std::string_view::npos) return std::nullopt;
    UrlSplit parts;
    parts.scheme = std::string(url.substr(0, marker));
    const std::string_view rest = url.substr(marker + 3);
    const std::size_t host_end = rest.find_first_of("/?#");
    const std::string_view host = rest.substr(0, host_end);
    if (host_end != std::string_view::npos) parts.path = std::string(rest.substr(host_end));
    parts.host = std::string(host);
    if (host.find_first_of("@[]") != std::string_view::npos) return std::nullopt;

    std::string_view name = host;
    const std::size_t colon = host.rfind(':');
    if (colon != std::string_view::npos) {
      const std::string_view port = host.substr(colon + 1);
      unsigned number = 0;
      const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
      if (port.empty() || port.size() > 5 || error != std::errc() ||
          end != port.data() + port.size() || number == 0 || number > 65535) {
        return std::nullopt;
      }
      parts.port = std::string(port);
      name = host.substr(0, colon);
    }
    if (name.empty()) return std::nullopt;
    parts.name = std::string(name);
    return parts;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace ns_PLX
