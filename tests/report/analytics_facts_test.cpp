// The rules behind the system facts, the event texts, and what each facade event records.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/json_doc.h"
#include "report/analytics_buffer.h"
#include "report/analytics_client.h"
#include "report/analytics_facts.h"
#include "report/analytics_texts.h"
#include "tests/report/analytics_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(AnalyticsFacts, Rules) {
  EXPECT_EQ(orb_analytics::OsVersionText(10, 0), "10.0");
  EXPECT_EQ(orb_analytics::OsVersionText(6, 1), "6.1");

  EXPECT_EQ(orb_analytics::LanguageFromPreferred(std::u16string(u"de-DE\0en-US\0\0", 14)), "de");
  EXPECT_EQ(orb_analytics::LanguageFromPreferred(u"en"), "en");
  EXPECT_EQ(orb_analytics::LanguageFromPreferred(u""), "");

  // Bias is minutes west of UTC; the zone is hours east, truncated toward zero.
  const std::vector<std::pair<long, int>> zones = {{-480, 8}, {300, -5}, {0, 0}, {-330, 5}, {210, -3}, {-45, 0}};
  for (const auto& [bias, zone] : zones) EXPECT_EQ(orb_analytics::ZoneFromBias(bias), zone) << bias;

  EXPECT_EQ(orb_analytics::ProgramVersionOrDefault(""), "3.0.5");
  EXPECT_EQ(orb_analytics::ProgramVersionOrDefault("1.2.3.4"), "1.2.3.4");
}

TEST(AnalyticsTexts, ErrorMessages) {
  const std::vector<std::pair<long long, std::string>> downloads = {
      {0, ""}, {1, "Already downloaded"}, {7, "Buffer error"}, {15, "Unknown error"},
      {21, "Thread creation error"}, {22, "Unknown error"}, {-1, "Unknown error"}};
  for (const auto& [code, text] : downloads) EXPECT_EQ(orb_analytics::DownloadResultText(code), text) << code;

  EXPECT_EQ(orb_analytics::ConfigErrorText(0), "");
  EXPECT_EQ(orb_analytics::ConfigErrorText(7), "Couldn't connect to server");
  EXPECT_EQ(orb_analytics::ConfigErrorText(28), "Timeout was reached");
  EXPECT_EQ(orb_analytics::ConfigErrorText(93), "Unknown error");
  EXPECT_EQ(orb_analytics::ConfigErrorText(-1), "Unknown error");
}

// Each facade operation's event name and properties, with their types, as the records
// that an offline run stages.
TEST(AnalyticsClient, EventsCarryTheirProperties) {
  orbtest::TempDir dir;
  orbtest::DiagnosticCapture quiet;
  orb_analytics::AnalyticsClientSettings settings;
  settings.collectors = {"http://127.0.0.1:1"};
  settings.staging_folder = dir.path().wstring() + std::wstring(1, std::filesystem::path::preferred_separator);
  {
    orb_analytics::AnalyticsClient client(settings);
    orb_analytics::ProductFacts product;
    product.client_sign = "SIGN";
    ASSERT_TRUE(client.Setup("UA_Orb_Web", "UA-Orb-Web", orb_analytics::HostFacts{}, product));
    client.PopEvent("downloading");
    client.ClickEvent("main", "");
    client.CoverClickEvent("1.0", "ok");
    client.NamedEvent("downloader_web", "page", "thank_you_page");
    orb_analytics::ConfigRecord config;
    config.name = "n";
    config.pkg_size = 5000000000;
    config.error_code = 6;
    client.ConfigEvent(config);
    client.DnsEvent("dl.example", "1.2.3.4");
    orb_analytics::DownloadRecord download;
    download.type = "product";
    download.state = "finish";
    download.times = 2;
    download.error_msg = "Connection failed";
    client.DownloadStatsEvent(download);
    client.InstallEvent("product", "begin", 1, 10, 20, 2, true);
    client.CrashEvent("0x00401000", "16", "C:\\a.exe", ".text", -1073741819);
    client.StartProductEvent(42);
    client.RedeemFailedEvent("free_membership_benefits", 366001);
    EXPECT_TRUE(client.Stop());
  }
  const std::vector<std::string> records =
      orb_analytics::ParseStagingText(orbtest::TempDir::read(dir.path() / "orb_analytics"));
  struct Expected {
    const char* event;
    std::vector<std::string> members;  // each must occur in the record's properties
  };
  const std::vector<Expected> expected = {
      {"downloader_pop", {"\"pop_name\":\"downloading\""}},
      {"downloader_click", {"\"pop_name\":\"main\""}},
      {"downloader_click", {"\"button\":\"ok\"", "\"cover_version\":\"1.0\"", "\"pop_name\":\"downloader_cover\""}},
      {"downloader_web", {"\"page\":\"thank_you_page\""}},
      {"downloader_config", {"\"error_code\":6", "\"error_msg\":\"Couldn't resolve host name\"",
                             "\"pkg_size\":5000000000", "\"name\":\"n\"", "\"arm64_pkg_md5\":\"\""}},
      {"downloader_dns", {"\"domain\":\"dl.example\"", "\"ip\":\"1.2.3.4\""}},
      {"downloader_download", {"\"type\":\"product\"", "\"state\":\"finish\"", "\"times\":2",
                               "\"error_msg\":\"Connection failed\"", "\"thread\":0", "\"buffer\":0",
                               "\"resumedown\":0"}},
      {"downloader_install", {"\"duration\":20", "\"error_code\":2", "\"error_msg\":\"The user clicked Cancel",
                              "\"is_first_install\":1", "\"times\":1", "\"speed\":10", "\"state\":\"begin\""}},
      {"downloader_crash", {"\"crashaddr\":\"0x00401000\"", "\"crashfilename\":\"C:\\\\a.exe\"",
                            "\"crashoffset\":\"16\"", "\"crashsection\":\".text\"",
                            "\"error_code\":-1073741819", "\"error_msg\":\"\""}},
      {"start_product", {"\"error_code\":42", "\"error_msg\":\"\""}},
      {"redeem_failed", {"\"error\":366001", "\"page\":\"free_membership_benefits\""}},
  };
  ASSERT_EQ(records.size(), expected.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(records[i]);
    EXPECT_NE(records[i].find(std::string("\"event\":\"") + expected[i].event + "\""), std::string::npos);
    for (const std::string& member : expected[i].members) EXPECT_NE(records[i].find(member), std::string::npos) << member;
  }
  EXPECT_EQ(records[1].find("\"button\""), std::string::npos);  // an empty button is left out
}

}  // namespace
