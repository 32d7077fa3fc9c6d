// The analytics client against the collector of the cloud stand-in, which decodes every
// batch (percent, base64, gzip, strict JSON) and journals its records.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/json_doc.h"
#include "report/analytics_client.h"
#include "report/analytics_core.h"
#include "report/analytics_encoding.h"
#include "tests/report/analytics_test_support.h"
#include "tests/report/cloud_support.h"
#include "tests/support/temp_dir.h"

namespace {

using orb_analytics::AnalyticsClient;
using orb_analytics::AnalyticsClientSettings;
using orb_analytics::AnalyticsCore;
using orb_analytics::PropertiesNode;
using orbtest::Cloud;
using orbtest::CloudRequest;
using orbtest::CloudRule;
using orbtest::DiagnosticCapture;
using orbtest::ScopedCloudRule;
using orbtest::TempDir;

std::string Member(const std::string& record, const char* object, const char* key) {
  JsonDoc doc;
  JsonDoc inner;
  std::string text;
  int number = 0;
  if (!doc.Parse(record)) return "<not json>";
  const JsonDoc* from = &doc;
  if (object != nullptr) {
    if (!doc.GetObject(object, inner)) return "<no " + std::string(object) + ">";
    from = &inner;
  }
  if (from->GetString(key, text)) return text;
  if (from->GetInt(key, number)) return std::to_string(number);
  return "<absent>";
}

std::vector<std::string> AllRecords(const std::vector<CloudRequest>& requests) {
  std::vector<std::string> records;
  for (const CloudRequest& request : requests) {
    if (request.status == 200) records.insert(records.end(), request.records.begin(), request.records.end());
  }
  return records;
}

class AnalyticsWire : public ::testing::Test {
 protected:
  void SetUp() override {
    ORB_REQUIRE_CLOUD(cloud_);
    sign_ = orbtest::UniqueTag();
  }

  // The batch is compressed, so rules match on a tag in the query.
  std::vector<std::string> Urls(std::initializer_list<const char*> hosts) const {
    std::vector<std::string> urls;
    for (const char* host : hosts) urls.push_back(cloud_.BaseUrl(host) + "/sa?project=UA_Orb_Web&tag=" + sign_);
    return urls;
  }

  std::wstring StagingPath() const { return (dir_.path() / "orb_analytics").wstring(); }

  // The analytics requests that carry this test's distinct id, once `records` records
  // have arrived with status 200 (or after ten seconds).
  std::vector<CloudRequest> WaitForRecords(std::size_t records) const {
    std::vector<CloudRequest> requests;
    for (int i = 0; i < 200; ++i) {
      requests = cloud_.Requests(sign_);
      if (AllRecords(requests).size() >= records) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return requests;
  }

  void TrackNumbered(AnalyticsCore& core, int from, int to) const {
    for (int i = from; i <= to; ++i) {
      PropertiesNode properties;
      properties.SetNumber("n", i);
      core.Track("ev", properties);
    }
  }

  Cloud cloud_;
  TempDir dir_;
  std::string sign_;
};

TEST_F(AnalyticsWire, RecordsGoInBatchesOfThirtyThatTheCollectorDecodes) {
  AnalyticsCore core;
  ASSERT_TRUE(core.Init(StagingPath(), Urls({"main"}), sign_));
  TrackNumbered(core, 1, 45);
  const std::vector<std::string> buffered = core.BufferedRecords();
  EXPECT_TRUE(core.Flush());
  EXPECT_TRUE(core.Flush());
  EXPECT_TRUE(core.BufferEmpty());
  EXPECT_TRUE(core.Flush());  // nothing left: no request

  const std::vector<CloudRequest> requests = cloud_.Requests(sign_);
  ASSERT_EQ(requests.size(), 2u);
  const std::vector<std::string> first(buffered.begin(), buffered.begin() + 30);
  const std::vector<std::string> second(buffered.begin() + 30, buffered.end());
  EXPECT_EQ(requests[0].batch, orb_analytics::BatchText(first));
  EXPECT_EQ(requests[1].batch, orb_analytics::BatchText(second));
  for (const CloudRequest& request : requests) {
    EXPECT_TRUE(request.ok) << request.FailedChecks();
    EXPECT_EQ(request.status, 200);
    EXPECT_EQ(request.Header("User-Agent"), "OrbAnalytics CPP SDK 0.8");
    EXPECT_EQ(request.Query("project"), "UA_Orb_Web");
  }
  ASSERT_EQ(requests[0].records.size(), 30u);
  EXPECT_EQ(Member(requests[0].records[0], "properties", "n"), "1");
  EXPECT_EQ(Member(requests[1].records.back(), "properties", "n"), "45");
}

// Values that need escaping, keys no event could carry, text in several scripts: the
// collector's strict decoder must accept every batch.
TEST_F(AnalyticsWire, HostileValuesStayValidJsonOnTheWire) {
  DiagnosticCapture quiet;
  AnalyticsCore core;
  const std::string id = sign_ + "\"\\\x01";
  ASSERT_TRUE(core.Init(StagingPath(), Urls({"main"}), id));
  PropertiesNode super;
  super.SetString("key \"with\" quotes\\", "v");
  super.SetString("ctl\t\n", "tab\there \"quoted\" back\\slash \xE2\x82\xAC \xF0\x9F\x98\x80 \r\n");
  super.SetString("bad", "\xFF");  // refused: not valid text
  core.RegisterSuperProperties(super);
  PropertiesNode properties;
  properties.SetString("text", "}]\",{\"");
  properties.SetList("list", {"\"", "\\", "\xC3\xA9"});
  core.Track("ev", properties);
  ASSERT_TRUE(core.Flush());

  const std::vector<CloudRequest> requests = cloud_.Requests(sign_);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].ok) << requests[0].FailedChecks();
  ASSERT_EQ(requests[0].records.size(), 1u);
  EXPECT_EQ(Member(requests[0].records[0], nullptr, "distinct_id"), id);
  EXPECT_EQ(Member(requests[0].records[0], "properties", "text"), "}]\",{\"");
  EXPECT_EQ(Member(requests[0].records[0], "properties", "bad"), "<absent>");
}

// The collectors are tried in order until one answers 200; only the HTTP status counts.
TEST_F(AnalyticsWire, SecondCollectorOnlyWhenTheFirstFails) {
  struct Case {
    const char* what;
    CloudRule rule;
    int main_status;
    bool fallback_asked;
  };
  const std::vector<Case> cases = {
      {"main answers 503", CloudRule().Status(503), 503, true},
      {"main drops the connection", CloudRule().Drop(), 0, true},
      {"main answers 200 with an error code", CloudRule().Code(500), 200, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sign_ = orbtest::UniqueTag();
    ScopedCloudRule rule(cloud_, CloudRule(c.rule).Host("main").Match(sign_));
    ASSERT_TRUE(rule.ok());
    AnalyticsCore core;
    ASSERT_TRUE(core.Init(StagingPath(), Urls({"main", "fallback"}), sign_));
    TrackNumbered(core, 1, 3);
    EXPECT_TRUE(core.Flush());
    EXPECT_TRUE(core.BufferEmpty());

    const std::vector<CloudRequest> requests = cloud_.Requests(sign_);
    ASSERT_EQ(requests.size(), c.fallback_asked ? 2u : 1u);
    EXPECT_EQ(requests[0].host, "main");
    EXPECT_EQ(requests[0].status, c.main_status);
    if (c.fallback_asked) {
      EXPECT_EQ(requests[1].host, "fallback");
      EXPECT_EQ(requests[1].status, 200);
      EXPECT_EQ(requests[1].body, requests[0].body);
      EXPECT_EQ(requests[1].records.size(), 3u);
    }
  }
}

TEST_F(AnalyticsWire, BothCollectorsFailingKeepsTheBatch) {
  ScopedCloudRule rule(cloud_, CloudRule().Match(sign_).Status(500).Body("busy"));
  ASSERT_TRUE(rule.ok());
  DiagnosticCapture capture;
  AnalyticsCore core;
  ASSERT_TRUE(core.Init(StagingPath(), Urls({"main", "fallback"}), sign_));
  TrackNumbered(core, 1, 3);
  const std::vector<std::string> before = core.BufferedRecords();
  EXPECT_FALSE(core.Flush());
  EXPECT_EQ(core.BufferedRecords(), before);
  EXPECT_EQ(cloud_.Requests(sign_).size(), 2u);
  EXPECT_EQ(capture.Messages(), std::vector<std::string>{"OrbAnalytics SDK send failed: busy"});
}

orb_analytics::HostFacts Host() {
  orb_analytics::HostFacts host;
  host.os_version = "10.0";
  host.os_bits = 64;
  host.os_language = "en";
  host.time_zone = -5;
  host.program_version = "1.2.3.4";
  host.program_file_name = "setup.exe";
  return host;
}

orb_analytics::ProductFacts Product(const std::string& sign) {
  orb_analytics::ProductFacts product;
  product.client_sign = sign;
  product.scene_code = "sc";
  product.product_id = 1901;
  product.version = "7.1";
  product.language = "DEU";
  product.name = "Lumetra";
  return product;
}

TEST_F(AnalyticsWire, EventsQueuedBeforeSetupAreSentInOrderAfterIt) {
  AnalyticsClientSettings settings;
  settings.collectors = {cloud_.BaseUrl("main"), cloud_.BaseUrl("fallback")};
  settings.staging_folder = dir_.path().wstring() + std::wstring(1, std::filesystem::path::preferred_separator);
  AnalyticsClient client(settings);
  client.PopEvent("install_init");
  client.ClickEvent("main", "install");
  client.NamedEvent("downloader_startup", "", "");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(cloud_.Requests(sign_).empty());  // nothing goes out before the set-up

  ASSERT_TRUE(client.Setup("UA_Orb_Web", "UA-Orb-Web", Host(), Product(sign_)));
  client.StartProductEvent(2);
  const std::vector<std::string> records = AllRecords(WaitForRecords(4));
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(Member(records[0], "properties", "pop_name"), "install_init");
  EXPECT_EQ(Member(records[1], "properties", "button"), "install");
  EXPECT_EQ(Member(records[2], nullptr, "event"), "downloader_startup");
  EXPECT_EQ(Member(records[3], "properties", "error_msg"), "The specified file was not found.");
  for (const auto& [key, value] : std::vector<std::pair<const char*, std::string>>{
           {"tid", "UA-Orb-Web"}, {"ostype", "windows"}, {"os_version", "10.0"}, {"osbit", "64"},
           {"oslang", "en"}, {"oszone", "-5"}, {"downloader_ver", "1.2.3.4"}, {"exe_name", "setup.exe"},
           {"pid", "1901"}, {"plang", "DEU"}, {"$lib", "cpp"}, {"$lib_version", "0.8"}}) {
    EXPECT_EQ(Member(records[0], "properties", key), value) << key;
  }
  EXPECT_TRUE(client.Stop());
}

// One run cannot reach the collector; the next run sends what it staged, oldest first,
// one batch of at most thirty per event.
TEST_F(AnalyticsWire, StagedRecordsAreSentByTheNextRun) {
  AnalyticsClientSettings settings;
  settings.staging_folder = dir_.path().wstring() + std::wstring(1, std::filesystem::path::preferred_separator);
  {
    DiagnosticCapture quiet;
    AnalyticsClientSettings offline = settings;
    offline.collectors = {"http://127.0.0.1:1"};
    AnalyticsClient client(offline);
    ASSERT_TRUE(client.Setup("UA_Orb_Web", "UA-Orb-Web", Host(), Product(sign_)));
    for (int i = 1; i <= 35; ++i) client.NamedEvent("staged", "n", std::to_string(i));
    EXPECT_TRUE(client.Stop());
  }
  settings.collectors = {cloud_.BaseUrl("main")};
  AnalyticsClient client(settings);
  ASSERT_TRUE(client.Setup("UA_Orb_Web", "UA-Orb-Web", Host(), Product(sign_)));
  client.PopEvent("first");
  client.PopEvent("second");
  const std::vector<CloudRequest> requests = WaitForRecords(37);
  const std::vector<std::string> records = AllRecords(requests);
  ASSERT_EQ(records.size(), 37u);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].records.size(), 30u);
  for (int i = 0; i < 35; ++i) EXPECT_EQ(Member(records[i], "properties", "n"), std::to_string(i + 1));
  EXPECT_EQ(Member(records[35], "properties", "pop_name"), "first");
  EXPECT_EQ(Member(records[36], "properties", "pop_name"), "second");
  EXPECT_TRUE(client.Stop());
}

}  // namespace
