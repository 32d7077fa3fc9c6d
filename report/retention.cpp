#include "report/retention.h"

#include <utility>

#include "app/log/simple_log.h"
#include "common/json_doc.h"
#include "common/text_convert.h"
#include "downloader/http_request.h"
#include "downloader/thread_name.h"
#include "report/tracking_text.h"

namespace {

constexpr std::string_view kLanguage = "en-us";

// A header value from outside (the server's product version, say) must not end the
// header line early: control characters are dropped.
std::string HeaderValue(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out.push_back(c);
  }
  return out;
}

std::wstring Wide(const std::string& utf8) { return Utf8ToWide(RepairUtf8(utf8)); }

std::string Exchange(ns_PLX::RequestKind kind, const std::string& url,
                     const ns_PLX::HeaderList& headers, const std::string& body,
                     const ns_PLX::HttpSettings& http) {
  std::int32_t result = 0;  // not looked at: a failed transfer is an empty reply
  return ns_PLX::HttpRequest(kind, Wide(url), headers, true, false, body, result,
                             ns_PLX::TlsCheck::kVerify, http);
}

}  // namespace

std::string_view RetentionFailureTextKey(std::int32_t code) {
  if (code == 0) return {};
  return code == kRetentionAlreadyClaimed ? "redeem_tip_not_again" : "redeem_tip_fail";
}

CRetentionClient::CRetentionClient(ServiceEndpoints endpoints) : endpoints_(std::move(endpoints)) {}

CRetentionClient::Facts CRetentionClient::CopyFacts() const {
  const std::lock_guard lock(mutex_);
  return facts_;
}

ns_PLX::HeaderList CRetentionClient::ClientHeaders(const Facts& facts) const {
  LogLine(kLogInfo, "[INFO] x-lang=[%s]", std::string(kLanguage).c_str());
  const std::string version = facts.product_version.empty()
                                  ? std::string(kRetentionDefaultProductVersion)
                                  : HeaderValue(facts.product_version);
  return {
      "X-Client-Sn: " + HeaderValue(facts.client_sign),
      "X-Client-Type: 1",
      "X-App-Key: " + std::string(kServiceAppKey),
      "X-Prod-Id: " + std::to_string(facts.product_id),
      "X-Lang: " + std::string(kLanguage),
      "X-Prod-Ver: " + version,
  };
}

std::string CRetentionClient::ClientToken(const Facts& facts) const {
  ns_PLX::HeaderList headers{"Content-Type: application/json"};
  for (std::string& line : ClientHeaders(facts)) headers.push_back(std::move(line));
  const std::string reply =
      Exchange(ns_PLX::RequestKind::Post, endpoints_.api_base + std::string(kServiceTokenPath),
               headers, std::string(kServiceTokenBody), endpoints_.http);
  JsonDoc doc;
  JsonDoc data;
  std::string token;
  if (ServiceReplyCode(reply) == 0 && doc.Parse(reply) && !doc.IsNull("data") &&
      doc.GetObject("data", data)) {
    data.GetString("access_token", token);
  }
  return token;  // an empty token still lets the request go out
}

bool CRetentionClient::QueryRetention(std::int32_t product_id, std::wstring_view product_version,
                                      std::wstring_view client_sign,
                                      std::wstring_view version_text) {
  Facts facts;
  facts.product_id = product_id;
  facts.product_version = WideToUtf8Lenient(product_version);
  facts.client_sign = WideToUtf8Lenient(client_sign);
  facts.version_text = WideToUtf8Lenient(version_text);
  {
    const std::lock_guard lock(mutex_);
    facts_ = facts;
  }

  const std::string url = endpoints_.api_base + std::string(kRetentionPath) +
                          "?version=" + QueryValue(facts.version_text);
  ns_PLX::HeaderList headers{"Authorization: Bearer " + HeaderValue(ClientToken(facts))};
  for (std::string& line : ClientHeaders(facts)) headers.push_back(std::move(line));
  LogLine(kLogInfo, "[INFO] query redeem request = %s", url.c_str());
  const std::string reply = Exchange(ns_PLX::RequestKind::Get, url, headers, {}, endpoints_.http);
  LogLine(kLogInfo, "[INFO] query redeem response = %s", reply.c_str());

  const int code = ServiceReplyCode(reply);
  JsonDoc doc;
  JsonDoc data;
  if (code != 0 || !doc.Parse(reply) || doc.IsNull("data") || !doc.GetObject("data", data) ||
      !data.IsObject()) {
    LogLine(kLogError, "[ERROR] query retention strategy failed! err=[%d].", code);
    return false;
  }
  std::int64_t id = 0;
  std::int32_t type = kRetentionNone;
  data.GetInt64("id", id);
  data.GetInt("type", type);
  std::string title;
  std::string content;
  JsonDoc tips;
  if (!data.IsNull("tips") && data.GetObject("tips", tips)) {
    tips.GetString("title", title);
    tips.GetString("content", content);
  }
  const std::lock_guard lock(mutex_);
  offer_id_ = id;
  offer_type_ = type;
  offer_title_ = Wide(title);
  offer_content_ = Wide(content);
  return true;
}

std::int32_t CRetentionClient::OfferType() const {
  const std::lock_guard lock(mutex_);
  return offer_type_;
}

std::int64_t CRetentionClient::OfferId() const {
  const std::lock_guard lock(mutex_);
  return offer_id_;
}

std::wstring CRetentionClient::OfferTitle() const {
  const std::lock_guard lock(mutex_);
  return offer_title_;
}

std::wstring CRetentionClient::OfferContent() const {
  const std::lock_guard lock(mutex_);
  return offer_content_;
}

std::int32_t CRetentionClient::ApplyRetention(std::wstring_view email) {
  const Facts facts = CopyFacts();
  const std::string url = endpoints_.api_base + std::string(kRetentionPath) + "/" +
                          std::to_string(OfferId()) + "/apply";
  ns_PLX::HeaderList headers{"Authorization: Bearer " + HeaderValue(ClientToken(facts)),
                             "Content-Type: application/json"};
  for (std::string& line : ClientHeaders(facts)) headers.push_back(std::move(line));
  const std::string body =
      "{\"email\":\"" + JsonEscape(RepairUtf8(WideToUtf8Lenient(email))) + "\"}";
  const std::string reply =
      Exchange(ns_PLX::RequestKind::Post, url, headers, body, endpoints_.http);

  const int code = ServiceReplyCode(reply);
  if (code != 0) {
    JsonDoc doc;
    std::string message;
    if (doc.Parse(reply)) doc.GetString("msg", message);
    LogLine(kLogError, "[ERROR] apply auth failed! err=[%d][%s].", code, message.c_str());
  } else {
    LogLine(kLogInfo, "[INFO] apply auth success.");
  }
  return code;
}

CRetentionApply::CRetentionApply(CRetentionClient& client, std::wstring email,
                                 std::function<void(std::int32_t)> done)
    : thread_([this, &client, email = std::move(email), done = std::move(done)] {
        ns_PLX::NameCurrentThread("retention-apply");
        const std::int32_t code = client.ApplyRetention(email);
        result_ = code;
        finished_ = true;
        if (done) done(code);
      }) {}

CRetentionApply::~CRetentionApply() {
  if (thread_.joinable()) thread_.join();
}
