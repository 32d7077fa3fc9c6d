#include "ui/framework/zip/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace uifw {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kMaxComment = 0xffff;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// Little-endian reads; the caller has checked that the bytes exist.
uint16_t U16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
uint32_t U32(std::string_view b, size_t at) { return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16; }

// True when [at, at + length) lies inside `size` bytes, without overflow.
bool Inside(size_t size, size_t at, size_t length) { return at <= size && length <= size - at; }

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

uint32_t Crc32(std::string_view data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes uInt lengths: feed large members in pieces.
  while (!data.empty()) {
    const size_t piece = std::min<size_t>(data.size(), std::numeric_limits<uInt>::max());
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(piece));
    data.remove_prefix(piece);
  }
  return static_cast<uint32_t>(crc);
}

// Raw deflate data that must unpack to exactly `size` bytes and end its stream.
bool Inflate(std::string_view packed, uint32_t size, std::string& out) {
  out.assign(size, '\0');
  z_stream zs{};
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return false;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  zs.avail_in = static_cast<uInt>(packed.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  int status = inflate(&zs, Z_FINISH);
  if (status != Z_STREAM_END && zs.avail_out == 0) {
    // The output is full but the stream has not ended yet: either only its end
    // marker is left, or it holds more than declared. One more byte tells.
    unsigned char extra = 0;
    zs.next_out = &extra;
    zs.avail_out = 1;
    status = inflate(&zs, Z_FINISH);
    if (zs.avail_out == 0) status = Z_DATA_ERROR;
  }
  const bool ok = status == Z_STREAM_END && zs.total_out == size;
  inflateEnd(&zs);
  return ok;
}

}  // namespace

std::optional<ZipArchive> ZipArchive::Open(std::string_view bytes, std::string* error) {
  ZipArchive archive{std::string(bytes)};
  if (!archive.ReadDirectory(error)) return std::nullopt;
  return archive;
}

bool ZipArchive::ReadDirectory(std::string* error) {
  const std::string_view b = bytes_;
  if (b.size() < kEndSize) return Fail(error, "too short for a zip archive");

  // The end record sits in the last 22 + 65535 bytes; the one nearest the end whose
  // comment fits the remaining bytes wins.
  size_t end = std::string_view::npos;
  const size_t lowest = b.size() - kEndSize > kMaxComment ? b.size() - kEndSize - kMaxComment : 0;
  for (size_t at = b.size() - kEndSize + 1; at-- > lowest;) {
    if (U32(b, at) == kEndSignature && Inside(b.size(), at + kEndSize, U16(b, at + 20))) {
      end = at;
      break;
    }
  }
  if (end == std::string_view::npos) return Fail(error, "no end of central directory record");

  const uint16_t disk = U16(b, end + 4);
  const uint16_t directory_disk = U16(b, end + 6);
  const uint16_t count_here = U16(b, end + 8);
  const uint16_t count = U16(b, end + 10);
  const uint32_t directory_size = U32(b, end + 12);
  const uint32_t directory_offset = U32(b, end + 16);
  if (disk != 0 || directory_disk != 0 || count_here != count) return Fail(error, "multi-disk archives are not supported");
  if (count == 0xffff || directory_size == 0xffffffff || directory_offset == 0xffffffff) {
    return Fail(error, "ZIP64 archives are not supported");
  }
  if (!Inside(end, directory_offset, directory_size)) return Fail(error, "central directory outside the archive");

  directory_offset_ = directory_offset;
  const size_t directory_end = size_t{directory_offset} + directory_size;
  size_t at = directory_offset;
  members_.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    if (!Inside(directory_end, at, kCentralSize) || U32(b, at) != kCentralSignature) {
      return Fail(error, "damaged central directory entry " + std::to_string(i));
    }
    Member m;
    m.flags = U16(b, at + 8);
    m.method = U16(b, at + 10);
    m.crc = U32(b, at + 16);
    m.packed_size = U32(b, at + 20);
    m.size = U32(b, at + 24);
    const size_t name_length = U16(b, at + 28);
    const size_t extra_length = U16(b, at + 30);
    const size_t comment_length = U16(b, at + 32);
    m.local_offset = U32(b, at + 42);
    const size_t entry_length = kCentralSize + name_length + extra_length + comment_length;
    if (!Inside(directory_end, at, entry_length)) return Fail(error, "central directory entry " + std::to_string(i) + " overruns");
    if (name_length == 0) return Fail(error, "member without a name");
    if (m.packed_size == 0xffffffff || m.size == 0xffffffff || m.local_offset == 0xffffffff) {
      return Fail(error, "ZIP64 members are not supported");
    }
    m.name.assign(b.substr(at + kCentralSize, name_length));
    members_.push_back(std::move(m));
    at += entry_length;
  }
  return true;
}

const ZipArchive::Member* ZipArchive::Find(std::string_view name) const {
  for (const Member& m : members_) {
    if (m.name == name) return &m;
  }
  for (const Member& m : members_) {
    if (SameIgnoringAsciiCase(m.name, name)) return &m;
  }
  return nullptr;
}

std::optional<std::string> ZipArchive::Read(std::string_view name, std::string* error) const {
  const Member* member = Find(name);
  if (!member) {
    Fail(error, "no member named " + std::string(name));
    return std::nullopt;
  }
  return Read(*member, error);
}

std::optional<std::string> ZipArchive::Read(const Member& m, std::string* error) const {
  const std::string_view b = bytes_;
  const auto fail = [&](const std::string& why) {
    Fail(error, m.name + ": " + why);
    return std::nullopt;
  };
  if (m.flags & kFlagEncrypted) return fail("encrypted members are not supported");
  if (m.method != kMethodStored && m.method != kMethodDeflated) return fail("compression method " + std::to_string(m.method) + " is not supported");
  if (m.size > kMaxMemberSize) return fail("member too large");

  // Data lies between the local header and the central directory. The local header's
  // own sizes may be zero (data descriptor), so the central directory's are used.
  if (!Inside(directory_offset_, m.local_offset, kLocalSize) || U32(b, m.local_offset) != kLocalSignature) {
    return fail("damaged local header");
  }
  const size_t data_at = size_t{m.local_offset} + kLocalSize + U16(b, m.local_offset + 26) + U16(b, m.local_offset + 28);
  if (!Inside(directory_offset_, data_at, m.packed_size)) return fail("member data outside the archive");
  const std::string_view packed = b.substr(data_at, m.packed_size);

  std::string data;
  if (m.method == kMethodStored) {
    if (m.packed_size != m.size) return fail("stored member with two sizes");
    data.assign(packed);
  } else if (!Inflate(packed, m.size, data)) {
    return fail("damaged deflate data");
  }
  if (Crc32(data) != m.crc) return fail("CRC-32 mismatch");
  return data;
}

}  // namespace uifw
