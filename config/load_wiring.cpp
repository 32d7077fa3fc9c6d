#include "config/load_wiring.h"

#include <cwchar>
#include <utility>

#include "common/text_convert.h"
#include "report/analytics_client.h"
#include "report/tracking_tid.h"

namespace {

// What the analytics "runtime" report carries of the runtime record.
orb_analytics::ConfigRecord RuntimeReport(const RuntimeConfig& runtime) {
  orb_analytics::ConfigRecord record;
  record.name = WideToUtf8(runtime.name);
  record.exe_name = WideToUtf8(runtime.process_name);
  record.pkg_size = std::wcstoll(runtime.filesize.c_str(), nullptr, 10);
  record.pkg_url = WideToUtf8(runtime.download_url);
  record.pkg_md5 = WideToUtf8(runtime.md5);
  record.x64_pkg_url = WideToUtf8(runtime.download_url_x64);
  record.x64_pkg_md5 = WideToUtf8(runtime.md5_64);
  record.arm64_pkg_url = WideToUtf8(runtime.download_url_arm64);
  record.arm64_pkg_md5 = WideToUtf8(runtime.md5_arm64);
  return record;
}

}  // namespace

RuntimeLoadHooks DefaultRuntimeLoadHooks(CTrackingStore& store, std::wstring tid_server) {
  RuntimeLoadHooks hooks;
  hooks.register_dependent = [&store](int id, bool forced) { store.SetDependentForceInstall(id, forced); };
  hooks.register_dependent_digests = [&store](int id, const std::wstring& digests) {
    store.SetDependentDigest(id, digests);
  };
  hooks.report_runtime = [](const RuntimeConfig& runtime) {
    orb_analytics::AnalyticsClient::Instance().ConfigEvent(RuntimeReport(runtime));
  };
  hooks.set_tracking_value = [&store](const char* key, const std::wstring& value) { store.SetProperty(key, value); };
  hooks.fetch_track_id = [&store, server = std::move(tid_server)](const ProductConfig& product) {
    GetTid(store, product.ProductID, server);
  };
  return hooks;
}
