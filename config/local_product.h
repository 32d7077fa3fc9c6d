#pragma once
// LoadLocalXml: the product document embedded in the running executable, read once at
// start. Windows only. What belongs to parts built later (tracking store, channel
// registry values, client identity, product-series registration) is reached through
// hooks; an empty hook is skipped.
#if defined(_WIN32)
#include <functional>
#include <string>

#include "config/product_config.h"

struct ProductLoadHooks {
  // The tracking store's server base URL (taken under the store's property lock).
  std::function<void(const std::wstring& server_host)> set_tracking_server;
  // Registers an added dependent with the tracking report.
  std::function<void(int product_id, bool forced)> register_dependent;
  // Replaces the system clipboard read (ANSI text).
  std::function<std::string()> read_clipboard;
  // Channel registry values, tracking values with the client identity, product-series
  // registration: the closing steps, in this order.
  std::function<void(const ProductConfig&)> write_channel_values;
  std::function<void(const ProductConfig&)> record_tracking_values;
  std::function<void(const ProductConfig&)> register_product_series;
};

struct LocalProduct {
  ProductConfig config;
  std::wstring config_folder;           // ends with a backslash
  std::wstring run_state_path;          // <config folder>ORB_DOWNTASK_<ProductID>.xml
  std::wstring default_install_folder;  // empty: the program-files folder stays
};

inline constexpr int kProductResource = 106;

// True when the resource was found, had content, was well formed and had a Product root.
bool LoadLocalXml(LocalProduct& out, const ProductLoadHooks& hooks = {});
// The same from another resource of the executable (tests carry their own documents).
bool LoadProductXml(int resource_id, LocalProduct& out, const ProductLoadHooks& hooks);

// The default install folder for `custom` (the runtime's or else CustomInstallPath).
std::wstring ChooseDefaultInstallFolder(const std::wstring& custom, const ProductConfig& config);

#endif  // _WIN32
