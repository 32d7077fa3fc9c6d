#pragma once
// A real file behind the range writer contract, with switchable write failures, and a
// record of every write call.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "downloader/file_writer.h"

namespace orbtest {

class TestFile : public ns_PLX::IFileWriter {
 public:
  struct Call {
    std::int64_t offset;
    std::int64_t length;
    std::int64_t stored;
  };

  // Creates `path` with `size` zero bytes.
  TestFile(std::filesystem::path path, std::int64_t size);

  std::int64_t Write(std::int64_t offset, std::int64_t length, const char* data) override;

  // From call number `call` (0-based) on, calls store nothing; `partial`: that one call
  // stores half of its bytes first.
  void FailFromCall(int call, bool partial);

  std::vector<Call> Calls() const;
  std::int64_t StoredBytes() const;
  std::string Content() const;  // the whole file as it is on disk

 private:
  const std::filesystem::path path_;
  mutable std::mutex mutex_;
  std::fstream file_;             // guarded by mutex_
  std::vector<Call> calls_;       // guarded by mutex_
  int fail_from_ = -1;            // guarded by mutex_
  bool partial_ = false;          // guarded by mutex_
};

}  // namespace orbtest
