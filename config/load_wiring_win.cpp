#include "config/load_wiring.h"

#include "config/channel_values.h"
#include "config/client_identity.h"
#include "common/text_convert.h"
#include "platform/module_info.h"
#include "report/product_series.h"
#include "platform/system_info.h"

ProductLoadHooks DefaultProductLoadHooks(CTrackingStore& store) {
  ProductLoadHooks hooks;
  // The store takes its property lock for the address.
  hooks.set_tracking_server = [&store](const std::wstring& host) { store.SetServerBaseUrl(host); };
  hooks.register_dependent = [&store](int id, bool forced) { store.SetDependentForceInstall(id, forced); };
  hooks.write_channel_values = WriteProductChannelValues;
  hooks.register_product_series = [](const ProductConfig& config) {
    PostInfoAsync(ServiceEndpoints{}, WideToUtf8(config.ProductID),
                  WideToUtf8(GetOrCreateClientSign(config.ProductBrand)));
  };
  hooks.record_tracking_values = [&store](const ProductConfig& config) {
    store.SetProperty("product_id", config.ProductID);
    store.SetProperty("client_sign", GetOrCreateClientSign(config.ProductBrand));
    store.SetProperty("channel", config.Channel);
    store.SetProperty("defchannel", ReadDefaultChannel());
    store.SetProperty("scene_code", config.SceneCode);
  };
  return hooks;
}

ServerRequestFacts DefaultServerRequestFacts(const ProductConfig& product) {
  return {{IsWindows64(), IsArm64Processor()},
          OwnFileVersion(),
          [brand = product.ProductBrand] { return GetOrCreateClientSign(brand); }};
}

bool LoadServerXml(ProductConfig& product, RuntimeConfig& runtime) {
  return LoadServerXml(product, runtime, DefaultServerRequestFacts(product), DefaultRuntimeLoadHooks());
}
