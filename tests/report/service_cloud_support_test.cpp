// The test helper reads the stand-in's journal and drives its rules, in both builds.
#include <gtest/gtest.h>

#include <string>

#include "downloader/http_request.h"
#include "tests/report/cloud_support.h"

namespace {

const std::string kTokenBody =
    R"({"grant_type":"client_credentials","app_secret":"Hw7sLm2QzR8vNc4kTy6bGd1pXe9uJa3fWq"})";

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string PostToken(const std::string& base, const std::string& sn) {
  std::int32_t rc = -1;
  return ns_PLX::HttpRequest(ns_PLX::RequestKind::Post, Wide(base + "/v3/user/client/token"),
                             {"X-Client-Type: 1", "Content-Type: application/json",
                              "X-App-Key: a3f0c9e1b7d24f86e0c5a9b1.kite", "X-Client-Sn: " + sn,
                              "X-Prod-Id: 14424", "X-Prod-Ver: 3.0.5.1"},
                             true, false, kTokenBody, rc);
}

TEST(CloudSupport, JournalKeepsHeadersInOrderAndBodyBytes) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sn = orbtest::UniqueTag();
  const std::string reply = PostToken(cloud.BaseUrl("fallback"), sn);
  EXPECT_NE(reply.find("\"access_token\""), std::string::npos) << reply;

  const auto requests = cloud.Requests(sn);
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.host, "fallback");
  EXPECT_EQ(r.endpoint, "token");
  EXPECT_EQ(r.version, "HTTP/1.0");
  EXPECT_EQ(r.body, kTokenBody);
  EXPECT_EQ(r.reply, reply);
  EXPECT_TRUE(r.ok) << r.FailedChecks();
  const std::vector<std::string> want = {
      "X-Client-Type: 1", "Content-Type: application/json",
      "X-App-Key: a3f0c9e1b7d24f86e0c5a9b1.kite", "X-Client-Sn: " + sn, "X-Prod-Id: 14424",
      "X-Prod-Ver: 3.0.5.1"};
  EXPECT_EQ(r.HeaderLines(), want);
}

TEST(CloudSupport, RulesApplyOnlyToTheirMatchAndEndWithTheirScope) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sn = orbtest::UniqueTag();
  const std::string other = orbtest::UniqueTag();
  {
    orbtest::ScopedCloudRule rule(cloud, orbtest::CloudRule().Host("main").Match(sn).Code(401));
    ASSERT_TRUE(rule.ok());
    EXPECT_EQ(PostToken(cloud.BaseUrl("main"), sn), R"({"code":401,"msg":"error 401"})");
    EXPECT_NE(PostToken(cloud.BaseUrl("main"), other).find("access_token"), std::string::npos);
    orbtest::ScopedCloudRule drop(cloud, orbtest::CloudRule().Host("fallback").Match(sn).Drop());
    EXPECT_EQ(PostToken(cloud.BaseUrl("fallback"), sn), "");
  }
  EXPECT_NE(PostToken(cloud.BaseUrl("main"), sn).find("access_token"), std::string::npos);

  const auto requests = cloud.Requests(sn);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_FALSE(requests[0].rule.empty());
  EXPECT_TRUE(requests[1].dropped);
  EXPECT_EQ(requests[1].host, "fallback");
  EXPECT_TRUE(requests[2].rule.empty());
}

}  // namespace
