// The core's buffer and staging file across runs, and the facade's exit, with collectors
// that refuse or never answer.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/json_doc.h"
#include "report/analytics_client.h"
#include "report/analytics_core.h"
#include "tests/report/analytics_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

using orb_analytics::AnalyticsClient;
using orb_analytics::AnalyticsClientSettings;
using orb_analytics::AnalyticsCore;
using orb_analytics::PropertiesNode;
using orbtest::DiagnosticCapture;
using orbtest::TempDir;

// Nothing listens on port 1: every send fails at once.
const std::vector<std::string> kRefused = {"http://127.0.0.1:1/sa?project=UA_Orb_Web"};

std::wstring StagingPath(const TempDir& dir) { return (dir.path() / "orb_analytics").wstring(); }

std::wstring Folder(const TempDir& dir) {
  return dir.path().wstring() + std::wstring(1, std::filesystem::path::preferred_separator);
}

void TrackNumbered(AnalyticsCore& core, int from, int to) {
  for (int i = from; i <= to; ++i) {
    PropertiesNode properties;
    properties.SetNumber("n", i);
    core.Track("ev", properties);
  }
}

// The "n" property of each record, in order.
std::vector<int> Numbers(const std::vector<std::string>& records) {
  std::vector<int> numbers;
  for (const std::string& record : records) {
    JsonDoc doc;
    JsonDoc properties;
    int n = -1;
    if (doc.Parse(record) && doc.GetObject("properties", properties)) properties.GetInt("n", n);
    numbers.push_back(n);
  }
  return numbers;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> out;
  for (int i = from; i <= to; ++i) out.push_back(i);
  return out;
}

std::vector<std::string> StagedLines(const TempDir& dir) {
  return orb_analytics::ParseStagingText(TempDir::read(dir.path() / "orb_analytics"));
}

TEST(AnalyticsCore, OfflineRunKeepsTheNewestHundredForTheNextRun) {
  TempDir dir;
  {
    AnalyticsCore first;
    ASSERT_TRUE(first.Init(StagingPath(dir), kRefused, "SIGN"));
    TrackNumbered(first, 1, 120);
    DiagnosticCapture capture;
    EXPECT_FALSE(first.Flush());
    ASSERT_EQ(capture.Messages().size(), 1u);
    EXPECT_EQ(capture.Messages()[0].rfind("OrbAnalytics SDK send failed: ", 0), 0u) << capture.Messages()[0];
    // The failed batch went back in front, in order.
    EXPECT_EQ(Numbers(first.BufferedRecords()), Range(21, 120));
    first.Shutdown();
  }
  EXPECT_EQ(Numbers(StagedLines(dir)), Range(21, 120));

  AnalyticsCore second;
  ASSERT_TRUE(second.Init(StagingPath(dir), kRefused, "SIGN"));
  TrackNumbered(second, 121, 121);
  second.LoadStagedIfPending();
  // Room for 99 of the staged records, the newest; they are older than this run's.
  std::vector<int> expected = Range(22, 120);
  expected.push_back(121);
  EXPECT_EQ(Numbers(second.BufferedRecords()), expected);
  EXPECT_TRUE(StagedLines(dir).empty());  // read once, then emptied
}

TEST(AnalyticsCore, DamagedStagingLinesAreSkipped) {
  TempDir dir;
  dir.write("orb_analytics", "{\"properties\":{\"n\":1}}\nnot a record\n{\"properties\":{\"n\":2}\n"
                             "{\"properties\":{\"n\":3}}\r\n{broken}\n");
  AnalyticsCore core;
  ASSERT_TRUE(core.Init(StagingPath(dir), kRefused, "SIGN"));
  core.LoadStagedIfPending();
  EXPECT_EQ(Numbers(core.BufferedRecords()), (std::vector<int>{1, 3}));
}

// A run that never sends anything must not wipe what the previous run staged.
TEST(AnalyticsCore, ShutdownBeforeAnyFlushKeepsEarlierRecords) {
  TempDir dir;
  {
    AnalyticsCore first;
    ASSERT_TRUE(first.Init(StagingPath(dir), kRefused, "SIGN"));
    TrackNumbered(first, 1, 5);
    first.Shutdown();
  }
  AnalyticsCore second;
  ASSERT_TRUE(second.Init(StagingPath(dir), kRefused, "SIGN"));
  TrackNumbered(second, 6, 7);
  second.Shutdown();
  EXPECT_EQ(Numbers(StagedLines(dir)), Range(1, 7));
}

TEST(AnalyticsCore, NothingIsRecordedWithoutInit) {
  TempDir dir;
  DiagnosticCapture capture;
  AnalyticsCore core;
  TrackNumbered(core, 1, 3);
  EXPECT_FALSE(core.Init(StagingPath(dir), kRefused, ""));
  TrackNumbered(core, 4, 4);
  EXPECT_TRUE(core.BufferedRecords().empty());
  EXPECT_EQ(capture.Messages(), std::vector<std::string>{"The Distinct ID is empty."});

  // The first successful Init fixes the distinct id.
  ASSERT_TRUE(core.Init(StagingPath(dir), kRefused, "FIRST"));
  ASSERT_TRUE(core.Init(StagingPath(dir), kRefused, "SECOND"));
  TrackNumbered(core, 5, 5);
  JsonDoc record;
  std::string id;
  ASSERT_TRUE(record.Parse(core.BufferedRecords().at(0)));
  ASSERT_TRUE(record.GetString("distinct_id", id));
  EXPECT_EQ(id, "FIRST");
}

orb_analytics::HostFacts TestHost() {
  orb_analytics::HostFacts host;
  host.os_version = "10.0";
  host.os_bits = 64;
  host.os_language = "en";
  host.time_zone = 8;
  host.program_version = "1.2.3.4";
  host.program_file_name = "setup.exe";
  return host;
}

orb_analytics::ProductFacts TestProduct() {
  orb_analytics::ProductFacts product;
  product.client_sign = "SIGN";
  product.product_id = 1901;
  return product;
}

// With the network down the exit must neither hang nor leave the worker behind, and the
// events end up in the staging file.
TEST(AnalyticsClient, ExitWithTheNetworkDownStagesTheEvents) {
  TempDir dir;
  DiagnosticCapture quiet;
  AnalyticsClientSettings settings;
  settings.collectors = {"http://127.0.0.1:1", "http://127.0.0.1:1"};
  settings.staging_folder = Folder(dir);
  {
    AnalyticsClient client(settings);
    ASSERT_TRUE(client.Setup("UA_Orb_Web", "UA-Orb-Web", TestHost(), TestProduct()));
    for (int i = 0; i < 3; ++i) client.PopEvent("p" + std::to_string(i));
    EXPECT_TRUE(client.Stop());
  }
  EXPECT_EQ(StagedLines(dir).size(), 3u);
}

// A collector that takes the connection and never answers: only abandoning the send
// lets the worker end within the exit wait.
class HangingCollector : public ::testing::Test {
 protected:
  void SetUp() override {
    ORB_REQUIRE_TEST_SERVER(server_);
    tag_ = orbtest::UniqueTag();
    settings_.collectors = {server_.Url("/gen/1K/" + tag_)};
    settings_.staging_folder = Folder(dir_);
    settings_.core.send.timeout = std::chrono::minutes(5);
  }

  // The project name carries the server's fault keys into the query.
  std::string Project() const { return "UA_Orb_Web&latency_ms=300000"; }

  bool WaitForRequest() {
    for (int i = 0; i < 200; ++i) {
      if (!server_.Requests(tag_).empty()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  orbtest::TestServer server_;
  TempDir dir_;
  AnalyticsClientSettings settings_;
  std::string tag_;
  DiagnosticCapture quiet_;
};

TEST_F(HangingCollector, ExitAbandonsTheSendAndStagesTheEvents) {
  settings_.exit_wait = std::chrono::milliseconds(3000);
  settings_.abort_grace = std::chrono::milliseconds(2000);
  {
    AnalyticsClient client(settings_);
    ASSERT_TRUE(client.Setup(Project(), "UA-Orb-Web", TestHost(), TestProduct()));
    client.PopEvent("first");
    ASSERT_TRUE(WaitForRequest());
    client.PopEvent("second");
    EXPECT_TRUE(client.Stop());  // the worker ended, it was not left behind
  }
  EXPECT_EQ(StagedLines(dir_).size(), 2u);
  EXPECT_EQ(server_.Requests(tag_).size(), 1u);  // the second event was not sent any more
}

// No wait at all: the client is destroyed while its worker is still inside a send. The
// worker must find everything it touches still alive (the sanitizers watch this).
TEST_F(HangingCollector, DestroyingTheClientUnderARunningSendIsSafe) {
  settings_.exit_wait = std::chrono::milliseconds(0);
  settings_.abort_grace = std::chrono::milliseconds(0);
  std::weak_ptr<const void> lifetime;
  {
    AnalyticsClient client(settings_);
    lifetime = client.SharedLifetime();
    ASSERT_TRUE(client.Setup(Project(), "UA-Orb-Web", TestHost(), TestProduct()));
    client.PopEvent("first");
    ASSERT_TRUE(WaitForRequest());
    EXPECT_FALSE(client.Stop());
  }
  // The abandoned worker hangs up, puts its record back into the core it still owns and
  // ends, releasing that core last.
  for (int i = 0; i < 200 && !lifetime.expired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(lifetime.expired());
}

}  // namespace
