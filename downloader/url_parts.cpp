#include "downloader/url_parts.h"

#include "downloader/curl_handles.h"
#include "downloader/ipv4_text.h"

namespace ns_PLX {
namespace {

CurlUrl Parse(const std::string& url) {
  CurlUrl parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    return nullptr;
  }
  return parsed;
}

std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* raw = nullptr;
  if (curl_url_get(url, part, &raw, flags) != CURLUE_OK) return {};
  const CurlString owned(raw);
  return owned ? std::string(owned.get()) : std::string();
}

}  // namespace

std::string UrlHost(const std::string& url) {
  const CurlUrl parsed = Parse(url);
  return parsed ? Part(parsed.get(), CURLUPART_HOST) : std::string();
}

bool IsIpv4Address(std::string_view host) { return ParseIpv4(host).has_value(); }

std::optional<PinnedUrl> PinToAddress(const std::string& url, std::string_view host_header) {
  std::string_view name = host_header;
  const std::size_t colon = name.rfind(':');
  if (colon != std::string_view::npos &&
      name.find_first_not_of("0123456789", colon + 1) == std::string_view::npos) {
    name = name.substr(0, colon);
  }
  if (name.empty() || name.front() == '[' || IsIpv4Address(name)) return std::nullopt;

  const CurlUrl parsed = Parse(url);
  if (!parsed) return std::nullopt;
  const std::string address = Part(parsed.get(), CURLUPART_HOST);
  const std::string port = Part(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if (!IsIpv4Address(address) || port.empty()) return std::nullopt;
  const std::string host(name);
  if (curl_url_set(parsed.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  PinnedUrl pinned{Part(parsed.get(), CURLUPART_URL), host + ":" + port + ":" + address};
  if (pinned.url.empty()) return std::nullopt;
  return pinned;
}

}  // namespace ns_PLX
