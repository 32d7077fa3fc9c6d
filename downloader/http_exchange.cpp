#include "downloader/http_exchange.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "app/log/simple_log.h"
#include "downloader/curl_global.h"
#include "downloader/url_parts.h"

namespace ns_PLX {
namespace {

// Where one callback's bytes go. Never lets an exception into libcurl.
struct Sink {
  std::string text;
  std::size_t limit = 0;
  bool keep = true;
  bool over_limit = false;

  bool Take(const char* data, std::size_t length) {
    if (!keep) return true;
    if (length > limit - std::min(limit, text.size())) {
      over_limit = true;
      return false;
    }
    try {
      text.append(data, length);
    } catch (...) {
      over_limit = true;
      return false;
    }
    return true;
  }
};

// `prefix` in lower case.
bool StartsWithNoCase(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = line[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != prefix[i]) return false;
  }
  return true;
}

// Follows the response heads of a size probe: interim (1xx) and followed redirects (3xx
// with a Location) carry on; the first other head, once complete, ends the exchange.
struct ProbeWatch {
  bool active = false;
  int status = 0;
  bool location = false;
  bool stopped = false;

  // False: stop here.
  bool Line(std::string_view line) {
    if (line.rfind("HTTP/", 0) == 0) {
      const std::size_t space = line.find(' ');
      status = 0;
      if (space != std::string_view::npos) {
        const std::string_view code = line.substr(space + 1, 3);
        std::from_chars(code.data(), code.data() + code.size(), status);
      }
      location = false;
    } else if (StartsWithNoCase(line, "location:")) {
      location = true;
    } else if (line == "\r\n" || line == "\n") {
      const bool goes_on =
          (status >= 100 && status < 200) || (status >= 300 && status < 400 && location);
      if (!goes_on) stopped = true;
      return goes_on;
    }
    return true;
  }
};

struct HeaderTarget {
  Sink sink;
  ProbeWatch probe;
};

struct BodyTarget {
  Sink sink;
  ProbeWatch* probe = nullptr;
};

size_t OnHeader(char* data, size_t size, size_t count, void* target) {
  auto& header = *static_cast<HeaderTarget*>(target);
  const std::size_t length = size * count;
  if (!header.sink.Take(data, length)) return 0;
  if (header.probe.active && !header.probe.Line(std::string_view(data, length))) return 0;
  return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* target) {
  auto& body = *static_cast<BodyTarget*>(target);
  if (body.probe != nullptr && body.probe->active) {
    body.probe->stopped = true;  // a probe never keeps a body
    return 0;
  }
  const std::size_t length = size * count;
  return body.sink.Take(data, length) ? length : 0;
}

// A header line must not smuggle in further lines or requests.
bool SafeHeaderLine(const std::string& line) {
  return line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

HttpExchange::HttpExchange(const char* log_name, const HttpSettings& settings)
    : log_name_(log_name), settings_(settings) {}

bool HttpExchange::Init() {
  if (CurlGlobalInit()) easy_.reset(curl_easy_init());
  if (!easy_) {
    LogLine(kLogError, "[ERROR] %s, curl init failed!", log_name_);
    return false;
  }
  return true;
}

ExchangeReply HttpExchange::Perform(const ExchangeRequest& request) {
  ExchangeReply reply;
  static const HeaderList kNoHeaders;
  const HeaderList& lines = request.headers != nullptr ? *request.headers : kNoHeaders;
  if (!std::all_of(lines.begin(), lines.end(), SafeHeaderLine) ||
      !SafeHeaderLine(request.resolve)) {
    LogLine(kLogError, "[ERROR] %s, header line refused, it holds a line break.", log_name_);
    reply.code = CURLE_BAD_FUNCTION_ARGUMENT;
    return reply;
  }
  CurlSList header_list;
  CurlSList resolve_list;
  for (const std::string& line : lines) {
    if (!AppendLine(header_list, line.c_str())) {
      reply.code = CURLE_OUT_OF_MEMORY;
      return reply;
    }
  }
  if (!request.resolve.empty() && !AppendLine(resolve_list, request.resolve.c_str())) {
    reply.code = CURLE_OUT_OF_MEMORY;
    return reply;
  }

  // The exception is honoured for an address only; a named host is always checked.
  const bool unverified = request.tls == TlsCheck::kSkipForResolverAddress &&
                          IsIpv4Address(UrlHost(request.url));
  if (request.tls == TlsCheck::kSkipForResolverAddress && !unverified) {
    LogLine(kLogWarn, "[WARN] %s, tls check kept on, host is not an address.", log_name_);
  }

  HeaderTarget header_target;
  header_target.sink.limit = settings_.max_response_bytes;
  header_target.sink.keep = request.capture_headers;
  header_target.probe.active = request.stop_after_headers;
  BodyTarget body_target;
  body_target.sink.limit = settings_.max_response_bytes;
  body_target.probe = &header_target.probe;

  Set(CURLOPT_SSL_VERIFYPEER, unverified ? 0L : 1L);
  Set(CURLOPT_SSL_VERIFYHOST, unverified ? 0L : 2L);
  if (!settings_.ca_file.empty()) Set(CURLOPT_CAINFO, settings_.ca_file.c_str());
  // Schannel: an unreachable revocation server must not fail every exchange.
  Set(CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  if (request.http10) Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  if (request.capture_headers || request.stop_after_headers) {
    Set(CURLOPT_HEADERFUNCTION, &OnHeader);
    Set(CURLOPT_HEADERDATA, static_cast<void*>(&header_target));
  }
  Set(CURLOPT_HTTPHEADER, header_list.get());
  Set(CURLOPT_URL, request.url.c_str());
  // Unverified answers come from the resolver itself; they never lead elsewhere.
  Set(CURLOPT_FOLLOWLOCATION, unverified ? 0L : 1L);
  Set(CURLOPT_MAXREDIRS, settings_.max_redirects);
  Set(CURLOPT_PROTOCOLS_STR, "http,https");
  Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  Set(CURLOPT_WRITEFUNCTION, &OnBody);
  Set(CURLOPT_WRITEDATA, static_cast<void*>(&body_target));
  Set(CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));
  Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connect_timeout.count()));
  Set(CURLOPT_TIMEOUT_MS, static_cast<long>(request.total_timeout.count()));
  Set(CURLOPT_NOSIGNAL, 1L);
  if (resolve_list) Set(CURLOPT_RESOLVE, resolve_list.get());
  if (setopt_error_ != CURLE_OK) {
    reply.code = setopt_error_;
    LogLine(kLogError, "[ERROR] %s, curl easy setopt failed, code=[%d].", log_name_,
            static_cast<int>(setopt_error_));
    return reply;
  }

  CURLcode result = curl_easy_perform(easy_.get());
  if (result == CURLE_WRITE_ERROR && header_target.probe.stopped) result = CURLE_OK;
  if (header_target.sink.over_limit || body_target.sink.over_limit) {
    LogLine(kLogWarn, "[WARN] %s, response over [%llu] bytes, transfer stopped.", log_name_,
            static_cast<unsigned long long>(settings_.max_response_bytes));
  }
  reply.code = result;
  if (result != CURLE_OK) {
    LogLine(kLogError, "[ERROR] %s, curl easy perform failed, code=[%d].", log_name_,
            static_cast<int>(result));
  } else {
    long status = 0;
    const CURLcode info = curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
    if (info != CURLE_OK) {
      reply.code = info;
      LogLine(kLogError, "[ERROR] %s, curl easy getinfo failed, code=[%d].", log_name_,
              static_cast<int>(info));
    }
  }
  // The lists die with this call; the handle must not point at them any longer.
  curl_easy_reset(easy_.get());
  reply.headers = std::move(header_target.sink.text);
  reply.body = std::move(body_target.sink.text);
  return reply;
}

std::string WithoutCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace ns_PLX
