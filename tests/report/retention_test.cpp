// The retention client against the cloud stand-in.
#include "report/retention.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/report/cloud_support.h"

namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

ServiceEndpoints Endpoints(const orbtest::Cloud& cloud) {
  ServiceEndpoints endpoints;
  endpoints.api_base = cloud.BaseUrl("main");
  endpoints.fallback_base = cloud.BaseUrl("fallback");
  endpoints.http.connect_timeout = std::chrono::milliseconds(2000);
  endpoints.http.request_timeout = std::chrono::milliseconds(3000);
  return endpoints;
}

std::vector<std::string> ClientSet(const std::string& sign, const std::string& version) {
  return {"X-Client-Sn: " + sign, "X-Client-Type: 1", "X-App-Key: a3f0c9e1b7d24f86e0c5a9b1.kite",
          "X-Prod-Id: 1901",      "X-Lang: en-us",    "X-Prod-Ver: " + version};
}

std::vector<std::string> Concat(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

std::vector<orbtest::CloudRequest> Of(const std::vector<orbtest::CloudRequest>& all,
                                      const std::string& endpoint) {
  std::vector<orbtest::CloudRequest> out;
  for (const auto& r : all) {
    if (r.endpoint == endpoint) out.push_back(r);
  }
  return out;
}

TEST(Retention, QueryThenApplyOnTheWire) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  CRetentionClient client(Endpoints(cloud));
  ASSERT_TRUE(client.QueryRetention(1901, L"5.2.1.8", Widen(sign), L"3.0.5"));
  EXPECT_EQ(client.OfferType(), kRetentionMembership);
  EXPECT_EQ(client.OfferId(), 5000000001);
  EXPECT_EQ(client.OfferTitle(), L"Free membership");
  EXPECT_EQ(client.OfferContent(), L"Leave your e-mail address.");

  const std::string email = sign + "@example.org";
  EXPECT_EQ(client.ApplyRetention(Widen(email)), 0);
  EXPECT_EQ(client.ApplyRetention(Widen(email)), kRetentionAlreadyClaimed);

  const auto requests = cloud.Requests(sign);
  for (const auto& r : requests) {
    EXPECT_EQ(r.host, "main") << r.target;  // no fallback host for these
    EXPECT_TRUE(r.ok) << r.target << ": " << r.FailedChecks();
  }
  const auto tokens = Of(requests, "token");
  ASSERT_EQ(tokens.size(), 3u);  // one per request
  EXPECT_EQ(tokens[0].HeaderLines(),
            Concat({"Content-Type: application/json"}, ClientSet(sign, "5.2.1.8")));
  EXPECT_EQ(
      tokens[0].body,
      R"({"grant_type":"client_credentials","app_secret":"Hw7sLm2QzR8vNc4kTy6bGd1pXe9uJa3fWq"})");

  const auto queries = Of(requests, "recovery_query");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].method, "GET");
  EXPECT_EQ(queries[0].target, "/v1/product/downloader/recovery?version=3.0.5");
  const std::string bearer = queries[0].Header("Authorization");
  EXPECT_EQ(bearer.rfind("Bearer ", 0), 0u);
  EXPECT_GT(bearer.size(), 7u);
  EXPECT_EQ(queries[0].HeaderLines(),
            Concat({"Authorization: " + bearer}, ClientSet(sign, "5.2.1.8")));

  const auto applies = Of(requests, "recovery_apply");
  ASSERT_EQ(applies.size(), 2u);
  EXPECT_EQ(applies[0].method, "POST");
  EXPECT_EQ(applies[0].target, "/v1/product/downloader/recovery/5000000001/apply");
  EXPECT_EQ(applies[0].body, "{\"email\":\"" + email + "\"}");
  const auto lines = applies[0].HeaderLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].rfind("Authorization: Bearer ", 0), 0u);
  EXPECT_NE(lines[0], "Authorization: " + bearer) << "each request takes a new token";
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
            Concat({"Content-Type: application/json"}, ClientSet(sign, "5.2.1.8")));
}

TEST(Retention, QueryRepliesWithoutAnOffer) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  struct Case {
    const char* what;
    orbtest::CloudRule action;
    bool answered;
    std::int32_t type;
    std::int64_t id;
    const wchar_t* title;
  };
  const Case cases[] = {
      {"null data", orbtest::CloudRule().Reply(R"({"code":0,"data":null})"), false, 0, 0, L""},
      {"no data", orbtest::CloudRule().Reply(R"({"code":0})"), false, 0, 0, L""},
      {"data not an object", orbtest::CloudRule().Reply(R"({"code":0,"data":5})"), false, 0, 0,
       L""},
      {"error code", orbtest::CloudRule().Code(500), false, 0, 0, L""},
      {"html page", orbtest::CloudRule().Html(), false, 0, 0, L""},
      {"no answer", orbtest::CloudRule().Drop(), false, 0, 0, L""},
      {"no tips", orbtest::CloudRule().Reply(R"({"code":0,"data":{"id":-3000000000,"type":1}})"),
       true, 1, -3000000000, L""},
      {"null tips",
       orbtest::CloudRule().Reply(R"({"code":0,"data":{"id":7,"type":1,"tips":null}})"), true, 1, 7,
       L""},
      {"text in UTF-8",
       orbtest::CloudRule().Reply(
           "{\"code\":0,\"data\":{\"id\":8,\"type\":1,\"tips\":{\"title\":\"K\xc3\xb6r\"}}}"),
       true, 1, 8, L"K\u00f6r"},
  };
  for (const Case& c : cases) {
    const std::string sign = orbtest::UniqueTag();
    orbtest::CloudRule rule = c.action;
    orbtest::ScopedCloudRule scoped(cloud,
                                    rule.Path("/v1/product/downloader/recovery").Match(sign));
    ASSERT_TRUE(scoped.ok()) << c.what;
    CRetentionClient client(Endpoints(cloud));
    EXPECT_EQ(client.QueryRetention(1901, L"", Widen(sign), L"3.0.5"), c.answered) << c.what;
    EXPECT_EQ(client.OfferType(), c.type) << c.what;
    EXPECT_EQ(client.OfferId(), c.id) << c.what;
    EXPECT_EQ(client.OfferTitle(), c.title) << c.what;
    const auto requests = cloud.Requests(sign);
    EXPECT_EQ(Of(requests, "recovery_query").size(), 1u) << c.what << ": no retry, no fallback";
    for (const auto& r : requests) EXPECT_EQ(r.host, "main") << c.what;
  }
}

TEST(Retention, ApplyCarriesTheSignedOfferId) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  orbtest::ScopedCloudRule offer(cloud,
                                 orbtest::CloudRule()
                                     .Path("/v1/product/downloader/recovery")
                                     .Methods("GET")
                                     .Match(sign)
                                     .Reply(R"({"code":0,"data":{"id":-3000000000,"type":2}})"));
  ASSERT_TRUE(offer.ok());
  CRetentionClient client(Endpoints(cloud));
  ASSERT_TRUE(client.QueryRetention(1901, L"", Widen(sign), L"3.0.5"));
  // The address lacks "@": the service refuses it with its own code.
  EXPECT_EQ(client.ApplyRetention(L"not-an-address"), 400);
  const auto applies = Of(cloud.Requests(sign), "recovery_apply");
  ASSERT_EQ(applies.size(), 1u);
  EXPECT_EQ(applies[0].target, "/v1/product/downloader/recovery/-3000000000/apply");
}

TEST(Retention, FailedTokenStillSendsTheRequest) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  orbtest::ScopedCloudRule no_token(
      cloud, orbtest::CloudRule().Path("/v3/user/client/token").Match(sign).Code(40101));
  ASSERT_TRUE(no_token.ok());
  CRetentionClient client(Endpoints(cloud));
  EXPECT_FALSE(client.QueryRetention(1901, L"", Widen(sign), L"3.0.5"));  // 401 from the service
  const auto queries = Of(cloud.Requests(sign), "recovery_query");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].Header("Authorization"), "Bearer ");  // with the empty token
  EXPECT_EQ(queries[0].Header("X-Prod-Ver"), "4.0.5.0");     // no product version known
}

TEST(Retention, HeaderValuesCannotAddHeaders) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  CRetentionClient client(Endpoints(cloud));
  client.QueryRetention(1901, L"5.0\r\nX-Evil: 1", Widen(sign), L"3.0.5");
  const auto queries = Of(cloud.Requests(sign), "recovery_query");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_FALSE(queries[0].HasHeader("X-Evil"));
  EXPECT_EQ(queries[0].Header("X-Prod-Ver"), "5.0X-Evil: 1");
}

TEST(Retention, ApplyOnAWorkerThread) {
  orbtest::Cloud cloud;
  ORB_REQUIRE_CLOUD(cloud);
  const std::string sign = orbtest::UniqueTag();
  CRetentionClient client(Endpoints(cloud));
  ASSERT_TRUE(client.QueryRetention(1901, L"", Widen(sign), L"3.0.5"));
  std::int32_t reported = -2;
  std::thread::id caller;
  {
    CRetentionApply apply(client, Widen(sign + "@example.org"), [&](std::int32_t code) {
      reported = code;
      caller = std::this_thread::get_id();
    });
  }  // waits for the request
  EXPECT_EQ(reported, 0);
  EXPECT_NE(caller, std::this_thread::get_id());
}

TEST(Retention, FailureTexts) {
  EXPECT_EQ(RetentionFailureTextKey(0), "");
  EXPECT_EQ(RetentionFailureTextKey(366001), "redeem_tip_not_again");
  EXPECT_EQ(RetentionFailureTextKey(1), "redeem_tip_fail");
  EXPECT_EQ(RetentionFailureTextKey(-1), "redeem_tip_fail");
}

}  // namespace
