#pragma once
// The one libcurl exchange under HttpRequest, HttpFormUpload and QueryContentLength:
// handle, shared options, response collection, perform, result code and log lines.
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "downloader/curl_handles.h"
#include "downloader/http_types.h"

namespace ns_PLX {

struct ExchangeRequest {
  std::string url;  // UTF-8
  const HeaderList* headers = nullptr;
  bool http10 = false;
  bool capture_headers = false;
  // Size probe: end the exchange once the final response's headers are in, before any
  // of its body is read; that counts as success.
  bool stop_after_headers = false;
  TlsCheck tls = TlsCheck::kVerify;
  std::chrono::milliseconds total_timeout{0};
  std::string resolve;  // one name-resolution override, "name:port:address", or empty
};

struct ExchangeReply {
  std::int32_t code = CURLE_OK;
  std::string headers;  // raw header lines of every response, when captured
  std::string body;     // raw body bytes
};

class HttpExchange {
 public:
  // `log_name` starts each log line ("curl request", "curl form data request").
  HttpExchange(const char* log_name, const HttpSettings& settings);

  // Creates the handle; false after logging "<name>, curl init failed!".
  bool Init();
  // For the method's own options, set before Perform.
  CURL* handle() const { return easy_.get(); }

  ExchangeReply Perform(const ExchangeRequest& request);

  // Remembers the first failing option, so one check after a run of settings suffices.
  template <typename T>
  void Set(CURLoption option, T value) {
    const CURLcode result = curl_easy_setopt(easy_.get(), option, value);
    if (result != CURLE_OK && setopt_error_ == CURLE_OK) setopt_error_ = result;
  }

 private:
  const char* const log_name_;
  const HttpSettings& settings_;
  CurlEasy easy_;
  CURLcode setopt_error_ = CURLE_OK;
};

// Every CR LF pair removed in one pass; lone CR and LF stay.
std::string WithoutCrLf(const std::string& text);

}  // namespace ns_PLX
