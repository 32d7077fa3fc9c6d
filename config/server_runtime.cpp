#include "config/server_runtime.h"

#include <cstdint>
#include <ctime>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "common/xml_utf.h"
#include "config/product_reader.h"
#include "downloader/http_request.h"

bool LoadServerXml(ProductConfig& product, RuntimeConfig& runtime, const ServerRequestFacts& facts,
                   const RuntimeLoadHooks& hooks, const ns_PLX::HttpSettings& settings) {
  const std::wstring url = RuntimeRequestUrl(product, facts);
  LogLine(kLogInfo, "[INFO] LoadServerXml, url=[%s].", WideToAnsi(url).c_str());

  std::int32_t result = 0;  // not examined: a failed exchange yields no document
  const std::string reply = ns_PLX::HttpRequest(ns_PLX::RequestKind::Get, url, {}, true, false, {}, result,
                                                ns_PLX::TlsCheck::kVerify, settings);

  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  ReadRuntimeReply(XmlUtf8ToWide(reply), now, runtime, product.dependents, [&hooks](const DependentItem& item) {
    const int id = static_cast<int>(DecimalPrefix(item.ProductID));
    if (hooks.register_dependent) hooks.register_dependent(id, item.ForceInstall == L"true");
    if (hooks.register_dependent_digests) hooks.register_dependent_digests(id, JoinDigests(item));
  });

  if (hooks.report_runtime) hooks.report_runtime(runtime);
  if (hooks.set_tracking_value) {
    hooks.set_tracking_value("serverxmlmd5", JoinDigests(runtime));
    hooks.set_tracking_value("xmlprodcutver", runtime.version);
  }
  if (hooks.fetch_track_id) hooks.fetch_track_id(product);
  return true;
}
