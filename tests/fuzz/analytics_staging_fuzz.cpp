// The analytics staging file reader over arbitrary bytes, and the JSON string writer
// that every record goes through.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/json_doc.h"
#include "report/analytics_buffer.h"
#include "report/analytics_value.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Every record read back is one JSON object in valid text, on a line of its own.
  const std::vector<std::string> records = orb_analytics::ParseStagingText(bytes);
  for (const std::string& record : records) {
    Check(record.size() >= 2 && record.front() == '{' && record.back() == '}');
    Check(record.find('\n') == std::string::npos);
    Check(orb_analytics::utils::IsValidText(record));
    JsonDoc doc;
    Check(doc.Parse(record) && doc.IsObject());
  }
  // Writing them out and reading again changes nothing.
  Check(orb_analytics::ParseStagingText(orb_analytics::FormatStagingText(records)) == records);

  // Whatever a key or value holds, the written object is valid JSON in valid text.
  orb_analytics::utils::ObjectNode node;
  node.SetNumber("n", 1);
  const std::string quoted = "{" + orb_analytics::utils::QuoteJson(bytes) + ":" +
                             orb_analytics::utils::QuoteJson(bytes) + "," + node.ToJson().substr(1);
  Check(orb_analytics::utils::IsValidText(quoted));
  JsonDoc doc;
  Check(doc.Parse(quoted) && doc.IsObject());
  return 0;
}
