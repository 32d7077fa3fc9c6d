// The automatic error report against the cloud stand-in: which files go up, how, and the
// report that names them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "report/error_report.h"
#include "tests/report/cloud_support.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Wide text of a path on every system (path::wstring() on POSIX needs a UTF-8 locale).
std::wstring Wide(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return Utf8ToWide(std::string(utf8.begin(), utf8.end()));
}

class Facts final : public IReportFacts {
 public:
  explicit Facts(fs::path own_log) : own_log_(std::move(own_log)) {}
  std::string OwnFileVersion() const override { return "3.0.5.7"; }
  std::wstring OwnLogFile() const override { return Wide(own_log_); }

 private:
  fs::path own_log_;
};

ServiceEndpoints Local(const orbtest::Cloud& cloud) {
  ServiceEndpoints e;
  e.api_base = cloud.BaseUrl("main");
  e.fallback_base = cloud.BaseUrl("fallback");
  return e;
}

void Write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::vector<orbtest::CloudRequest> Of(const std::vector<orbtest::CloudRequest>& all,
                                      std::string_view endpoint) {
  std::vector<orbtest::CloudRequest> out;
  for (const auto& r : all) {
    if (r.endpoint == endpoint) out.push_back(r);
  }
  return out;
}

// The "data" member of a reply text, as printed by the stand-in.
std::string DataOf(const std::string& reply) {
  const auto start = reply.find("\"data\":");
  return start == std::string::npos ? std::string() : reply.substr(start + 7, reply.size() - start - 8);
}

class ErrorReport : public ::testing::Test {
 protected:
  orbtest::Cloud cloud;
  orbtest::TempDir dir;
  const std::string sn = orbtest::UniqueTag();
};

TEST_F(ErrorReport, UploadsEveryLogThatExistsThenReportsThem) {
  ORB_REQUIRE_CLOUD(cloud);
  const fs::path own = dir.path() / "Korvane" / "ORB" / "kvORB.log";
  const fs::path installer = dir.path() / "inst" / "setup.log";
  Write(own, "own log " + sn + "\n");
  Write(installer, "installer\n");
  Write(dir.path() / "inst" / "setup.SubPack1.log", "sub 1\n");
  Write(dir.path() / "inst" / "setup.SubPack3.log", std::string("sub 3 \0\xff", 8));  // binary
  const Facts facts(own);
  const ServiceApi api(Local(cloud));
  const std::string remark = InstallErrorRemark("10023", 1603);
  ASSERT_TRUE(SendErrorReport(api, facts, sn, "10023", "5.2.1.8", remark, Wide(installer)));

  const auto trail = cloud.Trail(sn);
  const auto uploads = Of(trail, "upload_log");
  ASSERT_EQ(uploads.size(), 4u);
  const char* names[] = {"kvORB.log", "setup.log", "setup.SubPack1.log", "setup.SubPack3.log"};
  const fs::path files[] = {own, installer, dir.path() / "inst" / "setup.SubPack1.log",
                            dir.path() / "inst" / "setup.SubPack3.log"};
  for (std::size_t i = 0; i < uploads.size(); ++i) {
    const auto& u = uploads[i];
    EXPECT_TRUE(u.ok) << u.FailedChecks();
    ASSERT_EQ(u.form.size(), 1u);
    EXPECT_EQ(u.form[0].name, "file");
    EXPECT_EQ(u.form[0].filename, names[i]);
    EXPECT_EQ(orbtest::TempDir::read(u.stored), orbtest::TempDir::read(files[i]));
    // The transfer library sends the form's Content-Type, with its boundary, last.
    const std::vector<std::string> want = {
        "Authorization: Bearer " + trail[0].issued_token,
        "X-App-Key: a3f0c9e1b7d24f86e0c5a9b1.kite", "X-Client-Type: 1", "X-Lang: en-us",
        "X-Client-Sn: " + sn, "X-Prod-Id: 14424", "X-Prod-Ver: 3.0.5.7",
        "Content-Type: " + u.Header("Content-Type")};
    EXPECT_EQ(u.HeaderLines(), want);
    EXPECT_EQ(u.Header("Content-Type").rfind("multipart/form-data; boundary=", 0), 0u);
  }

  const auto whitelist = Of(trail, "whitelist");
  ASSERT_EQ(whitelist.size(), 1u);
  EXPECT_EQ(whitelist[0].body, "{\"client_sign\":\"" + sn + "\",\"pid\":14424,\"version\":\"3.0.5.7\"}");
  const auto reports = Of(trail, "log_report");
  ASSERT_EQ(reports.size(), 1u);
  std::string files_json;
  for (const auto& u : uploads) files_json += (files_json.empty() ? "" : ",") + DataOf(u.reply);
  EXPECT_EQ(reports[0].body, "{\"client_sign\":\"" + sn +
                                 "\",\"pid\":14424,\"version\":\"3.0.5.7\",\"type\":2,"
                                 "\"remark\":\"pid=10023, install err=1603\",\"files\":[" +
                                 files_json + "]}");
  EXPECT_EQ(reports[0].HeaderLines(),
            (std::vector<std::string>{"Authorization: Bearer " + trail[0].issued_token,
                                      "Content-Type: application/json"}));
  EXPECT_TRUE(reports[0].ok) << reports[0].FailedChecks();
  // Order of the conversation: token, uploads, whitelist, report; all on the main host.
  std::vector<std::string> order;
  for (const auto& r : trail) order.push_back(r.endpoint + "@" + r.host);
  EXPECT_EQ(order, (std::vector<std::string>{"token@main", "upload_log@main", "upload_log@main",
                                             "upload_log@main", "upload_log@main",
                                             "whitelist@main", "log_report@main"}));
}

// A temporary folder outside the ANSI code page: the own log must still go up.
TEST_F(ErrorReport, UploadsFromAFolderWithANonAsciiName) {
  ORB_REQUIRE_CLOUD(cloud);
  const fs::path folder = dir.path() / fs::path(u8"Журнал 日本 é");
  const fs::path own = folder / "Korvane" / "ORB" / "kvORB.log";
  Write(own, "own log\n");
  const Facts facts(own);
  ASSERT_TRUE(SendErrorReport(ServiceApi(Local(cloud)), facts, sn, "", "",
                              DownloadErrorRemark("10023", 7), L""));
  const auto uploads = Of(cloud.Trail(sn), "upload_log");
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(orbtest::TempDir::read(uploads[0].stored), "own log\n");
  const auto reports = Of(cloud.Trail(sn), "log_report");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].body.find("\"remark\":\"pid=10023, download err=7\""), std::string::npos);
}

TEST_F(ErrorReport, AFailedUploadOnlyDropsThatFile) {
  ORB_REQUIRE_CLOUD(cloud);
  const fs::path own = dir.path() / "kvORB.log";
  const fs::path installer = dir.path() / ("inst-" + sn + ".log");
  Write(own, "own\n");
  Write(installer, "installer\n");
  // Both hosts refuse the installer's log (its name is in the upload's body).
  orbtest::ScopedCloudRule refuse(
      cloud, orbtest::CloudRule().Path("/v1/product/downloader/upload-log-file")
                 .Match("inst-" + sn + ".log").Code(500));
  const Facts facts(own);
  const ServiceApi api(Local(cloud));
  CLogReporter reporter(sn, facts, api);  // no remark
  ASSERT_TRUE(reporter.SendLogs(Wide(installer)));
  const auto trail = cloud.Trail(sn);
  const auto uploads = Of(trail, "upload_log");
  ASSERT_EQ(uploads.size(), 3u);  // own; installer on main, then on the fallback
  EXPECT_EQ(uploads[2].host, "fallback");
  const auto reports = Of(trail, "log_report");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].body, "{\"client_sign\":\"" + sn +
                                 "\",\"pid\":14424,\"version\":\"3.0.5.7\",\"type\":2,"
                                 "\"files\":[" + DataOf(uploads[0].reply) + "]}");
}

TEST_F(ErrorReport, NothingIsReportedWithoutTokenOrWithoutAnUpload) {
  ORB_REQUIRE_CLOUD(cloud);
  auto& log = orbtest::TestLog::Get();
  const fs::path own = dir.path() / "kvORB.log";
  Write(own, "own\n");
  const Facts facts(own);
  {
    orbtest::ScopedCloudRule no_token(cloud, orbtest::CloudRule().Path("/v3/user/client/token")
                                                 .Match(sn).Code(40102));
    const std::size_t before = log.Lines("[ERROR] send file failed! not init.").size();
    EXPECT_FALSE(SendErrorReport(ServiceApi(Local(cloud)), facts, sn, "", "", "r", L""));
    EXPECT_EQ(log.Lines("[ERROR] send file failed! not init.").size(), before + 1);
    const auto trail = cloud.Trail(sn);
    ASSERT_EQ(trail.size(), 2u);
    EXPECT_EQ(trail[1].endpoint, "token");
  }
  {
    const std::string sn2 = orbtest::UniqueTag();
    orbtest::ScopedCloudRule refuse(cloud, orbtest::CloudRule().Path("/v1/product/downloader/upload-log-file")
                                               .Match(sn2).Code(500));
    // No installer log exists: only the own log is tried, and its upload fails on both hosts.
    EXPECT_FALSE(SendErrorReport(ServiceApi(Local(cloud)), facts, sn2, "", "", "r",
                                 Wide(dir.path() / "missing.log")));
    std::vector<std::string> endpoints;
    for (const auto& r : cloud.Trail(sn2)) endpoints.push_back(r.endpoint + "@" + r.host);
    EXPECT_EQ(endpoints, (std::vector<std::string>{"token@main", "upload_log@main",
                                                   "upload_log@fallback"}));
  }
}

TEST(ErrorReportFiles, InstallerLogBringsItsSubPackageLogs) {
  class NoFacts final : public IReportFacts {
    std::string OwnFileVersion() const override { return "1.2.3.4"; }
    std::wstring OwnLogFile() const override { return L"own.log"; }
  } facts;
  const ServiceApi api;
  const CLogReporter reporter("sn", facts, api);
  EXPECT_EQ(reporter.LogFiles(L""), (std::vector<std::wstring>{L"own.log"}));
  EXPECT_EQ(reporter.LogFiles(L"C:\\t\\p.log"),
            (std::vector<std::wstring>{L"own.log", L"C:\\t\\p.log", L"C:\\t\\p.SubPack1.log",
                                       L"C:\\t\\p.SubPack2.log", L"C:\\t\\p.SubPack3.log"}));
  EXPECT_EQ(reporter.LogFiles(L"a"), (std::vector<std::wstring>{L"own.log", L"a"}));
}

}  // namespace
