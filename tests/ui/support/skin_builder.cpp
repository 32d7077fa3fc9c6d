#include "tests/ui/support/skin_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace uitest {
namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xff);
  out += static_cast<char>(v >> 8 & 0xff);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}
void Put32BigEndian(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift & 0xff);
}

uint32_t Crc(std::string_view data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// zlib stream (window bits 15) or raw deflate (-15).
std::string Deflate(std::string_view data, int window_bits) {
  z_stream zs{};
  if (deflateInit2(&zs, 9, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&zs, static_cast<uLong>(data.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

}  // namespace

std::string MakeZip(const std::vector<ZipMember>& members, std::string_view comment) {
  std::string body, directory;
  for (const ZipMember& m : members) {
    const std::string packed = m.deflate ? Deflate(m.data, -15) : m.data;
    const uint32_t offset = static_cast<uint32_t>(body.size());
    const uint16_t method = m.deflate ? 8 : 0;
    // Local header.
    Put32(body, 0x04034b50);
    Put16(body, 20);
    Put16(body, 0);
    Put16(body, method);
    Put16(body, 0);
    Put16(body, 0x5821);
    Put32(body, Crc(m.data));
    Put32(body, static_cast<uint32_t>(packed.size()));
    Put32(body, static_cast<uint32_t>(m.data.size()));
    Put16(body, static_cast<uint32_t>(m.name.size()));
    Put16(body, 0);
    body += m.name;
    body += packed;
    // Central directory entry.
    Put32(directory, 0x02014b50);
    Put16(directory, 20);
    Put16(directory, 20);
    Put16(directory, 0);
    Put16(directory, method);
    Put16(directory, 0);
    Put16(directory, 0x5821);
    Put32(directory, Crc(m.data));
    Put32(directory, static_cast<uint32_t>(packed.size()));
    Put32(directory, static_cast<uint32_t>(m.data.size()));
    Put16(directory, static_cast<uint32_t>(m.name.size()));
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put32(directory, 0);
    Put32(directory, offset);
    directory += m.name;
  }
  std::string out = body + directory;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(members.size()));
  Put16(out, static_cast<uint32_t>(members.size()));
  Put32(out, static_cast<uint32_t>(directory.size()));
  Put32(out, static_cast<uint32_t>(body.size()));
  Put16(out, static_cast<uint32_t>(comment.size()));
  out += comment;
  return out;
}

std::string MakePng(int width, int height, const std::vector<uint32_t>& argb) {
  if (argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) throw std::invalid_argument("pixel count");
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // filter: none
    for (int x = 0; x < width; ++x) {
      const uint32_t p = argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      raw += static_cast<char>(p >> 16 & 0xff);
      raw += static_cast<char>(p >> 8 & 0xff);
      raw += static_cast<char>(p & 0xff);
      raw += static_cast<char>(p >> 24 & 0xff);
    }
  }
  const auto chunk = [](std::string& out, std::string_view type, std::string_view data) {
    Put32BigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type) + std::string(data);
    out += typed;
    Put32BigEndian(out, Crc(typed));
  };
  std::string header;
  Put32BigEndian(header, static_cast<uint32_t>(width));
  Put32BigEndian(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no interlace
  std::string png("\x89PNG\r\n\x1a\n", 8);
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", Deflate(raw, 15));
  chunk(png, "IEND", "");
  return png;
}

std::string SolidPng(int width, int height, uint32_t argb) {
  return MakePng(width, height, std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height), argb));
}

}  // namespace uitest
