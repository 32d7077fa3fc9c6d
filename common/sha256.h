#pragma once
// SHA-256 (FIPS 180-4), used for the host resolver's request signature.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/base64.h"  // ToHex for the digests

class Sha256 {
 public:
  using Digest = std::array<uint8_t, 32>;

  Sha256() { Reset(); }
  void Reset();
  // May be called any number of times with pieces of any size.
  void Update(const void* data, size_t size);
  void Update(std::string_view data) { Update(data.data(), data.size()); }
  // Digest of everything fed since the last reset; the object then starts afresh.
  Digest Final();

 private:
  void Transform(const uint8_t* block);

  std::array<uint32_t, 8> state_{};
  std::array<uint8_t, 64> buffer_{};
  uint64_t length_ = 0;  // bytes fed so far
};

// Hexadecimal digest of `data`, lower-case unless `upper`.
std::string Sha256Hex(std::string_view data, bool upper = false);
