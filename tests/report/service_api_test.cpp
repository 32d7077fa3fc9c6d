// The service API client against the cloud stand-in: the token request byte for byte, and
// the rule that moves a request to the fallback host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/service_api.h"
#include "tests/report/cloud_support.h"

namespace {

const std::string kBody =
    R"({"grant_type":"client_credentials","app_secret":"Hw7sLm2QzR8vNc4kTy6bGd1pXe9uJa3fWq"})";

ServiceEndpoints Local(const orbtest::Cloud& cloud) {
  ServiceEndpoints e;
  e.api_base = cloud.BaseUrl("main");
  e.fallback_base = cloud.BaseUrl("fallback");
  return e;
}

std::vector<std::string> Hosts(const std::vector<orbtest::CloudRequest>& requests) {
  std::vector<std::string> out;
  for (const auto& r : requests) out.push_back(r.host);
  return out;
}

TEST(ServiceReplyCode, ReadsOnlyAnIntegerCode) {
  const struct {
    const char* reply;
    int code;
  } cases[] = {
      {R"({"code":0,"data":{}})", 0},   {R"({"code":401})", 401},
      {R"({"code":-7})", -7},           {"", -1},
      {"<html>502</html>", -1},         {R"({"data":{}})", -1},
      {R"({"code":"0"})", -1},          {R"({"code":0.5})", -1},
      {R"({"code":1e12})", -1},         {R"([0])", -1},
      {R"({"code":0)", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ServiceReplyCode(c.reply), c.code) << c.reply;
}

TEST(ServiceApi, TokenRequestIsExactAndStaysOnTheMainHost) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sn = orbtest::UniqueTag();
  const ServiceApi api(Local(cloud));
  const std::string token = api.GetToken("14424", sn, "3.0.5.7");

  const auto requests = cloud.Requests(sn);
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.host, "main");
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.path, "/v3/user/client/token");
  EXPECT_EQ(r.version, "HTTP/1.0");
  EXPECT_EQ(r.body, kBody);
  const std::vector<std::string> want = {
      "X-Client-Type: 1",         "Content-Type: application/json",
      "X-App-Key: a3f0c9e1b7d24f86e0c5a9b1.kite", "X-Client-Sn: " + sn,
      "X-Prod-Id: 14424",         "X-Prod-Ver: 3.0.5.7"};
  EXPECT_EQ(r.HeaderLines(), want);
  EXPECT_TRUE(r.ok) << r.FailedChecks();
  EXPECT_FALSE(token.empty());
  EXPECT_EQ(token, r.issued_token);
}

// Whatever the main host answers short of code 0 moves the same request, once, to the
// fallback host, whose answer is final.
TEST(ServiceApi, AnyFailureOfTheMainHostMovesTheRequestOnceToTheFallback) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const ServiceApi api(Local(cloud));
  const struct {
    const char* name;
    orbtest::CloudRule rule;
  } cases[] = {
      {"code 401", orbtest::CloudRule().Code(401)},
      {"html page", orbtest::CloudRule().Html()},
      {"no answer", orbtest::CloudRule().Drop()},
      {"empty body", orbtest::CloudRule().Empty()},
      {"code not an integer", orbtest::CloudRule().Reply(R"({"code":"0","data":{}})")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string sn = orbtest::UniqueTag();
    orbtest::CloudRule rule = c.rule;
    orbtest::ScopedCloudRule scoped(cloud, rule.Host("main").Match(sn));
    ASSERT_TRUE(scoped.ok());
    const std::string reply =
        api.Post("/v1/product/series", {"Content-Type: application/json", "X-Client-Sn: " + sn},
                 "{\"product_id\":1, \"client_sign\":\"" + sn + "\"}");

    const auto requests = cloud.Requests(sn);
    ASSERT_EQ(Hosts(requests), (std::vector<std::string>{"main", "fallback"}));
    EXPECT_EQ(requests[1].HeaderLines(), requests[0].HeaderLines());
    EXPECT_EQ(requests[1].body, requests[0].body);
    EXPECT_EQ(reply, requests[1].reply);  // the fallback's own refusal: no token was sent
    EXPECT_EQ(ServiceReplyCode(reply), 401);
  }
}

TEST(ServiceApi, FallbackIsFinalAndTheTokenFailureIsLogged) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  auto& log = orbtest::TestLog::Get();
  const ServiceApi api(Local(cloud));
  const std::string sn = orbtest::UniqueTag();
  orbtest::ScopedCloudRule down(cloud, orbtest::CloudRule().Match(sn).Code(5));
  EXPECT_EQ(api.GetToken("14424", sn, "1.0"), "");
  EXPECT_EQ(Hosts(cloud.Requests(sn)), (std::vector<std::string>{"main", "fallback"}));
  EXPECT_EQ(log.Lines("[ERROR] get token failed! result=[{\"code\":5,\"msg\":\"error 5\"}].").size(),
            1u);
  // The token request switches without the warning line; the sign is in no warning.
  EXPECT_TRUE(log.Lines(sn).empty());
}

TEST(ServiceApi, ASuccessWithoutTokenGivesAnEmptyTokenSilently) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  auto& log = orbtest::TestLog::Get();
  const std::string sn = orbtest::UniqueTag();
  orbtest::ScopedCloudRule empty(cloud, orbtest::CloudRule().Match(sn).Reply(R"({"code":0,"data":{}})"));
  const std::size_t errors = log.Lines("get token failed").size();
  EXPECT_EQ(ServiceApi(Local(cloud)).GetToken("14424", sn, "1.0"), "");
  EXPECT_EQ(cloud.Requests(sn).size(), 1u);
  EXPECT_EQ(log.Lines("get token failed").size(), errors);
}

TEST(ServiceApi, PostLogsTheSwitchUploadToo) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  auto& log = orbtest::TestLog::Get();
  const std::string sn = orbtest::UniqueTag();
  const ServiceApi api(Local(cloud));
  const std::size_t before = log.Lines("[WARN] switch host domain.").size();
  api.Post("/v1/product/logs/whitelist", {"X-Client-Sn: " + sn}, "{}");  // 401 on both hosts
  EXPECT_EQ(log.Lines("[WARN] switch host domain.").size(), before + 1);
  EXPECT_EQ(cloud.Requests(sn).size(), 2u);
}

}  // namespace
