#include "tests/downloader/test_file.h"

#include <iterator>

namespace orbtest {

TestFile::TestFile(std::filesystem::path path, std::int64_t size) : path_(std::move(path)) {
  {
    std::ofstream create(path_, std::ios::binary | std::ios::trunc);
    const std::string zeros(static_cast<std::size_t>(size), '\0');
    create.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  file_.open(path_, std::ios::binary | std::ios::in | std::ios::out);
}

std::int64_t TestFile::Write(std::int64_t offset, std::int64_t length, const char* data) {
  const std::lock_guard lock(mutex_);
  const int number = static_cast<int>(calls_.size());
  std::int64_t wanted = length;
  if (fail_from_ >= 0 && number >= fail_from_) {
    wanted = (partial_ && number == fail_from_) ? length / 2 : 0;
  }
  std::int64_t stored = 0;
  if (wanted > 0) {
    file_.seekp(offset);
    file_.write(data, static_cast<std::streamsize>(wanted));
    file_.flush();
    if (file_) stored = wanted;
    file_.clear();
  }
  calls_.push_back({offset, length, stored});
  return stored;
}

void TestFile::FailFromCall(int call, bool partial) {
  const std::lock_guard lock(mutex_);
  fail_from_ = call;
  partial_ = partial;
}

std::vector<TestFile::Call> TestFile::Calls() const {
  const std::lock_guard lock(mutex_);
  return calls_;
}

std::int64_t TestFile::StoredBytes() const {
  const std::lock_guard lock(mutex_);
  std::int64_t total = 0;
  for (const Call& call : calls_) total += call.stored;
  return total;
}

std::string TestFile::Content() const {
  const std::lock_guard lock(mutex_);
  std::ifstream in(path_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace orbtest
