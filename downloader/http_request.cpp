#include "downloader/http_request.h"

#include <algorithm>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/http_exchange.h"

namespace ns_PLX {
namespace {

constexpr const char* kLogName = "curl request";

bool NamesContentType(const std::string& line) {
  constexpr std::string_view kName = "content-type:";
  if (line.size() < kName.size()) return false;
  return std::equal(kName.begin(), kName.end(), line.begin(), [](char want, char c) {
    return want == ((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
  });
}

}  // namespace

std::string HttpRequest(RequestKind kind, const std::wstring& url, const HeaderList& headers,
                        bool forceHttp10, bool captureHeaders, const std::string& body,
                        std::int32_t& resultCode, TlsCheck tls, const HttpSettings& settings) {
  try {
    HttpExchange exchange(kLogName, settings);
    if (!exchange.Init()) return {};

    HeaderList lines = headers;
    switch (kind) {
      case RequestKind::Head:
        exchange.Set(CURLOPT_NOBODY, 1L);
        break;
      case RequestKind::Post:
        exchange.Set(CURLOPT_POST, 1L);
        exchange.Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        exchange.Set(CURLOPT_POSTFIELDS, body.data());
        // libcurl would label the body as a form; only the caller names its type.
        if (std::none_of(lines.begin(), lines.end(), NamesContentType)) {
          lines.emplace_back("Content-Type:");
        }
        break;
      case RequestKind::Get:
      default:
        break;
    }

    ExchangeRequest request;
    request.url = WideToUtf8(url);
    request.headers = &lines;
    request.http10 = forceHttp10;
    request.capture_headers = captureHeaders;
    request.tls = tls;
    request.total_timeout = settings.request_timeout;
    ExchangeReply reply = exchange.Perform(request);
    resultCode = reply.code;
    return reply.headers + WithoutCrLf(reply.body);
  } catch (...) {
    LogLine(kLogError, "[ERROR] %s, out of memory.", kLogName);
    resultCode = CURLE_OUT_OF_MEMORY;
    return {};
  }
}

}  // namespace ns_PLX
