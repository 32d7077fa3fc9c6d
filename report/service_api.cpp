#include "report/service_api.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "app/log/simple_log.h"
#include "common/json_doc.h"
#include "common/text_convert.h"
#include "downloader/http_form_upload.h"
#include "downloader/http_request.h"

namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};

std::string Url(const std::string& base, std::string_view path) {
  return base + std::string(path);
}

}  // namespace

int ServiceReplyCode(std::string_view reply) {
  const std::unique_ptr<cJSON, JsonDeleter> doc(cJSON_ParseWithLength(reply.data(), reply.size()));
  const cJSON* code = cJSON_GetObjectItemCaseSensitive(doc.get(), "code");
  if (!cJSON_IsNumber(code)) return -1;
  const double value = code->valuedouble;
  // 0.5 is no success, and a code outside int's range is no code at all.
  if (std::floor(value) != value || value < INT32_MIN || value > INT32_MAX) return -1;
  return static_cast<int>(value);
}

ServiceApi::ServiceApi(ServiceEndpoints endpoints) : endpoints_(std::move(endpoints)) {}

std::string ServiceApi::Post(std::string_view path, const ns_PLX::HeaderList& headers,
                             const std::string& body, Switch mode) const {
  auto send = [&](const std::string& base) {
    std::int32_t rc = 0;  // not looked at: a failed transfer is an empty reply
    return ns_PLX::HttpRequest(ns_PLX::RequestKind::Post, Utf8ToWide(Url(base, path)), headers,
                               true, false, body, rc, ns_PLX::TlsCheck::kVerify,
                               endpoints_.http);
  };
  std::string reply = send(endpoints_.api_base);
  if (ServiceReplyCode(reply) == 0) return reply;
  if (mode == Switch::kLogged) LogLine(kLogWarn, "[WARN] switch host domain.");
  return send(endpoints_.fallback_base);
}

std::string ServiceApi::Upload(std::string_view path, const ns_PLX::HeaderList& headers,
                               const std::string& utf8_file) const {
  auto send = [&](const std::string& base) {
    std::int32_t rc = 0;
    return ns_PLX::HttpFormUpload(Url(base, path), headers, utf8_file, rc, endpoints_.http);
  };
  std::string reply = send(endpoints_.api_base);
  if (ServiceReplyCode(reply) == 0) return reply;
  LogLine(kLogWarn, "[WARN] switch host domain.");
  return send(endpoints_.fallback_base);
}

std::string ServiceApi::GetToken(std::string_view product_id, std::string_view client_sign,
                                 std::string_view product_version) const {
  const ns_PLX::HeaderList headers = {
      "X-Client-Type: 1",
      "Content-Type: application/json",
      "X-App-Key: " + std::string(kServiceAppKey),
      "X-Client-Sn: " + std::string(client_sign),
      "X-Prod-Id: " + std::string(product_id),
      "X-Prod-Ver: " + std::string(product_version),
  };
  const std::string reply =
      Post(kServiceTokenPath, headers, std::string(kServiceTokenBody), Switch::kSilent);
  if (ServiceReplyCode(reply) != 0) {
    LogLine(kLogError, "[ERROR] get token failed! result=[%s].", reply.c_str());
    return {};
  }
  JsonDoc doc;
  JsonDoc data;
  std::string token;
  if (doc.Parse(reply) && doc.GetObject("data", data)) data.GetString("access_token", token);
  return token;
}
