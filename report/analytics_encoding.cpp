#include "report/analytics_encoding.h"

#include <zlib.h>

#include <memory>
#include <string>

#include "common/base64.h"
#include "report/analytics_diagnostics.h"

namespace orb_analytics {
namespace {

struct DeflateEnd {
  void operator()(z_stream* stream) const noexcept { deflateEnd(stream); }
};

void ReportZlibError(int code, const z_stream& stream) {
  const char* message = stream.msg != nullptr ? stream.msg : zError(code);
  Diagnostic("Exception during zlib compression: (" + std::to_string(code) + ") " +
             (message != nullptr ? message : ""));
}

}  // namespace

std::string BatchText(const std::vector<std::string>& records) {
  std::string text = "[";
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i != 0) text += ',';
    text += records[i];
  }
  text += ']';
  return text;
}

std::optional<std::string> GzipCompress(std::string_view bytes) {
  z_stream stream{};
  if (bytes.size() > 0x7FFFFFFF) {
    Diagnostic("Exception during zlib compression: (" + std::to_string(Z_BUF_ERROR) + ") input too large");
    return std::nullopt;
  }
  // 15 + 16: the gzip wrapper instead of zlib's own.
  if (deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    Diagnostic("deflateInit2 failed while compressing.");
    return std::nullopt;
  }
  const std::unique_ptr<z_stream, DeflateEnd> owner(&stream);

  std::string out;
  out.resize(deflateBound(&stream, static_cast<uLong>(bytes.size())));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  // deflateBound is enough for one call; Z_STREAM_END is the only good answer.
  const int result = deflate(&stream, Z_FINISH);
  if (result != Z_STREAM_END) {
    ReportZlibError(result == Z_OK ? Z_BUF_ERROR : result, stream);
    return std::nullopt;
  }
  out.resize(stream.total_out);
  return out;
}

std::string PercentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (const char c : bytes) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const bool keep = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                      (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                      byte == '~';
    if (keep) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::optional<std::string> EncodeBatchBody(const std::vector<std::string>& records) {
  const std::optional<std::string> compressed = GzipCompress(BatchText(records));
  if (!compressed) return std::nullopt;
  return "data_list=" + PercentEncode(Base64Encode(*compressed)) + "&gzip=1";
}

}  // namespace orb_analytics
