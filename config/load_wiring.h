#pragma once
// The program's hooks for the configuration loaders: the facts they produce go to the
// tracking store, the analytics "runtime" report, the track id and the product-series
// registration (sent from a thread of its own, so start-up never waits for the network).
#include <string>

#include "config/server_runtime.h"
#include "report/tracking_store.h"
#include "report/tracking_tid.h"

#if defined(_WIN32)
#include "config/local_product.h"
#endif

// `tid_server`: scheme and host the track id is asked from.
RuntimeLoadHooks DefaultRuntimeLoadHooks(CTrackingStore& store = TrackingStore(),
                                         std::wstring tid_server = std::wstring(kDefaultTidServer));

#if defined(_WIN32)
ProductLoadHooks DefaultProductLoadHooks(CTrackingStore& store = TrackingStore());
// This machine, the executable's version and the brand's client identity.
ServerRequestFacts DefaultServerRequestFacts(const ProductConfig& product);
// LoadServerXml as the program runs it: this machine's facts, the default hooks.
bool LoadServerXml(ProductConfig& product, RuntimeConfig& runtime);
#endif
