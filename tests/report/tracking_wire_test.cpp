// The tracking report and the track id against the cloud stand-in: what goes over the
// wire, byte for byte, and the file copy beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "common/json_doc.h"
#include "report/tracking_report.h"
#include "report/tracking_tid.h"
#include "tests/report/cloud_support.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr std::int64_t kNow = 1767225600;  // fixed, so the file names are known

ns_PLX::HttpSettings FastHttp() {
  ns_PLX::HttpSettings http;
  http.connect_timeout = std::chrono::milliseconds(2000);
  http.request_timeout = std::chrono::milliseconds(3000);
  return http;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TrackSendOptions Options(const orbtest::TempDir& dir) {
  TrackSendOptions options;
  options.http = FastHttp();
  options.folder = dir.path().wstring();
  options.folder += static_cast<wchar_t>(std::filesystem::path::preferred_separator);
  options.now = kNow;
  return options;
}

std::vector<std::filesystem::path> Files(const orbtest::TempDir& dir) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Member(const std::string& body, const char* key) {
  JsonDoc doc;
  std::string value;
  if (!doc.Parse(body) || !doc.GetString(key, value)) return "<missing>";
  return value;
}

TrackFacts Facts() {
  TrackFacts facts;
  facts.windows_version = "10.0.19045";
  facts.windows64 = true;
  facts.own_version = "3.0.5.1";
  facts.own_file_name = "KorvaneLumetraSetup.exe";
  return facts;
}

// A store as a run leaves it, posting to the stand-in with `sign` as its client sign.
void Prepare(CTrackingStore& store, const orbtest::Cloud& cloud, const std::string& sign) {
  store.SetServerBaseUrlUtf8(cloud.BaseUrl("main") + "/");
  store.SetPropertyUtf8("client_sign", sign);
  store.SetPropertyUtf8("product_id", "1901");
  store.SetPropertyUtf8("downstatus", "3");
  store.SetPropertyUtf8("installstatus", "3");
  store.SetEnabled(true);
}

TEST(TrackingWire, ReportIsPostedAndKeptOnce) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  orbtest::TempDir dir;
  CTrackingStore store(kNow - 60);
  Prepare(store, cloud, sign);
  // Values no caller should send, and the body must stay valid JSON all the same.
  store.SetPropertyUtf8("hostile", "q\"\\\n\x01\xff end");
  store.AddEvent("filemd5_1901", std::string_view("ab\"cd"), true);
  store.CountAddress(std::string_view("10.1.1.1"));
  store.CountUrl(std::string_view("http://a/p.exe"));

  const auto sent = SendTrack(store, Facts(), Options(dir));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].post_result, 0);

  const auto requests = cloud.Requests(sign);
  ASSERT_EQ(requests.size(), 1u);
  const orbtest::CloudRequest& request = requests[0];
  EXPECT_EQ(request.endpoint, "track");
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.version, "HTTP/1.0");
  EXPECT_EQ(request.target, "/rest/v2/downloader/track?client_sign=" + sign);
  EXPECT_EQ(request.HeaderLines(), std::vector<std::string>{"Content-Type: application/json"});
  EXPECT_TRUE(request.ok) << request.FailedChecks();
  EXPECT_EQ(request.body, sent[0].body);
  EXPECT_EQ(Member(request.body, "hostile"), "q\"\\\n\x01\xef\xbf\xbd end");
  EXPECT_EQ(Member(request.body, "downstate"), "1000");
  EXPECT_EQ(Member(request.body, "installstate"), "2000");
  EXPECT_EQ(Member(request.body, "cdniplist"), "10.1.1.1");
  EXPECT_EQ(Member(request.body, "cdnurllist"), "http://a/p.exe");
  EXPECT_EQ(Member(request.body, "remark1"), R"({"filemd5_1901":"ab\"cd"})");

  const auto files = Files(dir);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].filename().wstring(), L"ORB_1901_T" + Widen(LocalFileStamp(kNow)) + L".json");
  EXPECT_EQ(sent[0].file, files[0].wstring());
  EXPECT_EQ(orbtest::TempDir::read(files[0]), request.body);

  // A second sending in the same second posts again but leaves the first copy alone.
  store.SetPropertyUtf8("closetype", "5");
  const auto again = SendTrack(store, Facts(), Options(dir));
  ASSERT_EQ(again.size(), 1u);
  EXPECT_TRUE(again[0].file.empty());
  EXPECT_EQ(cloud.Requests(sign).size(), 2u);
  EXPECT_EQ(Files(dir).size(), 1u);
  EXPECT_EQ(orbtest::TempDir::read(files[0]), request.body);
}

TEST(TrackingWire, NothingGoesOutBeforeTheRunJoinedOrWithoutSign) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string tag = orbtest::UniqueTag();
  orbtest::TempDir dir;

  CTrackingStore not_enabled(kNow);
  Prepare(not_enabled, cloud, tag);
  not_enabled.SetEnabled(false);
  EXPECT_TRUE(SendTrack(not_enabled, Facts(), Options(dir)).empty());

  CTrackingStore no_sign(kNow);
  Prepare(no_sign, cloud, "");
  no_sign.SetPropertyUtf8("marker", tag);
  EXPECT_TRUE(SendTrack(no_sign, Facts(), Options(dir)).empty());

  EXPECT_TRUE(cloud.Requests(tag).empty());
  EXPECT_TRUE(Files(dir).empty());
}

TEST(TrackingWire, PerDependentModeSendsOneReportPerRecord) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  orbtest::TempDir dir;
  CTrackingStore store(kNow);
  Prepare(store, cloud, sign);
  store.SetPerDependentMode(true);
  store.SetDependentForceInstall(31, true);
  store.SetDependentDigest(31, std::wstring_view(L"aaa,bbb"));
  store.SetDependentDownloadError(31, 7);
  store.SetDependentForceInstall(4, false);
  store.SetDependentInstallError(4, 5);

  const auto sent = SendTrack(store, Facts(), Options(dir));
  ASSERT_EQ(sent.size(), 2u);
  const auto requests = cloud.Requests(sign);
  ASSERT_EQ(requests.size(), 2u);
  struct Expect {
    const char* product_id;
    const char* digest;
    const char* downstate;
    const char* installstate;
  };
  const Expect expected[] = {{"4", "", "1000", "2002"}, {"31", "aaa,bbb", "1007", "2000"}};
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& body = requests[i].body;
    const Expect& e = expected[i];
    EXPECT_TRUE(requests[i].ok) << requests[i].FailedChecks();
    EXPECT_EQ(body, sent[i].body);
    EXPECT_EQ(Member(body, "product_id"), e.product_id);
    EXPECT_EQ(Member(body, "orbnamepid"), e.product_id);
    EXPECT_EQ(Member(body, "startupproduct"), e.product_id);
    EXPECT_EQ(Member(body, "serverxmlmd5"), e.digest);
    EXPECT_EQ(Member(body, "downstate"), e.downstate);
    EXPECT_EQ(Member(body, "installstate"), e.installstate);
    EXPECT_EQ(Member(body, "bindtasks"), "");  // the lists carry no records in this mode
    EXPECT_EQ(Member(body, "binddownfail"), "-");
  }
  const auto files = Files(dir);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].filename().wstring().rfind(L"ORB_31_T", 0), 0u);
  EXPECT_EQ(files[1].filename().wstring().rfind(L"ORB_4_T", 0), 0u);
}

TEST(TrackingWire, UnansweredPostStillLeavesTheCopy) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  orbtest::ScopedCloudRule drop(cloud, orbtest::CloudRule().Match(sign).Drop());
  ASSERT_TRUE(drop.ok());
  orbtest::TempDir dir;
  CTrackingStore store(kNow);
  Prepare(store, cloud, sign);
  const auto sent = SendTrack(store, Facts(), Options(dir));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].post_result, 0);
  ASSERT_EQ(Files(dir).size(), 1u);
  EXPECT_EQ(orbtest::TempDir::read(Files(dir)[0]), sent[0].body);
}

TEST(TrackingWire, TrackIdFromThePlatform) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::wstring server = Widen(cloud.BaseUrl("main"));
  // A product number of its own keeps this test's lines apart.
  const std::string pid = std::to_string(
      std::chrono::system_clock::now().time_since_epoch().count() % 1000000000 + 1000000000);
  const std::wstring wide_pid = Widen(pid);

  CTrackingStore store(kNow);
  const std::string id = GetTid(store, wide_pid, server, FastHttp());
  EXPECT_EQ(id.rfind("tid" + pid, 0), 0u) << id;
  EXPECT_EQ(store.TrackId(), id);
  const auto requests = cloud.Requests("pid=" + pid + "&");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/api/v1/prodweb/trk?pid=" + pid + "&os=Windows");
  EXPECT_EQ(requests[0].version, "HTTP/1.0");
  EXPECT_TRUE(requests[0].HeaderLines().empty());
  EXPECT_TRUE(requests[0].ok) << requests[0].FailedChecks();

  orbtest::ScopedCloudRule refuse(
      cloud, orbtest::CloudRule().Match("pid=" + pid + "&").Reply(R"({"code":3,"data":"no"})"));
  ASSERT_TRUE(refuse.ok());
  EXPECT_EQ(GetTid(store, wide_pid, server, FastHttp()), "");
  EXPECT_EQ(store.TrackId(), "");
}

}  // namespace
