#pragma once
// Where a range transfer stores its bytes. The download that owns the file implements it;
// every range of that file writes through the same object.
#include <cstdint>

namespace ns_PLX {

class IFileWriter {
 public:
  virtual ~IFileWriter() = default;
  // Stores `length` bytes at file offset `offset`. Returns how many were stored from the
  // start of `data` (0 on failure); fewer than `length` means the rest was not stored.
  // Called from several transfer threads at once: the implementation serialises itself.
  virtual std::int64_t Write(std::int64_t offset, std::int64_t length, const char* data) = 0;
};

}  // namespace ns_PLX
