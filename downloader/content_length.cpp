#include "downloader/content_length.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/http_exchange.h"
#include "downloader/url_parts.h"

namespace ns_PLX {
namespace {

constexpr const char* kLogName = "curl request";

bool StartsWithNoCase(std::string_view text, std::string_view lower_prefix) {
  return text.size() >= lower_prefix.size() &&
         std::equal(lower_prefix.begin(), lower_prefix.end(), text.begin(), [](char want, char c) {
           return want == ((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
         });
}

// The length a final 2xx response declares. Redirects and interim responses before it do
// not count; names match in any case (HTTP/2 sends them in lower case). Digits separated
// by blanks are joined; a value that is not a plain non-negative number gives 0.
std::optional<std::int64_t> FinalContentLength(std::string_view heads) {
  std::size_t start = heads.rfind("\nHTTP/");
  start = start == std::string_view::npos ? 0 : start + 1;
  const std::string_view head = heads.substr(start);
  if (head.rfind("HTTP/", 0) != 0) return std::nullopt;
  const std::size_t space = head.find(' ');
  if (space == std::string_view::npos || head.substr(space + 1, 1) != "2") return std::nullopt;

  std::optional<std::string_view> value;
  for (std::size_t at = 0; at < head.size();) {
    const std::size_t end = head.find('\n', at);
    if (end == std::string_view::npos) break;  // an incomplete line does not count
    const std::string_view line = head.substr(at, end - at);
    if (StartsWithNoCase(line, "content-length:")) value = line.substr(15);
    at = end + 1;
  }
  if (!value) return std::nullopt;
  std::string digits;
  for (const char c : *value) {
    if (c != ' ' && c != '\t' && c != '\r') digits += c;
  }
  std::int64_t length = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
      length < 0) {
    return 0;
  }
  return length;
}

}  // namespace

std::int64_t QueryContentLength(const std::wstring& url, const std::wstring& hostHeader,
                                const HttpSettings& settings) {
  try {
    HeaderList headers{"connection: close", "Cache-Control: no-cache", "Pragma: no-cache"};
    ExchangeRequest request;
    request.url = WideToUtf8(url);
    request.headers = &headers;
    request.capture_headers = true;
    request.total_timeout = settings.request_timeout;
    if (!hostHeader.empty()) {
      const std::string host = WideToUtf8(hostHeader);
      if (host.empty()) {
        LogLine(kLogError, "[ERROR] %s, host header is not text.", kLogName);
        return 0;
      }
      headers.push_back("Host: " + host);
      if (auto pinned = PinToAddress(request.url, host)) {
        request.url = std::move(pinned->url);
        request.resolve = std::move(pinned->resolve);
      }
    }

    for (const bool get : {false, true}) {
      HttpExchange exchange(kLogName, settings);
      if (!exchange.Init()) continue;
      if (!get) exchange.Set(CURLOPT_NOBODY, 1L);
      request.stop_after_headers = get;
      const ExchangeReply reply = exchange.Perform(request);
      if (const auto length = FinalContentLength(reply.headers)) return *length;
    }
    return 0;
  } catch (...) {
    LogLine(kLogError, "[ERROR] %s, out of memory.", kLogName);
    return 0;
  }
}

}  // namespace ns_PLX
