// The update service's runtime reply over arbitrary bytes: whatever arrives, a foreign
// reply changes nothing and every merged item is one that may be installed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/xml_utf.h"
#include "config/runtime_reader.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = XmlUtf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));

  RuntimeConfig runtime;
  runtime.version = L"kept";
  std::vector<DependentItem> dependents(2);
  dependents[0].ProductID = L"1902";
  dependents[0].Url_Down = L"a";
  dependents[1].ProductID = L"1903";
  dependents[1].Url_Down = L"b";
  const std::vector<DependentItem> before = dependents;

  size_t added = 0;
  const RuntimeReply reply = ReadRuntimeReply(text, 1700000000, runtime, dependents, [&](const DependentItem& item) {
    ++added;
    Check(!item.ProductID.empty());
    Check(!item.Url_Down.empty() || !item.Url_Downx64.empty() || !item.Url_Down_arm64.empty());
  });

  if (!reply.downloader) {
    Check(runtime.version == L"kept" && added == 0);
    Check(dependents.size() == before.size());
  }
  // Each added item replaces at most one earlier item and every item has its own "<".
  const auto items = static_cast<size_t>(std::count(text.begin(), text.end(), L'<'));
  Check(added <= items);
  Check(dependents.size() >= before.size() && dependents.size() <= before.size() + added);
  Check(runtime.banner_url.size() <= text.size() + 30);
  return 0;
}
