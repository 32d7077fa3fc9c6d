// Whole downloads against the shared test server: ranges, events, digests, file names,
// the size query.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "downloader/multi_downloader.h"
#include "tests/downloader/log_tail.h"
#include "tests/downloader/multi_harness.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

namespace fs = std::filesystem;
using ns_PLX::CHostTable;
using ns_PLX::CMultiDownloader;
using orbtest::Faults;
using orbtest::GetRanges;
using orbtest::RecordingObserver;
using orbtest::TestServer;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Each;
using ::testing::Field;
using ::testing::IsEmpty;
using ::testing::Not;

std::vector<std::string> PlannedRanges(std::int64_t size, int connections) {
  std::vector<std::string> ranges;
  for (const auto& range : ns_PLX::PlanRanges(size, connections)) {
    ranges.push_back(std::to_string(range.next) + "-" + std::to_string(range.last));
  }
  return ranges;
}

TEST(MultiDownload, FetchesPlannedRangesAndReportsEveryStepInOrder) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::int64_t size = 3 * 1024 * 1024 + 5;
  const std::string name = orbtest::UniqueTag() + ".bin";
  const std::string path = TestServer::GenPath(size, name);
  const orbtest::TempDir dir;
  CHostTable hosts;
  RecordingObserver observer;
  CMultiDownloader download(orbtest::QuickSettings(hosts));
  download.SetObserver(&observer);
  download.SetServerMd5(orbtest::GenMd5(size));
  ASSERT_TRUE(download.StartDownload(9, server.Url(path), dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), 0);

  EXPECT_EQ(orbtest::ReadFile(dir.path() / name), orbtest::GenBytes(0, size));
  EXPECT_FALSE(fs::exists(dir.path() / (name + ".~P2S")));
  std::vector<std::string> requested = GetRanges(server, path);
  std::sort(requested.begin(), requested.end());
  std::vector<std::string> planned = PlannedRanges(size, 4);
  std::sort(planned.begin(), planned.end());
  EXPECT_EQ(requested, planned);
  EXPECT_EQ(download.FileName(), name);
  EXPECT_EQ(download.DownloadedTotal(), size);

  // 17, 7, 16, 0, 1, 18, (8, 4) per range, 9, progress, 11, 12, 10, 2.
  const std::vector<std::int32_t> kinds = observer.Kinds();
  ASSERT_GE(kinds.size(), 19u);
  EXPECT_THAT(std::vector<std::int32_t>(kinds.begin(), kinds.begin() + 15),
              ElementsAre(17, 7, 16, 0, 1, 18, 8, 4, 8, 4, 8, 4, 8, 4, 9));
  EXPECT_THAT(std::vector<std::int32_t>(kinds.end() - 4, kinds.end()), ElementsAre(11, 12, 10, 2));
  EXPECT_THAT(std::vector<std::int32_t>(kinds.begin() + 15, kinds.end() - 4), Each(3));
  EXPECT_THAT(std::vector<std::int32_t>(kinds.begin() + 15, kinds.end() - 4), Not(IsEmpty()));

  const auto events = observer.Events();
  for (const auto& event : events) EXPECT_EQ(event.task_id, 9);
  EXPECT_EQ(events[2].text, "127.0.0.1:" + std::to_string(server.Port()) + ":127.0.0.1");
  EXPECT_EQ(events[3].text, name);
  EXPECT_EQ(events[4].value, size);
  EXPECT_EQ(events[5].value1, 4);
  EXPECT_EQ(events[5].value2, 1024 * 1024);
  EXPECT_EQ(events[6].text, "127.0.0.1");
  EXPECT_EQ(events[7].value, ns_PLX::PlanRanges(size, 4)[0].last + 1);
  EXPECT_EQ(events[14].value, 0);
  const auto progress = observer.OfKind(ns_PLX::kEventProgress);
  EXPECT_EQ(progress.back().downloaded, size);
  EXPECT_EQ(progress.back().file_size, size);
  EXPECT_EQ(events[events.size() - 4].text, orbtest::GenMd5(size));
  EXPECT_EQ(events[events.size() - 2].value1, 0);
  EXPECT_EQ(events[events.size() - 2].value2, 0);
  EXPECT_EQ(events.back().value, 0);
}

struct DigestCase {
  const char* name;
  std::string expected;  // "<md5>" stands for the file's digest, "<MD5>" in upper case
  std::int32_t status;
  bool checked;  // the digest was computed and reported
};

class MultiDigest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(MultiDigest, DecidesTheResult) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const DigestCase& c = GetParam();
  const std::int64_t size = 70000;
  const std::string name = orbtest::UniqueTag() + ".exe";
  std::string expected = c.expected;
  for (const auto& [mark, upper] : {std::pair{"<md5>", false}, std::pair{"<MD5>", true}}) {
    const std::size_t at = expected.find(mark);
    if (at != std::string::npos) expected.replace(at, 5, orbtest::GenMd5(size, upper));
  }
  const orbtest::TempDir dir;
  CHostTable hosts;
  RecordingObserver observer;
  auto settings = orbtest::QuickSettings(hosts);
  settings.attempts = 2;
  CMultiDownloader download(settings);
  download.SetObserver(&observer);
  download.SetServerMd5(expected);
  ASSERT_TRUE(download.StartDownload(3, server.Url(TestServer::GenPath(size, name)), dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), c.status);

  EXPECT_EQ(observer.OfKind(ns_PLX::kEventFileDigest).empty(), !c.checked);
  if (c.status == 0) {
    EXPECT_EQ(orbtest::ReadFile(dir.path() / name), orbtest::GenBytes(0, size));
  } else {
    // Every attempt ran and failed the check; nothing is left behind.
    EXPECT_THAT(observer.OfKind(ns_PLX::kEventAttemptEnded),
                ElementsAre(Field(&orbtest::SeenEvent::value2, c.status),
                            Field(&orbtest::SeenEvent::value2, c.status)));
    EXPECT_THAT(observer.OfKind(ns_PLX::kEventDigestMatched), IsEmpty());
    EXPECT_FALSE(fs::exists(dir.path() / name));
    EXPECT_FALSE(fs::exists(dir.path() / (name + ".~P2S")));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MultiDigest,
    ::testing::Values(
        DigestCase{"LowerCase", "<md5>", 0, true},
        DigestCase{"OneOfAList", "0123456789ABCDEF0123456789ABCDEF,<MD5>", 0, true},
        DigestCase{"ShortSkipsTheCheck", "abc", 0, false},
        DigestCase{"EmptySkipsTheCheck", "", 0, false},
        DigestCase{"Wrong", "0123456789ABCDEF0123456789ABCDEF", 11, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MultiDownload, FileAlreadyInPlaceIsKeptOnlyWhenItsDigestMatches) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::int64_t size = 50000;
  for (const bool with_digest : {true, false}) {
    SCOPED_TRACE(with_digest ? "with digest" : "without digest");
    const std::string name = orbtest::UniqueTag() + ".bin";
    const std::string path = TestServer::GenPath(size, name);
    const orbtest::TempDir dir;
    dir.write(name, orbtest::GenBytes(0, size));
    CHostTable hosts;
    RecordingObserver observer;
    CMultiDownloader download(orbtest::QuickSettings(hosts));
    download.SetObserver(&observer);
    download.SetServerMd5(with_digest ? orbtest::GenMd5(size) : "");
    ASSERT_TRUE(download.StartDownload(4, server.Url(path), dir.narrow()));
    ASSERT_EQ(observer.WaitFinished(), 0);
    EXPECT_EQ(GetRanges(server, path).empty(), with_digest);
    EXPECT_EQ(observer.OfKind(ns_PLX::kEventAttemptStarted).empty(), with_digest);
    EXPECT_EQ(orbtest::ReadFile(dir.path() / name), orbtest::GenBytes(0, size));
  }
}

TEST(MultiDownload, UnsafeNameIsReplacedInsideTheFolder) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const orbtest::TempDir dir;
  CHostTable hosts;
  RecordingObserver observer;
  CMultiDownloader download(orbtest::QuickSettings(hosts));
  download.SetObserver(&observer);
  const std::string url = server.Url("/gen/4096/" + orbtest::UniqueTag() + "/nul.txt");
  ASSERT_TRUE(download.StartDownload(5, url, dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), 0);
  EXPECT_EQ(observer.OfKind(ns_PLX::kEventFileName).at(0).text, "package_5.bin");
  EXPECT_EQ(orbtest::ReadFile(dir.path() / "package_5.bin"), orbtest::GenBytes(0, 4096));
}

TEST(MultiDownload, SizeUnknownToHeadRequestsIsAskedOfAGet) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::int64_t size = 20000;
  const std::string path = TestServer::GenPath(size, orbtest::UniqueTag() + ".bin");
  const orbtest::TempDir dir;
  CHostTable hosts;
  RecordingObserver observer;
  CMultiDownloader download(orbtest::QuickSettings(hosts));
  download.SetObserver(&observer);
  // Host preparation's probe (a HEAD and a GET) and the size query's six HEADs learn no size.
  ASSERT_TRUE(download.StartDownload(6, server.Url(path, Faults().NoLength().Times(8)), dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), 0);
  EXPECT_EQ(observer.OfKind(ns_PLX::kEventFileSize).at(0).value, size);
  EXPECT_EQ(orbtest::ReadFile(dir.path() / path.substr(path.rfind('/') + 1)),
            orbtest::GenBytes(0, size));

  std::vector<std::string> methods;
  for (const auto& request : server.Requests(path)) {
    methods.push_back(request.method + (request.range.empty() ? "" : " " + orbtest::RangeOf(request.range)));
  }
  ASSERT_GE(methods.size(), 9u);
  EXPECT_THAT(std::vector<std::string>(methods.begin() + 2, methods.begin() + 9),
              ElementsAre("HEAD", "HEAD", "HEAD", "HEAD", "HEAD", "HEAD", "GET"));
}

TEST(MultiDownload, SizeNeverLearnedEndsWithStatus5AndNoFile) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::string name = orbtest::UniqueTag() + ".bin";
  const orbtest::TempDir dir;
  CHostTable hosts;
  RecordingObserver observer;
  const orbtest::LogTail log;
  CMultiDownloader download(orbtest::QuickSettings(hosts));
  download.SetObserver(&observer);
  ASSERT_TRUE(download.StartDownload(
      6, server.Url(TestServer::GenPath(1000, name), Faults().NoLength()), dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), 5);
  EXPECT_THAT(observer.Kinds(), ElementsAre(17, 7, 16, 0, 14, 2));
  EXPECT_EQ(observer.OfKind(ns_PLX::kEventHostFailed).at(0).value, 2);
  EXPECT_THAT(log.Lines(), Contains("[ERROR] multi, get file size from server failed!"));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
