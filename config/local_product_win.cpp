#include "config/local_product.h"

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "common/xml_doc.h"
#include "config/clipboard.h"
#include "config/product_reader.h"
#include "platform/download_folder.h"
#include "platform/embedded_resource.h"
#include "platform/system_info.h"

namespace {

int ProductNumber(std::wstring_view text) { return static_cast<int>(DecimalPrefix(text)); }

}  // namespace

bool LoadLocalXml(LocalProduct& out, const ProductLoadHooks& hooks) { return LoadProductXml(kProductResource, out, hooks); }

bool LoadProductXml(int resource_id, LocalProduct& out, const ProductLoadHooks& hooks) {
  LogLine(kLogInfo, "[INFO] LoadLocalXml");
  const EmbeddedXml xml = ReadEmbeddedXml(resource_id);
  if (xml.status == EmbeddedStatus::kNotFound) {
    LogLine(kLogError, "[ERROR] LoadLocalXml, find failed!");
    return false;
  }
  if (xml.status == EmbeddedStatus::kEmpty) {
    LogLine(kLogError, "[ERROR] LoadLocalXml, size error!");
    return false;
  }
  XmlDoc doc;
  if (!doc.SetText(xml.text)) {
    LogLine(kLogError, "[ERROR] LoadLocalXml err 3");
    return false;
  }
  if (!EnterProduct(doc)) {
    LogLine(kLogError, "[ERROR] LoadLocalXml, not find product.");
    return false;
  }

  LocalProduct product;
  ProductConfig& config = product.config;
  ReadProductFields(doc, {IsWindows64(), IsArm64Processor()}, config);
  if (hooks.set_tracking_server) hooks.set_tracking_server(config.ServerHost);
  product.config_folder = GetDownloadFolder(config.ProductBrand, false);
  LogLine(kLogInfo, "[INFO] config folder=[%s].", WideToAnsi(product.config_folder).c_str());
  product.run_state_path = product.config_folder + L"ORB_DOWNTASK_" + config.ProductID + L".xml";

  ReadDependentItems(doc, config, [&hooks](const DependentItem& item) {
    if (hooks.register_dependent) hooks.register_dependent(ProductNumber(item.ProductID), item.ForceInstall == L"true");
  });

  const ClipboardRequest clipboard = ReadClipboardRequest(doc);
  if (clipboard.enabled) {
    const std::string text = hooks.read_clipboard ? hooks.read_clipboard() : ReadClipboardAnsiText();
    config.clipboard_text = ClipboardTextFor(clipboard, text);
  }

  if (hooks.write_channel_values) hooks.write_channel_values(config);
  product.default_install_folder = ChooseDefaultInstallFolder(config.CustomInstallPath, config);
  if (hooks.record_tracking_values) hooks.record_tracking_values(config);
  if (hooks.register_product_series) hooks.register_product_series(config);
  out = std::move(product);
  return true;
}
