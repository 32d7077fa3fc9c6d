#include "tests/report/analytics_test_support.h"

#include <zlib.h>

#include "common/base64.h"

namespace orbtest {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string Gunzip(std::string_view bytes) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return {};
  std::string out;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  int result = Z_OK;
  while (result == Z_OK) {
    char chunk[4096];
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
    if (result == Z_BUF_ERROR && stream.avail_in == 0) break;
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END ? out : std::string();
}

std::string DecodeBatchBody(std::string_view body) {
  constexpr std::string_view kPrefix = "data_list=";
  constexpr std::string_view kSuffix = "&gzip=1";
  if (body.substr(0, kPrefix.size()) != kPrefix || body.size() < kPrefix.size() + kSuffix.size() ||
      body.substr(body.size() - kSuffix.size()) != kSuffix) {
    return {};
  }
  const std::string_view encoded = body.substr(kPrefix.size(), body.size() - kPrefix.size() - kSuffix.size());
  std::string base64;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      base64 += encoded[i];
      continue;
    }
    if (i + 2 >= encoded.size()) return {};
    const int high = HexValue(encoded[i + 1]);
    const int low = HexValue(encoded[i + 2]);
    if (high < 0 || low < 0) return {};
    base64 += static_cast<char>(high * 16 + low);
    i += 2;
  }
  std::string compressed;
  if (!Base64Decode(base64, compressed)) return {};
  return Gunzip(compressed);
}

}  // namespace orbtest
