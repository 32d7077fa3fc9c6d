#include "downloader/host_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "downloader/http_dns.h"
#include "downloader/ipv4_text.h"
#include "downloader/prepare_host.h"
#include "downloader/url_split.h"
#include "tests/downloader/log_tail.h"
#include "tests/downloader/transfer_peers.h"
#include "tests/support/test_server.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Dotted(int number) { return "127.0.0." + std::to_string(number); }

ns_PLX::HostTableSettings TestSettings(const orbtest::TransferPeers& peers) {
  ns_PLX::HostTableSettings settings;
  settings.http_dns = peers.HttpDns();
  settings.probe.connect_timeout = std::chrono::seconds(2);
  return settings;
}

// --- the system resolver's answer ---------------------------------------------------------

TEST(HostTable, SystemResolverAnswerIsProbedAndKept) {
  orbtest::TestServer server;
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TEST_SERVER(server);
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  const std::string host = "localhost:" + std::to_string(server.Port());
  const std::string path = orbtest::TestServer::GenPath(1234, orbtest::UniqueTag() + ".bin");
  const std::wstring url = Wide("http://" + host + path);
  ns_PLX::CHostTable table(TestSettings(peers));

  EXPECT_FALSE(table.HasAddresses(url));
  ASSERT_TRUE(table.InitHost(url));
  EXPECT_TRUE(table.HasAddresses(url));
  EXPECT_THAT(table.AddressesOf(Wide(host)), ElementsAre("127.0.0.1"));
  EXPECT_EQ(table.SizeOf(url), 1234);
  std::string listed_host, listed;
  ASSERT_TRUE(table.HostAddressList(url, listed_host, listed));
  EXPECT_EQ(listed_host, host);
  EXPECT_EQ(listed, "127.0.0.1");

  // The size was asked of the address, under the host's own name.
  const auto probes = server.Requests(path);
  ASSERT_FALSE(probes.empty());
  EXPECT_EQ(probes[0].method, "HEAD");
  EXPECT_EQ(probes[0].Header("Host"), host);
  // A known host is not resolved or probed again.
  ASSERT_TRUE(table.InitHost(url));
  EXPECT_EQ(server.Requests(path).size(), probes.size());
  EXPECT_THAT(peers.ResolverTargets("primary"), Not(Contains(::testing::HasSubstr("name=localhost"))));
}

// --- agreement on the size ----------------------------------------------------------------

struct MajorityCase {
  const char* name;
  const char* host;  // answered by the HTTP-DNS stand-in
  const char* file;  // its size differs by address
  std::vector<int> kept;
  std::int64_t size;
  std::vector<int> removed;
  std::vector<int> unprobed;
};

class HostMajority : public ::testing::TestWithParam<MajorityCase> {};

TEST_P(HostMajority, KeepsTheAddressesOfTheMajoritySize) {
  const MajorityCase& c = GetParam();
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  const std::string host = std::string(c.host) + ":" + std::to_string(peers.HostsPort());
  const std::wstring url = Wide("http://" + host + "/" + c.file);
  ns_PLX::CHostTable table(TestSettings(peers));
  const orbtest::LogTail log;

  ASSERT_TRUE(table.InitHost(url));
  std::vector<std::string> kept;
  for (const int number : c.kept) kept.push_back(Dotted(number));
  EXPECT_THAT(table.AddressesOf(Wide(host)), ElementsAreArray(kept));
  EXPECT_EQ(table.SizeOf(url), c.size);

  const auto lines = log.Lines();
  EXPECT_THAT(lines, Contains("[INFO] query httpdns, host=[" + host + "], ip count=[" +
                              std::to_string(c.kept.size() + c.removed.size()) + "]."));
  for (const int number : c.removed) {
    EXPECT_THAT(lines, Contains("[WARN] remove host ip=[" + Dotted(number) + "]"));
  }
  EXPECT_THAT(lines, Contains("[INFO] init host, vaild ip count=[" +
                              std::to_string(c.kept.size()) + "]"));
  // Every probe names the real host.
  const auto probes = peers.HostRequests(c.kept.front(), std::string("target=/") + c.file);
  ASSERT_FALSE(probes.empty());
  EXPECT_THAT(probes.front(), ::testing::HasSubstr("h.host=" + host));
  for (const int number : c.unprobed) {
    EXPECT_THAT(peers.HostRequests(number, std::string("target=/") + c.file), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, HostMajority,
    ::testing::Values(
        MajorityCase{"TwoAgainstOne", "majority.invalid", "majority.bin", {1, 2}, 1000, {3}, {}},
        MajorityCase{"TieGoesToTheSmallerSize", "tie.invalid", "tie.bin", {6, 7}, 500, {4, 5}, {}},
        // probing stops at ten agreeing addresses; the unprobed ones are not kept
        MajorityCase{"TenAgreeingAreEnough", "twelve.invalid", "twelve.bin",
                     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 4096, {11, 12}, {11, 12}},
        // no address knows a size: all are kept and no size is stored
        MajorityCase{"NoSizeAnywhere", "silent.invalid", "silent.bin", {1, 2}, 0, {}, {}},
        // sizes above 1 TiB count as no answer
        MajorityCase{"AbsurdSizeIsNotBelieved", "majority.invalid",
                     "majority.bin?bad_length=2000000000000", {1, 2, 3}, 0, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostTable, ClearForgetsHostsButNotSizes) {
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  const std::string host = "majority.invalid:" + std::to_string(peers.HostsPort());
  const std::wstring url = Wide("http://" + host + "/majority.bin");
  ns_PLX::CHostTable table(TestSettings(peers));
  ASSERT_TRUE(table.InitHost(url));

  table.Clear();
  EXPECT_FALSE(table.HasAddresses(url));
  EXPECT_THAT(table.AddressesOf(Wide(host)), IsEmpty());
  EXPECT_EQ(table.SizeOf(url), 1000);
  std::string listed_host, listed;
  EXPECT_FALSE(table.HostAddressList(url, listed_host, listed));
}

// --- a download's preparation ----------------------------------------------------------------

class RecordingSink : public ns_PLX::IPrepareHostSink {
 public:
  void HostRefreshed() override { events.push_back("refreshed"); }
  void HostAddressesKnown(const std::string& text) override { events.push_back("known " + text); }
  void HostPreparationFailed() override { events.push_back("failed"); }
  std::vector<std::string> events;
};

TEST(PrepareHost, FillsTheAddressTableAndTheSize) {
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  const std::string host = "majority.invalid:" + std::to_string(peers.HostsPort());
  const std::string url = "http://" + host + "/majority.bin";
  ns_PLX::CHostTable table(TestSettings(peers));
  ns_PLX::AddressTable addresses{{"10.9.9.9", 3}};
  std::int64_t size = 0;

  RecordingSink first;
  ASSERT_TRUE(ns_PLX::PrepareHost(table, url, false, addresses, size, first));
  EXPECT_THAT(first.events, ElementsAre("known " + host + ":127.0.0.1,127.0.0.2"));
  EXPECT_EQ(size, 1000);
  EXPECT_EQ(addresses, (ns_PLX::AddressTable{{"127.0.0.1", 0}, {"127.0.0.2", 0}}));

  // Known: the table is refilled, nothing is resolved again.
  addresses["127.0.0.1"] = 5;
  size = 7;
  RecordingSink again;
  ASSERT_TRUE(ns_PLX::PrepareHost(table, url, false, addresses, size, again));
  EXPECT_THAT(again.events, IsEmpty());
  EXPECT_EQ(size, 7);
  EXPECT_EQ(addresses.at("127.0.0.1"), 0);

  RecordingSink refreshed;
  ASSERT_TRUE(ns_PLX::PrepareHost(table, url, true, addresses, size, refreshed));
  EXPECT_THAT(refreshed.events,
              ElementsAre("refreshed", "known " + host + ":127.0.0.1,127.0.0.2"));
  EXPECT_EQ(size, 1000);
}

TEST(PrepareHost, UnresolvableHostLeavesNormalResolution) {
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  ns_PLX::CHostTable table(TestSettings(peers));
  ns_PLX::AddressTable addresses{{"10.9.9.9", 3}};
  std::int64_t size = 42;
  RecordingSink sink;
  const orbtest::LogTail log;
  EXPECT_FALSE(ns_PLX::PrepareHost(table, "http://garbage.invalid/a.bin", false, addresses, size,
                                   sink));
  EXPECT_THAT(sink.events, ElementsAre("failed"));
  EXPECT_THAT(log.Lines(), Contains("[ERROR] multi, get dns info failed!"));
  EXPECT_EQ(size, 42);
}

struct BadUrlCase {
  const wchar_t* url;
  const char* line;
};

class HostBadUrl : public ::testing::TestWithParam<BadUrlCase> {};

TEST_P(HostBadUrl, FailsWithItsLine) {
  ns_PLX::CHostTable table;
  const orbtest::LogTail log;
  EXPECT_FALSE(table.InitHost(GetParam().url));
  EXPECT_THAT(log.Lines(), Contains(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(Urls, HostBadUrl,
                         ::testing::Values(BadUrlCase{L"", "[ERROR] init host url is empty."},
                                           BadUrlCase{L"example.invalid/a", "[ERROR] parse url failed!"},
                                           BadUrlCase{L"http:///a", "[ERROR] parse url failed!"},
                                           BadUrlCase{L"http://u@example.invalid/a",
                                                      "[ERROR] parse url failed!"}));

// --- HTTP-DNS --------------------------------------------------------------------------------

TEST(HttpDns, RequestCarriesTheSignedQuery) {
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  const std::size_t before = peers.ResolverTargets("primary").size();
  ns_PLX::CHostTable table(TestSettings(peers));
  const long long now = static_cast<long long>(std::time(nullptr));
  // The stand-in answers only a query whose key it could verify with its own SHA-256.
  ASSERT_TRUE(table.QueryHost(L"majority.invalid"));
  EXPECT_THAT(table.AddressesOf(L"majority.invalid"), ElementsAre(Dotted(1), Dotted(2), Dotted(3)));

  const auto targets = peers.ResolverTargets("primary");
  ASSERT_EQ(targets.size(), before + 1);
  std::smatch match;
  const std::regex shape(
      "/resolve\\?type=1&short=1&uid=100231&ak=AKtest0123456789abcdefgh&name=majority\\.invalid"
      "&ts=([0-9]+)&key=([0-9a-f]{64})");
  ASSERT_TRUE(std::regex_match(targets.back(), match, shape)) << targets.back();
  EXPECT_NEAR(std::stoll(match[1].str()), now, 60);
}

struct FallbackCase {
  const char* name;
  bool primary_reachable;
  const char* host;
};

class HttpDnsFallback : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(HttpDnsFallback, SecondaryIsAskedTheSameQuery) {
  const FallbackCase& c = GetParam();
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  ns_PLX::HostTableSettings settings = TestSettings(peers);
  if (!c.primary_reachable) settings.http_dns.primary = "127.0.0.1:1";
  const std::size_t primary_before = peers.ResolverTargets("primary").size();
  const std::size_t secondary_before = peers.ResolverTargets("secondary").size();
  ns_PLX::CHostTable table(settings);

  ASSERT_TRUE(table.QueryHost(Wide(c.host)));
  EXPECT_FALSE(table.AddressesOf(Wide(c.host)).empty());
  const auto primary = peers.ResolverTargets("primary");
  const auto secondary = peers.ResolverTargets("secondary");
  ASSERT_EQ(secondary.size(), secondary_before + 1);
  if (c.primary_reachable) {
    ASSERT_EQ(primary.size(), primary_before + 1);
    EXPECT_EQ(primary.back(), secondary.back());  // same time stamp and key
  } else {
    EXPECT_EQ(primary.size(), primary_before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Resolvers, HttpDnsFallback,
    ::testing::Values(FallbackCase{"PrimaryAnswersNothing", true, "second-only.invalid"},
                      FallbackCase{"PrimaryUnreachable", false, "majority.invalid"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AnswerCase {
  const char* host;
  std::vector<std::string> addresses;
};

class HttpDnsAnswer : public ::testing::TestWithParam<AnswerCase> {};

// What a resolver says is taken only as far as it is a list of usable addresses.
TEST_P(HttpDnsAnswer, OnlyUsableAddressesAreTaken) {
  const AnswerCase& c = GetParam();
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  ns_PLX::CHostTable table(TestSettings(peers));
  EXPECT_EQ(table.QueryHost(Wide(c.host)), !c.addresses.empty());
  EXPECT_THAT(table.AddressesOf(Wide(c.host)), ElementsAreArray(c.addresses));
  if (c.addresses.empty()) {
    const orbtest::LogTail log;
    EXPECT_FALSE(table.InitHost(Wide(std::string("http://") + c.host + "/a.bin")));
    EXPECT_THAT(log.Lines(), Contains("[ERROR] query host failed!"));
  }
}

std::vector<std::string> ManyAddresses() {
  std::vector<std::string> many;
  for (int n = 0; n < 32; ++n) many.push_back("127.1.0." + std::to_string(n + 1));
  return many;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HttpDnsAnswer,
    ::testing::Values(
        AnswerCase{"garbage.invalid", {}}, AnswerCase{"empty.invalid", {}},
        AnswerCase{"hostile.invalid", {"127.0.0.9"}},
        // at most 32 addresses are taken from one answer
        AnswerCase{"many.invalid", ManyAddresses()},
        // spaces around the quotes; little-endian order of the octets
        AnswerCase{"order.invalid", {"127.0.0.1", "10.0.0.2", "127.0.0.3"}},
        // not a plain host name: never sent to the resolver
        AnswerCase{"bad&name.invalid", {}}));

TEST(HttpDns, KeyMatchesAnIndependentDigest) {
  // hashlib.sha256(b"100231" b"7f3c9a1e5b2d4f6a8c0e1b3d5f7a9c2e" b"1700000000"
  //                b"example.invalid" b"AKtest0123456789abcdefgh").hexdigest()
  const ns_PLX::HttpDnsPlainAccount account{"100231", "7f3c9a1e5b2d4f6a8c0e1b3d5f7a9c2e",
                                            "AKtest0123456789abcdefgh"};
  const std::string key = "d2c2f17b30ecd7ebcc1dee5cc02bb59028ee98d5c4c94027909ec581a9f5c1df";
  EXPECT_EQ(ns_PLX::HttpDnsKey(account, "1700000000", "example.invalid"), key);
  EXPECT_EQ(ns_PLX::HttpDnsQueryText(account, "example.invalid", "1700000000"),
            "/resolve?type=1&short=1&uid=100231&ak=AKtest0123456789abcdefgh"
            "&name=example.invalid&ts=1700000000&key=" + key);
}

TEST(HttpDns, AccountValuesAreUnscrambled) {
  const auto test = ns_PLX::UnscrambleAccount(orbtest::TestAccount());
  ASSERT_TRUE(test.has_value());
  EXPECT_EQ(test->id, "100231");
  EXPECT_EQ(test->secret, "7f3c9a1e5b2d4f6a8c0e1b3d5f7a9c2e");
  EXPECT_EQ(test->access_key, "AKtest0123456789abcdefgh");
  EXPECT_TRUE(ns_PLX::UnscrambleAccount(ns_PLX::BuiltInHttpDnsAccount()).has_value());

  struct Mangle {
    const char* what;
    void (*apply)(ns_PLX::HttpDnsAccount&);
  };
  const Mangle mangles[] = {
      {"id too long", [](ns_PLX::HttpDnsAccount& a) { a.id += "A"; }},
      {"secret not base64", [](ns_PLX::HttpDnsAccount& a) { a.secret[10] = '*'; }},
      {"access key too short", [](ns_PLX::HttpDnsAccount& a) { a.access_key.pop_back(); }},
      {"extra character elsewhere", [](ns_PLX::HttpDnsAccount& a) { a.id = "M=TAwMjMx"; }},
  };
  for (const Mangle& mangle : mangles) {
    ns_PLX::HttpDnsAccount bad = orbtest::TestAccount();
    mangle.apply(bad);
    EXPECT_FALSE(ns_PLX::UnscrambleAccount(bad).has_value()) << mangle.what;
  }
}

struct ParseCase {
  const char* answer;
  std::vector<std::string> addresses;
};

class HttpDnsParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(HttpDnsParse, ReadsTheQuotedList) {
  EXPECT_THAT(ns_PLX::ParseHttpDnsAnswer(GetParam().answer, 3),
              ElementsAreArray(GetParam().addresses));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HttpDnsParse,
    ::testing::Values(ParseCase{"[]", {}}, ParseCase{"", {}}, ParseCase{"[", {}},
                      ParseCase{"]", {}}, ParseCase{"\"1.2.3.4\"", {}},
                      ParseCase{"[\"1.2.3.4\"]", {"1.2.3.4"}},
                      ParseCase{"[ \"1.2.3.4\" , \"5.6.7.8\" ]\n", {"1.2.3.4", "5.6.7.8"}},
                      ParseCase{"[\"1.2.3.4\",,\"5.6.7.8\",]", {"1.2.3.4", "5.6.7.8"}},
                      ParseCase{"[1.2.3.4]", {}}, ParseCase{"[\"1.2.3.4]", {}},
                      ParseCase{"[\"\"]", {}}, ParseCase{"[\"\t1.2.3.4\"]", {}},
                      ParseCase{"[\"1.2.3.256\",\"1.2.3\",\"1.2.3.4.5\",\"-1.2.3.4\"]", {}},
                      ParseCase{"[\"0.1.2.3\",\"224.0.0.1\",\"255.255.255.255\",\"01.2.3.4\"]", {}},
                      ParseCase{"[\"1.1.1.1\",\"2.2.2.2\",\"3.3.3.3\",\"4.4.4.4\"]",
                                {"1.1.1.1", "2.2.2.2", "3.3.3.3"}}));

TEST(Ipv4Text, OnlyPlainDottedQuads) {
  const auto parsed = ns_PLX::ParseIpv4("192.168.0.255");
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(*parsed, (ns_PLX::Ipv4{192, 168, 0, 255}));
  EXPECT_EQ(ns_PLX::FormatIpv4(*parsed), "192.168.0.255");
  EXPECT_TRUE(ns_PLX::ParseIpv4("0.0.0.0").has_value());
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.4.", ".1.2.3.4", "1..2.3", "256.1.1.1",
                          "01.2.3.4", "1.2.3.0004", "1.2.3.+4", "1.2.3.4 ", " 1.2.3.4", "1.2.3.x",
                          "0x7f.0.0.1", "2130706433"}) {
    EXPECT_FALSE(ns_PLX::ParseIpv4(bad).has_value()) << bad;
  }
}

// --- URL parts -------------------------------------------------------------------------------

TEST(UrlSplit, PartsOfDownloadUrls) {
  const auto full = ns_PLX::SplitUrl("https://dl.example.invalid:8443/a/b.exe?x=1");
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(full->scheme, "https");
  EXPECT_EQ(full->host, "dl.example.invalid:8443");
  EXPECT_EQ(full->name, "dl.example.invalid");
  EXPECT_EQ(full->port, "8443");
  EXPECT_EQ(full->path, "/a/b.exe?x=1");

  const auto bare = ns_PLX::SplitUrl("http://example.invalid");
  ASSERT_TRUE(bare.has_value());
  EXPECT_EQ(bare->host, "example.invalid");
  EXPECT_EQ(bare->port, "");
  EXPECT_EQ(bare->path, "");

  for (const char* bad : {"example.invalid/a", "http://", "http://:80/a", "http://h:0/a",
                          "http://h:65536/a", "http://h:8x/a", "http://[::1]/a", "http://u:p@h/a"}) {
    EXPECT_FALSE(ns_PLX::SplitUrl(bad).has_value()) << bad;
  }
}

}  // namespace
