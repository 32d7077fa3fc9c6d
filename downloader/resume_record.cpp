#include "downloader/resume_record.h"

#include <algorithm>

#include "downloader/temp_file.h"

namespace ns_PLX {
namespace {

void PutInt64(std::string& out, std::int64_t value) {
  const auto bits = static_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

std::int64_t GetInt64(std::string_view bytes, std::size_t at) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) {
    bits = (bits << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return static_cast<std::int64_t>(bits);
}

constexpr std::int64_t kPairBytes = 16;

}  // namespace

std::string EncodeResumeRecord(const std::vector<ResumePair>& pairs) {
  std::string out;
  out.reserve(pairs.size() * static_cast<std::size_t>(kPairBytes) + 8);
  for (const ResumePair& pair : pairs) {
    PutInt64(out, pair.next);
    PutInt64(out, pair.last);
  }
  PutInt64(out, static_cast<std::int64_t>(pairs.size()));
  return out;
}

std::optional<std::vector<ResumePair>> ParseResumeRecord(std::string_view tail,
                                                         std::int64_t file_size) {
  if (file_size <= 0 || tail.size() < 8) return std::nullopt;
  const std::int64_t count = GetInt64(tail, tail.size() - 8);
  if (count <= 0 || count > kMaxResumePairs) return std::nullopt;
  // The record is the whole tail: anything else after the data is not ours.
  if (static_cast<std::uint64_t>(tail.size()) != static_cast<std::uint64_t>(count * kPairBytes + 8)) {
    return std::nullopt;
  }
  std::vector<ResumePair> pairs;
  pairs.reserve(static_cast<std::size_t>(count));
  std::int64_t missing = 0;
  for (std::int64_t k = 0; k < count; ++k) {
    const auto last_at = tail.size() - 8 - static_cast<std::size_t>(kPairBytes * k) - 8;
    const ResumePair pair{GetInt64(tail, last_at - 8), GetInt64(tail, last_at)};
    if (pair.next < 0 || pair.next > pair.last || pair.last >= file_size) return std::nullopt;
    missing += pair.last - pair.next + 1;
    if (missing > file_size) return std::nullopt;
    pairs.push_back(pair);
  }
  std::sort(pairs.begin(), pairs.end(),
            [](const ResumePair& a, const ResumePair& b) { return a.next < b.next; });
  // Overlapping ranges would fetch bytes twice and miscount what is on disk.
  for (std::size_t i = 1; i < pairs.size(); ++i) {
    if (pairs[i].next <= pairs[i - 1].last) return std::nullopt;
  }
  return pairs;
}

std::optional<std::vector<ResumePair>> ReadResumeRecord(const std::wstring& path,
                                                        std::int64_t file_size) {
  const std::optional<std::int64_t> length = FileLength(path);
  if (!length || file_size <= 0 || *length <= file_size) return std::nullopt;
  const std::int64_t tail_length = *length - file_size;
  if (tail_length < 8 || tail_length > kMaxResumePairs * kPairBytes + 8) return std::nullopt;
  std::string tail;
  if (!ReadFileAt(path, file_size, tail_length, tail)) return std::nullopt;
  return ParseResumeRecord(tail, file_size);
}

std::vector<ResumePair> Gaps(std::vector<ResumePair> present, std::int64_t file_size) {
  std::sort(present.begin(), present.end(),
            [](const ResumePair& a, const ResumePair& b) { return a.next < b.next; });
  std::vector<ResumePair> gaps;
  std::int64_t first_missing = 0;
  for (const ResumePair& span : present) {
    if (span.last < span.next) continue;
    if (span.next > first_missing && first_missing < file_size) {
      gaps.push_back({first_missing, std::min(span.next, file_size) - 1});
    }
    first_missing = std::max(first_missing, span.last + 1);
  }
  if (first_missing < file_size) gaps.push_back({first_missing, file_size - 1});
  return gaps;
}

std::int64_t MissingBytes(const std::vector<ResumePair>& pairs) {
  std::int64_t missing = 0;
  for (const ResumePair& pair : pairs) missing += pair.last - pair.next + 1;
  return missing;
}

}  // namespace ns_PLX
