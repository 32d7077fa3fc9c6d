#pragma once
// The update service's runtime reply and its request address. Portable: the machine
// facts, the clock and the side effects come from the caller.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/product_config.h"
#include "config/product_reader.h"
#include "config/runtime_config.h"

// What the request address is built from besides the product configuration.
struct ServerRequestFacts {
  MachineKind machine;
  // The executable's file version ("major.minor.build.revision"); empty when it has none.
  std::wstring own_version;
  // Client identity get-or-create; asked only when the address needs it.
  std::function<std::wstring()> client_sign;
};

// "win_arm64", "win_x64" or "win_x86".
std::wstring_view PlatformToken(MachineKind machine);
// "major.minor.build" of a file version; "3.0.5" when it does not hold three numbers.
std::wstring OrbVersionTriple(std::wstring_view file_version);

// The static file beside the 32-bit package when AppID and Channel are both set, else
// the service's runtime query. Query values are percent-encoded where they would
// otherwise change the query's structure (the usual values pass unchanged).
std::wstring RuntimeRequestUrl(const ProductConfig& product, const ServerRequestFacts& facts);
std::wstring EncodeQueryValue(std::wstring_view value);

// Appends "?_t=<now>" (or "&_t=<now>" when the address has a query). An empty address
// stays empty: a lone query is no banner page.
void AppendCacheBust(std::wstring& url, std::int64_t now_seconds);

// The non-empty ones among md5, history_md5_32, md5_64, history_md5_64, md5_arm64 and
// history_md5_arm64, joined with ",".
std::wstring JoinDigests(const RuntimeConfig& runtime);
std::wstring JoinDigests(const DependentItem& item);

// What a reply delivered.
struct RuntimeReply {
  bool downloader = false;  // kvrp/downloader was there (the record may have changed)
  bool runtime = false;     // ... with a runtime element
};

// Reads a reply document over `runtime` (a missing element keeps its field) and merges
// its bind items into `dependents`: an item with a ProductID and a package address
// replaces the first item of that ProductID and goes to the end; `on_bind_added` sees
// it there. A document without kvrp/downloader changes nothing.
RuntimeReply ReadRuntimeReply(std::wstring_view text, std::int64_t now_seconds, RuntimeConfig& runtime,
                              std::vector<DependentItem>& dependents,
                              const std::function<void(const DependentItem&)>& on_bind_added = {});
