// orbget as a person runs it: a real child process against the test server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "common/md5.h"
#include "tests/downloader/facade_child.h"
#include "tests/downloader/facade_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

using namespace std::chrono_literals;
using orbtest::ChildProcess;

std::string Orbget() {
  const char* path = std::getenv("ORBGET");
  return path != nullptr ? path : "";
}

std::vector<std::string> Fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string field; in >> field;) fields.push_back(field);
  return fields;
}

std::int64_t Number(const std::string& text) { return std::stoll(text); }

// Downloaded total of an "OnProgress id downloaded size speed" line, or -1.
std::int64_t ProgressOf(const std::string& line) {
  const auto fields = Fields(line);
  return fields.size() == 5 && fields[0] == "OnProgress" ? Number(fields[2]) : -1;
}

class OrbgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Orbget().empty()) << "ORBGET is not set";
    ORB_REQUIRE_TEST_SERVER(server_);
  }

  struct File {
    std::string name;
    std::string url;
    std::filesystem::path target;
    std::filesystem::path temp;
  };
  File Gen(std::int64_t size, const orbtest::Faults& faults = {}) const {
    File file;
    file.name = orbtest::UniqueTag() + ".bin";
    file.url = server_.Url(orbtest::TestServer::GenPath(size, file.name), faults);
    file.target = dir_.path() / file.name;
    file.temp = dir_.path() / (file.name + ".~P2S");
    return file;
  }
  std::vector<std::string> Args(std::vector<std::string> args) const {
    args.insert(args.begin(), Orbget());
    return args;
  }
  // Body bytes the server sent for `file` in requests numbered above `after`.
  std::uint64_t BytesSent(const File& file, std::uint64_t after) const {
    std::uint64_t sum = 0;
    for (const auto& r : server_.Requests(file.name)) {
      if (r.id > after) sum += r.bytes_sent;
    }
    return sum;
  }
  std::uint64_t LastRequestId(const File& file) const {
    std::uint64_t last = 0;
    for (const auto& r : server_.Requests(file.name)) last = std::max(last, r.id);
    return last;
  }
  bool AllFinished(const File& file) const {
    const auto requests = server_.Requests(file.name);
    return std::all_of(requests.begin(), requests.end(), [](const auto& r) { return r.finished; });
  }
  static std::vector<std::pair<std::string, std::string>> Env() {
    return {{"ORBGET_ATTEMPT_PAUSE_MS", "20"}};
  }

  orbtest::TestServer server_;
  orbtest::TempDir dir_;
};

TEST_F(OrbgetTest, DownloadsVerifiesAndPrintsOneLinePerEvent) {
  constexpr std::int64_t kSize = 3 << 20;
  const File file = Gen(kSize);
  const std::string md5 = Md5Hex(orbtest::GenBytes(0, kSize));
  ChildProcess orbget(Args({"--md5", "ffff," + md5, "--id", "3", file.url, dir_.narrow()}), {});
  ASSERT_TRUE(orbget.Started());
  ASSERT_EQ(orbget.Wait(), 0) << orbget.ErrorText();

  const auto& lines = orbget.Output();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "OnThreadBegin 3");
  EXPECT_EQ(lines.back(), "OnSucceeded 3");
  bool saw_full_progress = false;
  for (const auto& line : lines) {
    const auto fields = Fields(line);
    ASSERT_GE(fields.size(), 2u) << line;
    EXPECT_EQ(fields[0].rfind("On", 0), 0u) << line;
    EXPECT_EQ(fields[1], "3") << line;
    if (fields[0] == "OnProgress") {
      ASSERT_EQ(fields.size(), 5u) << line;
      EXPECT_EQ(Number(fields[3]), kSize) << line;
      saw_full_progress = saw_full_progress || Number(fields[2]) == kSize;
    }
  }
  EXPECT_TRUE(saw_full_progress);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "OnFileSize 3 3145728"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "OnDigestMatched 3"), lines.end());
  EXPECT_EQ(orbtest::FileMd5(file.target), md5);
}

TEST_F(OrbgetTest, WrongDigestExitsWithItsResultCode) {
  const File file = Gen(256 << 10);
  ChildProcess orbget(Args({"--md5", "0123456789abcdef0123456789abcdef", file.url, dir_.narrow()}), Env());
  ASSERT_EQ(orbget.Wait(), 11) << orbget.ErrorText();
  EXPECT_EQ(orbget.Output().back(), "OnFailed 1 11");
  EXPECT_FALSE(std::filesystem::exists(file.target));
}

TEST_F(OrbgetTest, BadArgumentsPrintUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"http://127.0.0.1:1/a.bin"},
      {"--id", "x", "http://127.0.0.1:1/a.bin", dir_.narrow()},
      {"--id", "12345678901", "http://127.0.0.1:1/a.bin", dir_.narrow()},
      {"--md5"},
      {"--bogus", "http://127.0.0.1:1/a.bin", dir_.narrow()},
      {"http://127.0.0.1:1/a.bin", dir_.narrow(), "extra"},
      {"", dir_.narrow()},
  };
  for (const auto& args : cases) {
    ChildProcess orbget(Args(args), {});
    EXPECT_EQ(orbget.Wait(), 2) << ::testing::PrintToString(args);
    EXPECT_TRUE(orbget.Output().empty());
    EXPECT_NE(orbget.ErrorText().find("usage: orbget"), std::string::npos);
  }
}

// A hard kill part-way through loses at most what came after the last periodic resume record
// (every 30 MiB) and what sat in the ranges' buffers; a second run fetches only the rest.
TEST_F(OrbgetTest, KilledPartWayTheNextRunResumes) {
  constexpr std::int64_t kSize = 128 << 20;
  constexpr std::int64_t kKillAt = 70 << 20;  // past two record points
  constexpr std::int64_t kRecordInterval = 30 << 20;
  constexpr std::int64_t kBuffer = 5 << 20;
  const File file = Gen(kSize, orbtest::Faults().Rate(400000));
  const std::vector<std::string> args = Args({file.url, dir_.narrow()});

  std::int64_t at_kill = -1;
  {
    ChildProcess first(args, Env());
    while (const auto line = first.ReadLine()) {
      if (ProgressOf(*line) >= kKillAt) {
        at_kill = ProgressOf(*line);
        first.Kill();
        break;
      }
    }
    ASSERT_GE(at_kill, kKillAt) << "no progress past the kill point";
    EXPECT_EQ(first.Wait(), -1);
  }
  const auto record = orbtest::ReadResumeRecord(file.temp, kSize);
  ASSERT_TRUE(record.has_value()) << "no resume record after the kill";
  ASSERT_FALSE(record->empty());
  std::this_thread::sleep_for(500ms);  // the server notices the dead connections
  const std::uint64_t first_last_id = LastRequestId(file);

  ChildProcess second(args, Env());
  ASSERT_EQ(second.Wait(), 0) << second.ErrorText();
  EXPECT_EQ(orbtest::FileMd5(file.target), Md5Hex(orbtest::GenBytes(0, kSize)));
  ASSERT_TRUE(orbtest::Eventually([&] { return AllFinished(file); }, 10s));

  const auto fetched = static_cast<std::int64_t>(BytesSent(file, first_last_id));
  const std::int64_t refetched = fetched - (kSize - at_kill);
  const std::int64_t allowed = kRecordInterval + kBuffer * static_cast<std::int64_t>(record->size());
  EXPECT_LE(refetched, allowed) << "second run fetched " << fetched << " bytes, killed at " << at_kill
                                << ", " << record->size() << " ranges in the record";
  EXPECT_LT(fetched, kSize - kKillAt + allowed);
}

#ifndef _WIN32
// Ctrl-C: the task is removed, its resume record written, and orbget exits 13; the next
// run continues from the record.
TEST_F(OrbgetTest, InterruptKeepsTheResumeRecordForTheNextRun) {
  constexpr std::int64_t kSize = 8 << 20;
  const File file = Gen(kSize, orbtest::Faults().Rate(100000));
  const std::vector<std::string> args = Args({file.url, dir_.narrow()});
  std::int64_t at_interrupt = -1;
  {
    ChildProcess first(args, Env());
    while (const auto line = first.ReadLine()) {
      if (ProgressOf(*line) > (1 << 20)) {
        at_interrupt = ProgressOf(*line);
        ASSERT_TRUE(first.Interrupt());
        break;
      }
    }
    ASSERT_GT(at_interrupt, 0);
    EXPECT_EQ(first.Wait(), 13) << first.ErrorText();
    const auto& lines = first.Output();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "OnAttemptEnd 1 0 13");
    EXPECT_EQ(lines.back(), "OnFailed 1 13");
  }
  const auto record = orbtest::ReadResumeRecord(file.temp, kSize);
  ASSERT_TRUE(record.has_value());
  std::int64_t missing = 0;
  for (const auto& [next, last] : *record) missing += last - next + 1;
  EXPECT_GT(missing, 0);
  EXPECT_LE(missing, kSize - at_interrupt);
  std::this_thread::sleep_for(300ms);
  const std::uint64_t first_last_id = LastRequestId(file);

  ChildProcess second(args, Env());
  ASSERT_EQ(second.Wait(), 0) << second.ErrorText();
  EXPECT_EQ(orbtest::FileMd5(file.target), Md5Hex(orbtest::GenBytes(0, kSize)));
  ASSERT_TRUE(orbtest::Eventually([&] { return AllFinished(file); }, 10s));
  // The recorded gaps were fetched again, not the whole file.
  const auto fetched = static_cast<std::int64_t>(BytesSent(file, first_last_id));
  EXPECT_GE(fetched, missing);
  EXPECT_LT(fetched, kSize - at_interrupt + (1 << 20));
}
#endif

}  // namespace
