// The resume record: written at a cancel, used by the next download, ignored when bad.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "downloader/multi_downloader.h"
#include "tests/downloader/log_tail.h"
#include "tests/downloader/multi_attributes.h"
#include "tests/downloader/multi_harness.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

namespace fs = std::filesystem;
using ns_PLX::CHostTable;
using ns_PLX::CMultiDownloader;
using orbtest::Faults;
using orbtest::RecordingObserver;
using orbtest::SeenEvent;
using orbtest::TestServer;
using ::testing::Contains;
using ::testing::Not;
using ::testing::UnorderedElementsAreArray;

std::int64_t ReadLe(const std::string& bytes, std::size_t at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return static_cast<std::int64_t>(value);
}

std::string Le(std::initializer_list<std::int64_t> values) {
  std::string out;
  for (const std::int64_t value : values) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
  }
  return out;
}

std::vector<std::string> GetRangesAfter(const TestServer& server, const std::string& path,
                                        std::uint64_t after_id) {
  std::vector<std::string> ranges;
  for (const auto& request : server.Requests(path)) {
    if (request.method == "GET" && request.id > after_id) ranges.push_back(orbtest::RangeOf(request.range));
  }
  return ranges;
}

std::uint64_t LastId(const TestServer& server, const std::string& path) {
  const auto requests = server.Requests(path);
  return requests.empty() ? 0 : requests.back().id;
}

TEST(MultiResume, CancelLeavesTheRecordAndTheNextDownloadFetchesOnlyWhatIsMissing) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::int64_t size = 1024 * 1024 + 7;
  const std::string name = orbtest::UniqueTag() + ".bin";
  const std::string path = TestServer::GenPath(size, name);
  const orbtest::TempDir dir;
  const fs::path temp = dir.path() / (name + ".~P2S");
  const auto plan = ns_PLX::PlanRanges(size, 4);

  std::vector<ns_PLX::ResumePair> recorded;
  {
    CHostTable hosts;
    RecordingObserver observer;
    auto settings = orbtest::QuickSettings(hosts);
    settings.record_interval = 64 * 1024;  // the background writer runs too
    CMultiDownloader download(settings);
    download.SetObserver(&observer);
    ASSERT_TRUE(download.StartDownload(8, server.Url(path, Faults().Rate(100000)), dir.narrow()));
    ASSERT_TRUE(observer.WaitFor([](const SeenEvent& e) {
      return e.kind == ns_PLX::kEventProgress && e.downloaded >= 200000;
    }));
    download.Cancel();
    ASSERT_EQ(observer.WaitFinished(), ns_PLX::kStatusCancelled);
    EXPECT_EQ(observer.OfKind(ns_PLX::kEventAttemptEnded).at(0).value2, ns_PLX::kStatusCancelled);
  }

  // Hidden while partial (where files have such an attribute).
  if (const auto hidden = orbtest::HiddenAttribute(temp)) {
    EXPECT_TRUE(*hidden);
  }

  // Data, then (next byte, last byte) per unfinished range in list order, then N.
  const std::string bytes = orbtest::ReadFile(temp);
  ASSERT_GT(bytes.size(), static_cast<std::size_t>(size) + 8);
  const std::int64_t n = ReadLe(bytes, bytes.size() - 8);
  ASSERT_EQ(n, 4);
  ASSERT_EQ(bytes.size(), static_cast<std::size_t>(size + 16 * n + 8));
  for (std::int64_t i = 0; i < n; ++i) {
    const ns_PLX::ResumePair pair{ReadLe(bytes, size + 16 * i), ReadLe(bytes, size + 16 * i + 8)};
    SCOPED_TRACE(i);
    EXPECT_EQ(pair.last, plan[i].last);
    EXPECT_GT(pair.next, plan[i].next);
    EXPECT_LE(pair.next, pair.last);
    // What the record calls present is on disk.
    EXPECT_EQ(bytes.substr(plan[i].next, pair.next - plan[i].next),
              orbtest::GenBytes(plan[i].next, pair.next - plan[i].next));
    recorded.push_back(pair);
  }

  const std::uint64_t mark = LastId(server, path);
  CHostTable hosts;
  RecordingObserver observer;
  const orbtest::LogTail log;
  CMultiDownloader download(orbtest::QuickSettings(hosts));
  download.SetObserver(&observer);
  ASSERT_TRUE(download.StartDownload(8, server.Url(path), dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), 0);
  EXPECT_EQ(orbtest::ReadFile(dir.path() / name), orbtest::GenBytes(0, size));
  EXPECT_FALSE(fs::exists(temp));
  if (const auto hidden = orbtest::HiddenAttribute(dir.path() / name)) {
    EXPECT_FALSE(*hidden);
  }

  std::int64_t missing = 0;
  std::vector<std::string> expected;
  for (const auto& pair : recorded) {
    missing += pair.last - pair.next + 1;
    expected.push_back(std::to_string(pair.next) + "-" + std::to_string(pair.last));
  }
  EXPECT_THAT(GetRangesAfter(server, path, mark), UnorderedElementsAreArray(expected));
  const auto lines = log.Lines();
  EXPECT_THAT(lines, Contains("[INFO] multi, resume download."));
  EXPECT_THAT(lines, Contains("[INFO] multi, total=[" + std::to_string(size) + "], cached=[" +
                              std::to_string(size - missing) + "], undownloaded=[" +
                              std::to_string(missing) + "]."));
  EXPECT_GE(observer.OfKind(ns_PLX::kEventProgress).front().downloaded, size - missing);
}

struct BadRecordCase {
  const char* name;
  std::string (*tail)(std::int64_t size);
};

class MultiBadRecord : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(MultiBadRecord, IsIgnoredAndTheFileFetchedAfresh) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::int64_t size = 200000;
  const std::string name = orbtest::UniqueTag() + ".bin";
  const std::string path = TestServer::GenPath(size, name);
  const orbtest::TempDir dir;
  // Junk where the data goes: a wrong resume would keep it.
  dir.write(name + ".~P2S", std::string(static_cast<std::size_t>(size), 'J') + GetParam().tail(size));
  CHostTable hosts;
  RecordingObserver observer;
  const orbtest::LogTail log;
  CMultiDownloader download(orbtest::QuickSettings(hosts));
  download.SetObserver(&observer);
  ASSERT_TRUE(download.StartDownload(8, server.Url(path), dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), 0);
  EXPECT_EQ(orbtest::ReadFile(dir.path() / name), orbtest::GenBytes(0, size));
  EXPECT_THAT(log.Lines(), Not(Contains("[INFO] multi, resume download.")));
  EXPECT_EQ(GetRangesAfter(server, path, 0).size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Records, MultiBadRecord,
    ::testing::Values(
        BadRecordCase{"MoreMissingThanTheFile",
                      [](std::int64_t size) { return Le({0, size - 1, 0, size - 1, 2}); }},
        BadRecordCase{"LongerThanItsCount",
                      [](std::int64_t size) { return Le({7, 0, size - 1, 1}); }},
        BadRecordCase{"CountBeyondTheFile", [](std::int64_t) { return Le({0, 10, 1000000}); }},
        BadRecordCase{"CutShort", [](std::int64_t) { return std::string(5, '\0'); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
