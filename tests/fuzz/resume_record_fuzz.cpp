// The resume record read from whatever bytes a partial package file ends with.
// Input: 8 bytes of file size (little-endian), then the file's tail after its data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "downloader/resume_record.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | data[i];
  const auto file_size = static_cast<std::int64_t>(bits);
  const std::string_view tail(reinterpret_cast<const char*>(data) + 8, size - 8);
  const auto pairs = ns_PLX::ParseResumeRecord(tail, file_size);
  if (!pairs) return 0;
  // A record that is accepted is sound: ordered, disjoint, inside the file, and read
  // back the same after writing it again.
  Check(!pairs->empty());
  for (std::size_t i = 0; i < pairs->size(); ++i) {
    const ns_PLX::ResumePair& pair = (*pairs)[i];
    Check(pair.next >= 0 && pair.next <= pair.last && pair.last < file_size);
    if (i > 0) Check((*pairs)[i - 1].last < pair.next);
  }
  Check(ns_PLX::MissingBytes(*pairs) <= file_size);
  Check(ns_PLX::MissingBytes(*pairs) + ns_PLX::MissingBytes(ns_PLX::Gaps(*pairs, file_size)) == file_size);
  const auto again = ns_PLX::ParseResumeRecord(ns_PLX::EncodeResumeRecord(*pairs), file_size);
  Check(again && *again == *pairs);
  return 0;
}
