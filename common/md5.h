#pragma once
// MD5 (RFC 1321), used to verify downloaded packages.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/base64.h"  // ToHex for the digests

class Md5 {
 public:
  using Digest = std::array<uint8_t, 16>;

  Md5() { Reset(); }
  void Reset();
  // May be called any number of times with pieces of any size.
  void Update(const void* data, size_t size);
  void Update(std::string_view data) { Update(data.data(), data.size()); }
  // Digest of everything fed since the last reset; the object then starts afresh.
  Digest Final();

 private:
  void Transform(const uint8_t* block);

  std::array<uint32_t, 4> state_{};
  std::array<uint8_t, 64> buffer_{};
  uint64_t length_ = 0;  // bytes fed so far
};

// Hexadecimal digest of `data`, lower-case unless `upper`.
std::string Md5Hex(std::string_view data, bool upper = false);
