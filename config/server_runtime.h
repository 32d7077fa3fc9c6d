#pragma once
// LoadServerXml: asks the update service for the product's runtime document, fills the
// runtime record and merges the extra products into the dependent list. What belongs to
// the reporting side (tracking, analytics, the track id) is reached through hooks; an
// empty hook is skipped.
#include <functional>
#include <string>

#include "config/product_config.h"
#include "config/runtime_config.h"
#include "config/runtime_reader.h"
#include "downloader/http_types.h"

struct RuntimeLoadHooks {
  // A bind item was added: its product number and whether ForceInstall is "true" ...
  std::function<void(int product_id, bool forced)> register_dependent;
  // ... and its digests (JoinDigests of the item).
  std::function<void(int product_id, const std::wstring& digests)> register_dependent_digests;
  // The analytics "runtime" report.
  std::function<void(const RuntimeConfig&)> report_runtime;
  // A tracking value ("serverxmlmd5", "xmlprodcutver").
  std::function<void(const char* key, const std::wstring& value)> set_tracking_value;
  // Asks the tracking service for the run's track id.
  std::function<void(const ProductConfig&)> fetch_track_id;
};

// Always true: an unreachable service or a broken reply leaves `runtime` as it was and
// the later steps fall back to the embedded configuration. Blocks for one exchange.
// `product.dependents` receives the bind items.
bool LoadServerXml(ProductConfig& product, RuntimeConfig& runtime, const ServerRequestFacts& facts,
                   const RuntimeLoadHooks& hooks, const ns_PLX::HttpSettings& settings = {});
