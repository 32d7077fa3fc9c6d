// Downloads that meet faults: servers without ranges, broken and stalled connections,
// splits, cancels, a missing rename and a dead server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "downloader/http_request.h"
#include "downloader/multi_downloader.h"
#include "tests/downloader/log_tail.h"
#include "tests/downloader/multi_harness.h"
#include "tests/downloader/transfer_peers.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

namespace fs = std::filesystem;
using ns_PLX::CHostTable;
using ns_PLX::CMultiDownloader;
using orbtest::Faults;
using orbtest::GetRanges;
using orbtest::RecordingObserver;
using orbtest::SeenEvent;
using orbtest::TestServer;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::HasSubstr;

auto AttemptEnd(std::int32_t attempt, std::int32_t status) {
  return AllOf(Field(&SeenEvent::value1, attempt), Field(&SeenEvent::value2, status));
}

struct Fixture {
  std::string name;
  std::string path;
  orbtest::TempDir dir;
  CHostTable hosts;
  RecordingObserver observer;
};

// Servers that do not serve ranges: the attempt fails with status 3 and the next fetches
// the file as one stream.
struct NoRangeCase {
  const char* name;
  std::int64_t size;
  int connections;
  bool ignore_range;
};

class MultiWithoutRanges : public ::testing::TestWithParam<NoRangeCase> {};

TEST_P(MultiWithoutRanges, NextAttemptFetchesOneStream) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const NoRangeCase& c = GetParam();
  Fixture run;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(c.size, run.name);
  const orbtest::LogTail log;
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.free_memory = [&] { return std::optional<std::uint64_t>(orbtest::MemoryForConnections(c.connections)); };
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  const Faults faults =
      c.ignore_range ? Faults().IgnoreRange() : Faults().Status(416).Skip(1).Times(1).Methods("GET");
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path, faults), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), 0);

  EXPECT_THAT(run.observer.OfKind(ns_PLX::kEventAttemptEnded),
              ElementsAre(AttemptEnd(0, 3), AttemptEnd(1, 0)));
  EXPECT_EQ(GetRanges(server, run.path).back(), "0-");
  EXPECT_THAT(log.Lines(), Contains("[WARN] not support range download."));
  EXPECT_EQ(orbtest::ReadFile(run.dir.path() / run.name), orbtest::GenBytes(0, c.size));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, MultiWithoutRanges,
    ::testing::Values(
        // one range is refused with 416
        NoRangeCase{"RangeRefused", 300000, 4, false},
        // the first range is cut at its end, the others are answered with the whole file
        NoRangeCase{"RangeIgnored", 2 * 1024 * 1024 + 3, 4, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MultiFaults, FileSmallerThanTheConnectionsAsksOnlyForItsBytes) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(3, run.name);
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.free_memory = [] { return std::optional<std::uint64_t>(orbtest::MemoryForConnections(16)); };
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), 0);
  std::vector<std::string> ranges = GetRanges(server, run.path);
  std::sort(ranges.begin(), ranges.end());
  EXPECT_THAT(ranges, ElementsAre("0-0", "1-1", "2-2"));
  EXPECT_EQ(orbtest::ReadFile(run.dir.path() / run.name), orbtest::GenBytes(0, 3));
}

TEST(MultiFaults, BrokenSingleStreamIsFetchedAgainFromItsFirstMissingByte) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(300000, run.name);
  // The first range is refused (range mode goes off); the one stream of the next attempt
  // breaks after 100000 bytes.
  std::int32_t result = -1;
  const std::string rule = "{\"path\": \"" + run.path +
                           "\", \"faults\": {\"status\": 416}, \"count\": 1, \"methods\": \"GET\"}";
  ns_PLX::HttpRequest(ns_PLX::RequestKind::Post,
                      L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/_control/faults",
                      {"Content-Type: application/json"}, false, false, rule, result);
  ASSERT_EQ(result, 0);
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.free_memory = [] { return std::optional<std::uint64_t>(orbtest::MemoryForConnections(2)); };
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  const Faults faults = Faults().CloseAfter(100000).Skip(2).Times(1).Methods("GET");
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path, faults), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), 0);
  const std::vector<std::string> ranges = GetRanges(server, run.path);
  ASSERT_EQ(ranges.size(), 4u);
  EXPECT_EQ(ranges[2], "0-");
  EXPECT_EQ(ranges[3], "100000-");
  EXPECT_THAT(run.observer.OfKind(ns_PLX::kEventAttemptEnded),
              ElementsAre(AttemptEnd(0, 3), AttemptEnd(1, 0)));
  EXPECT_EQ(orbtest::ReadFile(run.dir.path() / run.name), orbtest::GenBytes(0, 300000));
}

TEST(MultiFaults, MissingBytesFailTheAttemptEvenWithoutAnErrorCode) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(300000, run.name);
  const orbtest::LogTail log;
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.attempts = 1;
  // Too little memory to fetch the broken range again.
  settings.free_memory = [] { return std::optional<std::uint64_t>(512 * 1024); };
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  const Faults faults = Faults().CloseAfter(100000).Methods("GET");
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path, faults), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), ns_PLX::kStatusFailed);
  EXPECT_THAT(log.Lines(), Contains("[ERROR] multi, free memory less 1M."));
  EXPECT_FALSE(fs::exists(run.dir.path() / run.name));
}

TEST(MultiFaults, ResetConnectionIsFetchedAgainFromWhereItBroke) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  const std::int64_t size = 2 * 1024 * 1024;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(size, run.name);
  const orbtest::LogTail log;
  CMultiDownloader download(orbtest::QuickSettings(run.hosts));
  download.SetObserver(&run.observer);
  const Faults faults = Faults().ResetAfter(100000).Times(1).Methods("GET");
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path, faults), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), 0);
  EXPECT_EQ(orbtest::ReadFile(run.dir.path() / run.name), orbtest::GenBytes(0, size));
  EXPECT_THAT(log.Lines(), Contains(HasSubstr("[INFO] multi, failed, redownload range(")));
  EXPECT_EQ(GetRanges(server, run.path).size(), 5u);
}

TEST(MultiFaults, FinishedConnectionTakesHalfOfABusyRange) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  const std::int64_t size = 6 * 1024 * 1024;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(size, run.name);
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.free_memory = [] { return std::optional<std::uint64_t>(orbtest::MemoryForConnections(2)); };
  settings.range.stall_timeout = std::chrono::seconds(30);
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  // One of the two ranges pauses after 64 KiB while the other finishes.
  const Faults faults = Faults().StallAfter(65536, 3).Times(1).Methods("GET");
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path, faults), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), 0);
  EXPECT_EQ(orbtest::ReadFile(run.dir.path() / run.name), orbtest::GenBytes(0, size));

  const auto plan = ns_PLX::PlanRanges(size, 2);
  const std::vector<std::string> ranges = GetRanges(server, run.path);
  ASSERT_GE(ranges.size(), 3u);
  // The split takes the second half of what the stalled range still had to fetch.
  bool split_found = false;
  for (const auto& range : plan) {
    const std::int64_t remaining = range.last - range.next + 1 - 65536;
    const std::string half = std::to_string(range.last - remaining / 2) + "-" + std::to_string(range.last);
    if (ranges[2] == half) split_found = true;
  }
  EXPECT_TRUE(split_found) << ranges[2];
}

TEST(MultiFaults, StalledRangeIsFetchedAgainOnTheLeastUsedAddress) {
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  const std::int64_t size = 1024 * 1024;
  const std::string name = orbtest::UniqueTag() + ".bin";
  const std::string path = "/gen/" + std::to_string(size) + "/" + name;
  // Only the server on 127.0.0.1 stalls, once.
  std::int32_t result = -1;
  const std::string rule = "{\"path\": \"" + path +
                           "\", \"faults\": {\"stall_after\": 65536, \"stall_secs\": 20}, "
                           "\"count\": 1, \"methods\": \"GET\"}";
  ns_PLX::HttpRequest(ns_PLX::RequestKind::Post,
                      L"http://127.0.0.1:" + std::to_wstring(peers.HostsPort()) + L"/_control/faults",
                      {"Content-Type: application/json"}, false, false, rule, result);
  ASSERT_EQ(result, 0);

  ns_PLX::HostTableSettings host_settings;
  host_settings.http_dns = peers.HttpDns();
  host_settings.probe.connect_timeout = std::chrono::seconds(2);
  CHostTable hosts(host_settings);
  RecordingObserver observer;
  const orbtest::TempDir dir;
  CMultiDownloader download(orbtest::QuickSettings(hosts));
  download.SetObserver(&observer);
  const std::string url = "http://twelve.invalid:" + std::to_string(peers.HostsPort()) + path;
  ASSERT_TRUE(download.StartDownload(2, url, dir.narrow()));
  ASSERT_EQ(observer.WaitFinished(), 0);
  EXPECT_EQ(orbtest::ReadFile(dir.path() / name), orbtest::GenBytes(0, size));

  // Four ranges took 127.0.0.1, .10, .2 and .3 (text order); the re-fetch of the first
  // range, from its first missing byte, went to the least-used .4.
  std::vector<std::string> addresses;
  for (const auto& event : observer.OfKind(ns_PLX::kEventRangeAddress)) addresses.push_back(event.text);
  ASSERT_EQ(addresses.size(), 5u);
  EXPECT_THAT(addresses, ElementsAre("127.0.0.1", "127.0.0.10", "127.0.0.2", "127.0.0.3", "127.0.0.4"));
  const auto refetch = peers.HostRequests(4, "method=GET\ttarget=" + path);
  ASSERT_FALSE(refetch.empty());
  const std::string last = std::to_string(ns_PLX::PlanRanges(size, 4)[0].last);
  EXPECT_THAT(refetch.front(), HasSubstr("range=bytes=65536-" + last));
}

TEST(MultiFaults, FailedRenameEndsWithStatus9) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(5000, run.name);
  // A folder that is not empty stands where the file should go.
  fs::create_directories(run.dir.path() / run.name);
  run.dir.write(run.name + "/keep.txt", "x");
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.attempts = 2;
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), ns_PLX::kStatusFileFailed);
  EXPECT_THAT(run.observer.OfKind(ns_PLX::kEventAttemptEnded),
              ElementsAre(AttemptEnd(0, 9), AttemptEnd(1, 9)));
  const auto errors = run.observer.OfKind(ns_PLX::kEventFileError);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].value1, ns_PLX::kFileErrorRename);
  EXPECT_TRUE(fs::is_directory(run.dir.path() / run.name));
}

TEST(MultiFaults, CancelDuringThePauseBetweenAttemptsEndsAtOnce) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.name = orbtest::UniqueTag() + ".bin";
  run.path = TestServer::GenPath(5000, run.name);
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.attempt_pause = std::chrono::minutes(10);
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  download.SetServerMd5("0123456789ABCDEF0123456789ABCDEF");
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path), run.dir.narrow()));
  ASSERT_TRUE(run.observer.WaitFor([](const SeenEvent& e) { return e.kind == ns_PLX::kEventAttemptEnded; }));
  download.Cancel();
  ASSERT_EQ(run.observer.WaitFinished(std::chrono::seconds(30)), ns_PLX::kStatusCancelled);
  EXPECT_THAT(run.observer.OfKind(ns_PLX::kEventAttemptEnded), ElementsAre(AttemptEnd(0, 11)));
}

TEST(MultiFaults, CancelBeforeTheFirstStepStartsNothing) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.path = TestServer::GenPath(5000, orbtest::UniqueTag() + ".bin");
  CMultiDownloader download(orbtest::QuickSettings(run.hosts));
  download.SetObserver(&run.observer);
  download.Cancel();
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path), run.dir.narrow()));
  ASSERT_EQ(run.observer.WaitFinished(), ns_PLX::kStatusCancelled);
  EXPECT_TRUE(server.Requests(run.path).empty());
  EXPECT_TRUE(fs::is_empty(run.dir.path()));
}

TEST(MultiFaults, CancelDuringHostPreparationDoesNotWaitForIt) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.path = TestServer::GenPath(5000, orbtest::UniqueTag() + ".bin");
  RecordingObserver observer;
  {
    CMultiDownloader download(orbtest::QuickSettings(run.hosts));
    download.SetObserver(&observer);
    // The host's size probe answers after 5 s.
    ASSERT_TRUE(download.StartDownload(1, server.Url(run.path, Faults().LatencyMs(5000).Methods("HEAD")),
                                       run.dir.narrow()));
    ASSERT_TRUE(observer.WaitFor([](const SeenEvent& e) { return e.kind == ns_PLX::kEventThreadStarted; }));
    download.Cancel();
    ASSERT_EQ(observer.WaitFinished(), ns_PLX::kStatusCancelled);
    // Finished before the probe was answered: nothing of the host was reported.
    EXPECT_THAT(observer.Kinds(), ElementsAre(17, 7, 0, 2));
  }
  EXPECT_THAT(observer.Kinds(), ElementsAre(17, 7, 0, 2));
  EXPECT_TRUE(fs::is_empty(run.dir.path()));
}

TEST(MultiFaults, DeadServerIsAskedAgainAtAPace) {
  TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  Fixture run;
  run.path = TestServer::GenPath(100000, orbtest::UniqueTag() + ".bin");
  auto settings = orbtest::QuickSettings(run.hosts);
  settings.free_memory = [] { return std::optional<std::uint64_t>(orbtest::MemoryForConnections(2)); };
  settings.monitor_interval = std::chrono::milliseconds(20);
  settings.refetch_pause_max = std::chrono::milliseconds(1000);
  CMultiDownloader download(settings);
  download.SetObserver(&run.observer);
  ASSERT_TRUE(download.StartDownload(1, server.Url(run.path, Faults().Status(503).Methods("GET")),
                                     run.dir.narrow()));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  download.Cancel();
  ASSERT_EQ(run.observer.WaitFinished(), ns_PLX::kStatusCancelled);
  // Unpaced, each range would be asked again on every 20 ms pass (some 150 requests each);
  // paced, its waits double from 20 ms to 1 s: about ten requests each.
  const std::size_t requests = GetRanges(server, run.path).size();
  EXPECT_GE(requests, 6u);
  EXPECT_LE(requests, 40u);
}

}  // namespace
