#pragma once
// What MD5 and SHA-256 share: 64-byte blocks fed from pieces of any size, and the final
// padding (0x80, zeros, the message length in bits in the hash's byte order).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "common/hex.h"

// `Hash` provides ResetState(), Transform(const uint8_t* block) and Output().
template <class Hash, size_t kDigestBytes, bool kBigEndianLength>
class BlockHash {
 public:
  using Digest = std::array<uint8_t, kDigestBytes>;

  void Reset() {
    static_cast<Hash*>(this)->ResetState();
    buffer_.fill(0);
    length_ = 0;
  }

  // May be called any number of times with pieces of any size.
  void Update(const void* data, size_t size) {
    if (size == 0) return;  // data may then be null
    const auto* in = static_cast<const uint8_t*>(data);
    size_t used = static_cast<size_t>(length_ % kBlock);
    length_ += size;
    if (used > 0) {
      const size_t take = std::min(size, kBlock - used);
      std::memcpy(buffer_.data() + used, in, take);
      in += take;
      size -= take;
      used += take;
      if (used < kBlock) return;
      static_cast<Hash*>(this)->Transform(buffer_.data());
    }
    for (; size >= kBlock; in += kBlock, size -= kBlock) static_cast<Hash*>(this)->Transform(in);
    if (size > 0) std::memcpy(buffer_.data(), in, size);
  }
  void Update(std::string_view data) { Update(data.data(), data.size()); }

  // Digest of everything fed since the last reset; the object then starts afresh.
  Digest Final() {
    const uint64_t bits = length_ * 8;
    static constexpr uint8_t kPad[kBlock] = {0x80};
    const size_t used = static_cast<size_t>(length_ % kBlock);
    Update(kPad, used < 56 ? 56 - used : 120 - used);
    std::array<uint8_t, 8> tail{};
    for (size_t i = 0; i < 8; ++i) tail[i] = static_cast<uint8_t>(bits >> (kBigEndianLength ? 56 - 8 * i : 8 * i));
    Update(tail.data(), tail.size());
    const Digest digest = static_cast<const Hash*>(this)->Output();
    Reset();
    return digest;
  }

 protected:
  static constexpr size_t kBlock = 64;
  BlockHash() = default;

 private:
  std::array<uint8_t, kBlock> buffer_{};
  uint64_t length_ = 0;  // bytes fed so far
};
