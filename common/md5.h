#pragma once
// MD5 (RFC 1321), used to verify downloaded packages.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/block_hash.h"

class Md5 : public BlockHash<Md5, 16, false> {
 public:
  Md5() { Reset(); }

 private:
  friend class BlockHash<Md5, 16, false>;
  void ResetState();
  void Transform(const uint8_t* block);
  Digest Output() const;

  std::array<uint32_t, 4> state_{};
};

// Hexadecimal digest of `data`, lower-case unless `upper`.
std::string Md5Hex(std::string_view data, bool upper = false);
