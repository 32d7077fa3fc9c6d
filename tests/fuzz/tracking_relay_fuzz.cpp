// Relayed event records from other processes, and whatever the store then holds, must
// leave the tracking report valid UTF-8 JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/json_doc.h"
#include "report/tracking_report.h"
#include "report/tracking_store.h"
#include "report/tracking_text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CTrackingStore store(1);
  const bool kept = store.AddRelayedEvent(data, size);
  // A record is kept only when it was of a size the rules allow.
  if (kept) Check(size > 0 && size % 2 == 0);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  store.SetPropertyUtf8(bytes.substr(0, size / 3), bytes);
  store.AddEvent(bytes.substr(0, 8), bytes.substr(size / 2), (size & 1) != 0);
  store.SetTrackId(bytes.substr(size / 4));

  TrackFacts facts;
  facts.crash.module_path = std::string(bytes);
  TrackReportInput input;
  std::string body;
  store.ReadProperties([&](const TrackProperties& p) {
    Check(!kept || p.relayed.size() == 1);
    body = BuildTrackBody(p, TrackReportHead{std::string(bytes), "", 2, 7, 2, 1}, input, facts);
  });
  Check(RepairUtf8(body) == body);
  for (const char c : body) Check(static_cast<unsigned char>(c) >= 0x20);
  JsonDoc doc;
  Check(doc.Parse(body));
  return 0;
}
