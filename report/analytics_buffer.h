#pragma once
// The unsent records: a bounded queue that drops its oldest record when full, and the
// staging file that carries them into the next run. Not locked: the core guards it.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace orb_analytics {

inline constexpr std::size_t kBufferCapacity = 100;

class RecordBuffer {
 public:
  explicit RecordBuffer(std::size_t capacity = kBufferCapacity) : capacity_(capacity) {}

  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  bool full() const { return records_.size() >= capacity_; }
  std::size_t capacity() const { return capacity_; }

  // At the back; the oldest record goes when the buffer then holds too many.
  void Push(std::string record);
  // The oldest `count` records (fewer when there are fewer), oldest first.
  std::vector<std::string> TakeFront(std::size_t count);
  // Back at the front in their order, as many as the free room allows: the newest of
  // them when not all fit. Used for records that a failed send took out, and for the
  // staging file's records, which are older than anything recorded in this run.
  void PutFront(std::vector<std::string> records);

  std::vector<std::string> Records() const { return {records_.begin(), records_.end()}; }

 private:
  std::size_t capacity_;
  std::deque<std::string> records_;
};

// The records of a staging file in file order: lines (LF or CR LF ended) that begin with
// "{", end with "}", and are one valid JSON object in valid UTF-8. Anything else is
// skipped: a damaged file must never put a broken record into a batch.
std::vector<std::string> ParseStagingText(std::string_view text);

// One record per line.
std::string FormatStagingText(const std::vector<std::string>& records);

}  // namespace orb_analytics
