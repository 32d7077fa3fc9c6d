#pragma once
// SHA-256 (FIPS 180-4), used for the host resolver's request signature.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/block_hash.h"

class Sha256 : public BlockHash<Sha256, 32, true> {
 public:
  Sha256() { Reset(); }

 private:
  friend class BlockHash<Sha256, 32, true>;
  void ResetState();
  void Transform(const uint8_t* block);
  Digest Output() const;

  std::array<uint32_t, 8> state_{};
};

// Hexadecimal digest of `data`, lower-case unless `upper`.
std::string Sha256Hex(std::string_view data, bool upper = false);
