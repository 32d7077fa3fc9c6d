#include "tests/downloader/facade_recorder.h"

#include <fstream>
#include <iterator>
#include <thread>

#include "common/hex.h"
#include "common/md5.h"
#include "common/text_convert.h"

namespace orbtest {

namespace {
std::string Join(const char* name, std::int32_t id, std::initializer_list<std::string> args) {
  std::string line = std::string(name) + ' ' + std::to_string(id);
  for (const auto& arg : args) line += ' ' + arg;
  return line;
}
std::string S(std::int64_t v) { return std::to_string(v); }
}  // namespace

void EventRecorder::Add(std::string line) {
  {
    const std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  added_.notify_all();
  if (on_line) on_line(line);
}

std::vector<std::string> EventRecorder::Lines() const {
  const std::lock_guard lock(mutex_);
  return lines_;
}

std::vector<std::string> EventRecorder::LinesOf(std::int32_t task_id) const {
  std::vector<std::string> out;
  const std::string id = ' ' + std::to_string(task_id);
  for (const auto& line : Lines()) {
    const auto space = line.find(' ');
    const auto next = line.find(' ', space + 1);
    if (line.substr(space, next - space) == id) out.push_back(line);
  }
  return out;
}

std::size_t EventRecorder::Count() const {
  const std::lock_guard lock(mutex_);
  return lines_.size();
}

bool EventRecorder::Has(const std::string& prefix) const {
  for (const auto& line : Lines()) {
    if (line.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

bool EventRecorder::WaitFor(const std::string& prefix, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return added_.wait_for(lock, timeout, [&] {
    for (const auto& line : lines_) {
      if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
  });
}

void EventRecorder::OnFileName(std::int32_t id, const std::wstring& name) {
  Add(Join("OnFileName", id, {WideToUtf8(name)}));
}
void EventRecorder::OnFileSize(std::int32_t id, std::int64_t size) { Add(Join("OnFileSize", id, {S(size)})); }
void EventRecorder::OnProgress(std::int32_t id, std::int64_t downloaded, std::int64_t file_size,
                               std::int32_t speed) {
  Add(Join("OnProgress", id, {S(downloaded), S(file_size), S(speed)}));
}
void EventRecorder::OnSucceeded(std::int32_t id) { Add(Join("OnSucceeded", id, {})); }
void EventRecorder::OnFailed(std::int32_t id, std::int32_t status) { Add(Join("OnFailed", id, {S(status)})); }
void EventRecorder::OnRangeEvent(std::int32_t id, std::int32_t range_id, std::int32_t sub_kind,
                                 std::int64_t value) {
  Add(Join("OnRangeEvent", id, {S(range_id), S(sub_kind), S(value)}));
}
void EventRecorder::OnStarted(std::int32_t id) { Add(Join("OnStarted", id, {})); }
void EventRecorder::OnRangeAddress(std::int32_t id, const std::string& address) {
  Add(Join("OnRangeAddress", id, {address}));
}
void EventRecorder::OnAttempt(std::int32_t id, std::int32_t attempt) { Add(Join("OnAttempt", id, {S(attempt)})); }
void EventRecorder::OnAttemptEnd(std::int32_t id, std::int32_t attempt, std::int32_t status) {
  Add(Join("OnAttemptEnd", id, {S(attempt), S(status)}));
}
void EventRecorder::OnFileDigest(std::int32_t id, const std::string& digest) {
  Add(Join("OnFileDigest", id, {digest}));
}
void EventRecorder::OnDigestMatched(std::int32_t id) { Add(Join("OnDigestMatched", id, {})); }
void EventRecorder::OnFileError(std::int32_t id, std::int32_t kind, std::int32_t error) {
  Add(Join("OnFileError", id, {S(kind), S(error)}));
}
void EventRecorder::OnHostFailed(std::int32_t id, std::int32_t value) { Add(Join("OnHostFailed", id, {S(value)})); }
void EventRecorder::OnHostRefreshed(std::int32_t id, std::int32_t status) {
  Add(Join("OnHostRefreshed", id, {S(status)}));
}
void EventRecorder::OnHostAddresses(std::int32_t id, const std::string& host, const std::string& addresses) {
  Add(Join("OnHostAddresses", id, {host, addresses}));
}
void EventRecorder::OnThreadBegin(std::int32_t id) { Add(Join("OnThreadBegin", id, {})); }
void EventRecorder::OnTuning(std::int32_t id, std::int32_t connections, std::int32_t buffer_size) {
  Add(Join("OnTuning", id, {S(connections), S(buffer_size)}));
}

std::optional<std::vector<std::pair<std::int64_t, std::int64_t>>> ReadResumeRecord(
    const std::filesystem::path& temp_file, std::int64_t file_size) {
  std::ifstream in(temp_file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto length = static_cast<std::int64_t>(bytes.size());
  const std::int64_t tail = length - file_size - 8;
  if (tail < 16 || tail % 16 != 0) return std::nullopt;
  auto read64 = [&](std::int64_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return static_cast<std::int64_t>(v);
  };
  const std::int64_t n = read64(length - 8);
  if (n != tail / 16) return std::nullopt;
  std::vector<std::pair<std::int64_t, std::int64_t>> pairs;
  for (std::int64_t i = 0; i < n; ++i) {
    const std::int64_t next = read64(file_size + 16 * i);
    const std::int64_t last = read64(file_size + 16 * i + 8);
    if (next < 0 || next > last + 1 || last >= file_size) return std::nullopt;
    pairs.emplace_back(next, last);
  }
  return pairs;
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::string FileMd5(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  Md5 md5;
  char block[1 << 16];
  while (in.read(block, sizeof(block)) || in.gcount() > 0) {
    md5.Update(std::string_view(block, static_cast<std::size_t>(in.gcount())));
  }
  const auto digest = md5.Final();
  return ToHex(digest);
}

}  // namespace orbtest
