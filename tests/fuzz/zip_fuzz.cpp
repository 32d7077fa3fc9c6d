// The skin package reader over arbitrary bytes: open, unpack every member, and read
// each unpacked member as a layout document, as the framework does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/framework/core/layout_xml.h"
#include "ui/framework/zip/zip_archive.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto archive = uifw::ZipArchive::Open(bytes);
  if (!archive) return 0;
  Check(archive->Members().size() <= size / 46);  // each entry takes 46 bytes at least
  for (const auto& member : archive->Members()) {
    const auto unpacked = archive->Read(member);
    if (!unpacked) continue;
    Check(unpacked->size() == member.size);
    Check(archive->Find(member.name) != nullptr);
    uifw::ParseLayoutXml(*unpacked);
  }
  return 0;
}
