// The support ticket and the product-series registration against the cloud stand-in.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/text_convert.h"
#include "report/product_series.h"
#include "report/support_report.h"
#include "tests/report/cloud_support.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

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

std::vector<orbtest::CloudRequest> Of(const std::vector<orbtest::CloudRequest>& all,
                                      std::string_view endpoint) {
  std::vector<orbtest::CloudRequest> out;
  for (const auto& r : all) {
    if (r.endpoint == endpoint) out.push_back(r);
  }
  return out;
}

std::string DataOf(const std::string& reply) {
  const auto start = reply.find("\"data\":");
  return start == std::string::npos ? std::string()
                                    : reply.substr(start + 7, reply.size() - start - 8);
}

TEST(SupportTicket, ContactDecidesTheMemberAndTheTicketIsExact) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  orbtest::TempDir dir;
  const struct {
    std::wstring contact;
    const char* type;
    std::string product_id;
    const char* printed_id;
  } cases[] = {
      {L"user@example.org", "email", "10023", "10023"},
      {L"13800138000", "mobile", "10023", "10023"},
      {L"13800138000", "mobile", "not-a-number", "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const std::string sn = orbtest::UniqueTag();
    const fs::path own = dir.path() / (sn + ".log");
    std::ofstream(own, std::ios::binary) << "own log\n";
    const Facts facts(own);
    const ServiceApi api(Local(cloud));
    CSupportReporter reporter(sn, facts, api);
    reporter.SetTicketProductId(c.product_id);
    reporter.SetProductVersion("5.2.1.8");
    const std::wstring contents =
        SupportTicketContents(L"7", L"0", L"It stopped at 40 % \u00e9 \"quoted\"");
    ASSERT_TRUE(reporter.SetTicket(std::wstring(kSupportTicketTitle.begin(),
                                                kSupportTicketTitle.end()),
                                   contents, c.contact));
    ASSERT_TRUE(reporter.SendLogs(L""));

    const auto trail = cloud.Trail(sn);
    const auto uploads = Of(trail, "ticket_upload");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_TRUE(uploads[0].ok) << uploads[0].FailedChecks();
    EXPECT_EQ(uploads[0].form[0].name, "file");
    EXPECT_EQ(uploads[0].HeaderLines(),
              (std::vector<std::string>{"Authorization: Bearer " + trail[0].issued_token,
                                        "Content-Type: " + uploads[0].Header("Content-Type")}));
    const auto tickets = Of(trail, "ticket");
    ASSERT_EQ(tickets.size(), 1u);
    const std::string contact = WideToUtf8(c.contact);
    EXPECT_EQ(tickets[0].body,
              std::string("{\"title\":\"ORB Install Failed\",\"contents\":\"download "
                          "error_code=[ 7 ];install  error_code=[ 0 ].\\r\\n\\r\\nIt stopped at "
                          "40 % \xC3\xA9 \\\"quoted\\\"\\r\\n\\r\\n\",\"contact_type\":\"") +
                  c.type + "\",\"" + c.type + "\":\"" + contact + "\",\"product_id\":" +
                  c.printed_id +
                  ",\"product_version\":\"5.2.1.8\",\"ticket_form_id\":10310875932697,"
                  "\"attachment\":[" + DataOf(uploads[0].reply) + "]}");
    EXPECT_EQ(tickets[0].HeaderLines(),
              (std::vector<std::string>{"Authorization: Bearer " + trail[0].issued_token,
                                        "Content-Type: application/json"}));
    EXPECT_TRUE(tickets[0].ok) << tickets[0].FailedChecks();
  }
}

TEST(SupportTicket, RefusedTicketIsAFailure) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  auto& log = orbtest::TestLog::Get();
  orbtest::TempDir dir;
  const std::string sn = orbtest::UniqueTag();
  const fs::path own = dir.path() / "own.log";
  std::ofstream(own, std::ios::binary) << "own\n";
  orbtest::ScopedCloudRule refuse(
      cloud, orbtest::CloudRule().Path("/v1/support/tickets").Match("\"" + sn + "\"").Code(42));
  const Facts facts(own);
  const ServiceApi api(Local(cloud));
  CSupportReporter reporter("client", facts, api);
  reporter.SetTicket(L"t", Utf8ToWide(sn), L"a@b.c");
  const std::size_t before = log.Lines("[ERROR] report support failed! code=[42].").size();
  EXPECT_FALSE(reporter.SendLogs(L""));
  EXPECT_EQ(log.Lines("[ERROR] report support failed! code=[42].").size(), before + 1);
}

TEST(SupportTicket, InstallerLogOnlyAfterAnInstallError) {
  EXPECT_FALSE(SupportTicketWantsInstallerLog(L""));
  EXPECT_FALSE(SupportTicketWantsInstallerLog(L"0"));
  EXPECT_TRUE(SupportTicketWantsInstallerLog(L"1603"));
}

TEST(ProductSeries, RegistersWithTheExactBody) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sn = orbtest::UniqueTag();
  ASSERT_TRUE(PostInfo(ServiceApi(Local(cloud)), "10023", sn));
  const auto trail = cloud.Trail(sn);
  ASSERT_EQ(trail.size(), 2u);
  EXPECT_EQ(trail[0].Header("X-Prod-Id"), "10023");
  EXPECT_EQ(trail[0].Header("X-Prod-Ver"), "1.1.1");
  EXPECT_EQ(trail[1].endpoint, "series");
  EXPECT_EQ(trail[1].body, "{\"product_id\":10023, \"client_sign\":\"" + sn + "\"}");
  EXPECT_EQ(trail[1].HeaderLines(),
            (std::vector<std::string>{"Content-Type: application/json",
                                      "Authorization: Bearer " + trail[0].issued_token}));
  EXPECT_TRUE(trail[1].ok) << trail[1].FailedChecks();
}

TEST(ProductSeries, SwitchesSilentlyAndSendsEvenWithoutToken) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  auto& log = orbtest::TestLog::Get();
  const std::string sn = orbtest::UniqueTag();
  orbtest::ScopedCloudRule no_token(
      cloud, orbtest::CloudRule().Path("/v3/user/client/token").Match(sn).Code(5));
  const std::size_t warnings = log.Lines("switch host domain").size();
  EXPECT_FALSE(PostInfo(ServiceApi(Local(cloud)), "10023", sn));
  std::vector<std::string> seen;
  for (const auto& r : cloud.Requests(sn)) seen.push_back(r.endpoint + "@" + r.host);
  // The series call goes out with an empty token, is refused and moves to the fallback once.
  EXPECT_EQ(seen, (std::vector<std::string>{"token@main", "token@fallback", "series@main",
                                            "series@fallback"}));
  EXPECT_EQ(cloud.Requests(sn)[2].Header("Authorization"), "Bearer ");
  EXPECT_EQ(log.Lines("switch host domain").size(), warnings);
  EXPECT_EQ(log.Lines("[ERROR] post info failed! result=[{\"code\":401").size(), 1u);
}

TEST(ProductSeries, ProductIdThatIsNoNumberIsNotSent) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sn = orbtest::UniqueTag();
  EXPECT_FALSE(PostInfo(ServiceApi(Local(cloud)), "12\", \"x\":\"", sn));
  for (const auto& r : cloud.Requests(sn)) EXPECT_NE(r.endpoint, "series");
}

TEST(ProductSeries, AsyncRunsOnItsOwnThreadWithoutTheCallerWaiting) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sn = orbtest::UniqueTag();
  // The series call is held up on the server; the caller must be free long before.
  orbtest::ScopedCloudRule slow(
      cloud, orbtest::CloudRule().Path("/v1/product/series").Match(sn).DelayMs(1500));
  std::mutex mutex;
  std::condition_variable cv;
  bool finished = false;  // guarded by mutex
  bool result = false;    // guarded by mutex
  std::thread::id ran_on;  // guarded by mutex
  PostInfoAsync(Local(cloud), "10023", sn, [&](bool ok) {
    const std::lock_guard lock(mutex);
    finished = true;
    result = ok;
    ran_on = std::this_thread::get_id();
    cv.notify_all();
  });
  {
    const std::lock_guard lock(mutex);
    EXPECT_FALSE(finished);  // the server holds the answer for 1.5 s
  }
  std::unique_lock lock(mutex);
  ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return finished; }));
  EXPECT_TRUE(result);
  EXPECT_NE(ran_on, std::this_thread::get_id());
  EXPECT_EQ(Of(cloud.Requests(sn), "series").size(), 1u);
}

// The process may end while the registration still waits for the network.
TEST(ProductSeries, ProcessEndsCleanlyWhileTheAsyncCallIsInFlight) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  // The death test's child runs this body again from the start: it takes the parent's tag.
  const char* inherited = std::getenv("ORB_SERIES_EXIT_TAG");
  const std::string sn = inherited != nullptr ? inherited : orbtest::UniqueTag();
#ifdef _WIN32
  _putenv_s("ORB_SERIES_EXIT_TAG", sn.c_str());
#else
  setenv("ORB_SERIES_EXIT_TAG", sn.c_str(), 1);
#endif
  orbtest::ScopedCloudRule slow(
      cloud, orbtest::CloudRule().Path("/v3/user/client/token").Match(sn).DelayMs(3000));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        PostInfoAsync(Local(cloud), "10023", sn);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the request is out
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  ASSERT_FALSE(cloud.Requests(sn).empty());  // the child really was mid-request
}

}  // namespace
