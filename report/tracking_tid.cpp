#include "report/tracking_tid.h"

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/http_request.h"
#include "report/tracking_text.h"

std::string ParseTid(std::string_view reply) {
  if (reply.find("\"code\":0") == std::string_view::npos) return {};
  constexpr std::string_view kData = "\"data\":\"";
  const std::size_t start = reply.find(kData);
  if (start == std::string_view::npos) return {};
  const std::size_t first = start + kData.size();
  const std::size_t end = reply.find('"', first);
  if (end == std::string_view::npos) return {};  // cut off: no id rather than a torn one
  return std::string(reply.substr(first, end - first));
}

std::string GetTid(CTrackingStore& store, std::wstring_view product_id, std::wstring_view server,
                   const ns_PLX::HttpSettings& http) {
  const std::string pid = QueryValue(WideToUtf8Lenient(product_id));
  const std::wstring url =
      std::wstring(server) + L"/api/v1/prodweb/trk?pid=" + Utf8ToWide(pid) + L"&os=Windows";
  LogLine(kLogInfo, "[INFO] get tid: %s", WideToAnsi(url).c_str());
  std::int32_t result = -1;
  const std::string reply = ns_PLX::HttpRequest(ns_PLX::RequestKind::Get, url, {}, true, false, {},
                                                result, ns_PLX::TlsCheck::kVerify, http);
  LogLine(kLogInfo, "[INFO] response tid: %s", reply.c_str());
  std::string id = ParseTid(reply);
  store.SetTrackId(id);
  return id;
}

std::string GetTid(std::wstring_view product_id) { return GetTid(TrackingStore(), product_id); }
