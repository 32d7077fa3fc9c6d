#pragma once
// The resume record kept in a partial package file right after its data (from offset S =
// file size): for each unfinished range its next byte and last byte, then the count N, all
// signed 64-bit little-endian. The file ends right after N; without a record it is exactly
// S bytes long.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ns_PLX {

struct ResumePair {
  std::int64_t next = 0;  // first byte still to fetch
  std::int64_t last = 0;  // last byte of the range, inclusive
  bool operator==(const ResumePair&) const = default;
};

// More ranges than any download keeps open: a larger count means the record is damaged.
inline constexpr std::int64_t kMaxResumePairs = 1 << 16;

// The record's bytes: the pairs in the order given, then N.
std::string EncodeResumeRecord(const std::vector<ResumePair>& pairs);

// `tail`: the file's bytes from offset `file_size` to its end. The pairs ordered by next
// byte; nothing unless the tail is exactly one record of 1..kMaxResumePairs pairs, each
// with next <= last < file_size, not overlapping one another.
std::optional<std::vector<ResumePair>> ParseResumeRecord(std::string_view tail,
                                                         std::int64_t file_size);

// Reads the record at the end of the file at `path`; nothing when it has none or a bad one.
std::optional<std::vector<ResumePair>> ReadResumeRecord(const std::wstring& path,
                                                        std::int64_t file_size);

// The spans of bytes 0 .. file_size - 1 that none of `present` (first, last) covers, in
// ascending order.
std::vector<ResumePair> Gaps(std::vector<ResumePair> present, std::int64_t file_size);

// Bytes the pairs still miss.
std::int64_t MissingBytes(const std::vector<ResumePair>& pairs);

}  // namespace ns_PLX
