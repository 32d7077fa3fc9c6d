#include "report/product_series.h"

#include <exception>
#include <thread>
#include <utility>

#include "app/log/simple_log.h"
#include "downloader/thread_name.h"

namespace {

constexpr std::string_view kSeriesPath = "/v1/product/series";

bool IsWholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 18) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// A JSON string literal; UTF-8 passes through unchanged.
std::string JsonString(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

}  // namespace

bool PostInfo(const ServiceApi& api, const std::string& product_id,
              const std::string& client_sign) {
  // The token is asked for even when it then fails: the service decides.
  const std::string token = api.GetToken(product_id, client_sign, "1.1.1");
  if (!IsWholeNumber(product_id)) {
    LogLine(kLogError, "[ERROR] post info failed! result=[product id '%s' is not a number].",
            product_id.c_str());
    return false;
  }
  // One space after the comma, as the service has always received it.
  const std::string body =
      "{\"product_id\":" + product_id + ", \"client_sign\":" + JsonString(client_sign) + "}";
  const std::string reply =
      api.Post(kSeriesPath, {"Content-Type: application/json", "Authorization: Bearer " + token},
               body, ServiceApi::Switch::kSilent);
  if (ServiceReplyCode(reply) == 0) {
    LogLine(kLogInfo, "[INFO] post info ok.");
    return true;
  }
  LogLine(kLogError, "[ERROR] post info failed! result=[%s].", reply.c_str());
  return false;
}

void PostInfoAsync(ServiceEndpoints endpoints, std::string product_id, std::string client_sign,
                   std::function<void(bool)> done) {
  try {
    std::thread([endpoints = std::move(endpoints), product_id = std::move(product_id),
                 client_sign = std::move(client_sign), done = std::move(done)]() mutable {
      ns_PLX::NameCurrentThread("product-series");
      try {
        const ServiceApi api(std::move(endpoints));
        const bool ok = PostInfo(api, product_id, client_sign);
        if (done) done(ok);
      } catch (const std::exception& e) {  // nothing may end the process from here
        LogLine(kLogError, "[ERROR] post info failed! result=[%s].", e.what());
      }
    }).detach();
  } catch (const std::exception& e) {  // no thread: registration is skipped this run
    LogLine(kLogError, "[ERROR] post info failed! result=[no thread: %s].", e.what());
    if (done) done(false);
  }
}
