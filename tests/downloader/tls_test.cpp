#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "downloader/content_length.h"
#include "downloader/http_form_upload.h"
#include "downloader/http_request.h"
#include "downloader/url_parts.h"
#include "tests/downloader/log_tail.h"
#include "tests/downloader/peer.h"
#include "tests/downloader/system_trust.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

using ns_PLX::HttpRequest;
using ns_PLX::HttpSettings;
using ns_PLX::RequestKind;
using ns_PLX::TlsCheck;
using ::testing::IsEmpty;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The peer's authority, trusted in place of the system's roots. libcurl checks the chain
// and the name itself then, on every system, so these cases hold under wine as well.
HttpSettings Trusting(const orbtest::Peer& peer) {
  HttpSettings settings;
  settings.ca_file = peer.CaFile();
  return settings;
}

std::vector<std::string> Warnings(const orbtest::LogTail& log) {
  std::vector<std::string> out;
  for (const auto& line : log.Lines()) {
    if (line.rfind("[WARN]", 0) == 0) out.push_back(line);
  }
  return out;
}

const std::string kKeptOn = "[WARN] curl request, tls check kept on, host is not an address.";

TEST(TlsChecks, StayOnUnlessTheResolverAddressIsExempted) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  struct Case {
    const char* label;
    std::string url;  // "%s" stands for the request's name
    TlsCheck tls;
    bool reaches;
    std::vector<std::string> warnings;
  };
  const std::string any = "%s";
  const std::vector<Case> cases = {
      {"certificate names the host", peer.TlsUrl("localhost", any), TlsCheck::kVerify, true, {}},
      {"certificate names another host", peer.MisnamedUrl(any), TlsCheck::kVerify, false, {}},
      {"certificate names no address", peer.TlsUrl("127.0.0.1", any), TlsCheck::kVerify, false,
       {}},
      {"resolver exception for an address", peer.TlsUrl("127.0.0.1", any),
       TlsCheck::kSkipForResolverAddress, true, {}},
      {"resolver exception refused for a name", peer.MisnamedUrl(any),
       TlsCheck::kSkipForResolverAddress, false, {kKeptOn}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string name = "tls-" + orbtest::UniqueTag();
    std::string url = c.url;
    url.replace(url.find(any), any.size(), name);
    const orbtest::LogTail log;
    std::int32_t code = -1;
    const std::string text = HttpRequest(RequestKind::Get, Wide(url), {}, true, false, {}, code,
                                         c.tls, Trusting(peer));
    EXPECT_EQ(text, c.reaches ? "ok\n" : "");
    EXPECT_EQ(code == 0, c.reaches) << code;
    // A refused certificate ends the exchange before the request is sent.
    EXPECT_EQ(peer.Captured(name).size(), c.reaches ? 1u : 0u);
    EXPECT_EQ(Warnings(log), c.warnings);
  }
}

TEST(TlsChecks, TheExemptResolverIsNotFollowedElsewhere) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  const std::string name = "hop-" + orbtest::UniqueTag();
  const std::string landed = "landed-" + orbtest::UniqueTag();
  peer.Reply(name, "HTTP/1.1 302 Found\r\nLocation: " + peer.HttpUrl(landed) +
                       "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  std::int32_t code = -1;
  EXPECT_EQ(HttpRequest(RequestKind::Get, Wide(peer.TlsUrl("127.0.0.1", name)), {}, true, false,
                        {}, code, TlsCheck::kSkipForResolverAddress),
            "");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(peer.Captured(name).size(), 1u);
  EXPECT_THAT(peer.Captured(landed), IsEmpty());
}

TEST(TlsChecks, UploadsAreChecked) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  orbtest::TempDir dir;
  const auto file = dir.write("checked.log", "x");
  for (const bool named : {true, false}) {
    SCOPED_TRACE(named ? "certificate names the host" : "certificate names another host");
    const std::string name = "tlsup-" + orbtest::UniqueTag();
    std::int32_t code = -1;
    const std::string url = named ? peer.TlsUrl("localhost", name) : peer.MisnamedUrl(name);
    const std::string text =
        ns_PLX::HttpFormUpload(url, {}, file.string(), code, Trusting(peer));
    EXPECT_EQ(code == 0, named) << code;
    EXPECT_EQ(text, named ? "ok\n" : "");
    EXPECT_EQ(peer.Captured(name).size(), named ? 1u : 0u);
  }
}

// The host table probes each address of a host over https: the certificate is checked
// against the real host's name, which a bare address could never match.
TEST(TlsChecks, AnAddressProbeIsCheckedAgainstTheRealHost) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  struct Case {
    const char* label;
    std::wstring host;
    std::int64_t size;
  };
  const std::vector<Case> cases = {
      {"named by the certificate", L"probe.test", 987654},
      {"named with a port", L"probe.test:" + std::to_wstring(peer.TlsPort()), 987654},
      {"not named by the certificate", L"other.test", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string name = "tlsprobe-" + orbtest::UniqueTag();
    peer.Reply(name, "HTTP/1.1 200 OK\r\nContent-Length: 987654\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(ns_PLX::QueryContentLength(Wide(peer.TlsUrl("127.0.0.1", name)), c.host,
                                         Trusting(peer)),
              c.size);
    const auto captured = peer.Captured(name);
    if (c.size == 0) {
      EXPECT_THAT(captured, IsEmpty());
      continue;
    }
    ASSERT_EQ(captured.size(), 1u);
    const auto lines = orbtest::SplitRequest(captured[0]).lines;
    const std::string host_line = "Host: " + std::string(c.host.begin(), c.host.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), host_line), lines.end());
  }
}

// With the system's roots (the product's setting) the peer's authority is unknown.
TEST(TlsChecks, TheSystemRootsRefuseAnUnknownAuthority) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  if (!orbtest::SystemChecksCertificates()) {
    GTEST_SKIP() << "wine's Schannel accepts any certificate unless the program checks it; "
                    "the cases above cover libcurl's own checks";
  }
  orbtest::TempDir dir;
  const auto file = dir.write("unknown.log", "x");
  const std::string tag = orbtest::UniqueTag();
  peer.Reply("sys-probe-" + tag, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");

  std::int32_t code = -1;
  EXPECT_EQ(HttpRequest(RequestKind::Get, Wide(peer.TlsUrl("localhost", "sys-get-" + tag)), {},
                        true, false, {}, code),
            "");
  EXPECT_NE(code, 0);
  code = -1;
  EXPECT_EQ(ns_PLX::HttpFormUpload(peer.TlsUrl("localhost", "sys-up-" + tag), {}, file.string(),
                                   code),
            "");
  EXPECT_NE(code, 0);
  EXPECT_EQ(ns_PLX::QueryContentLength(Wide(peer.TlsUrl("127.0.0.1", "sys-probe-" + tag)),
                                       L"probe.test"),
            0);
  for (const char* kind : {"sys-get-", "sys-up-", "sys-probe-"}) {
    EXPECT_THAT(peer.Captured(kind + tag), IsEmpty()) << kind;
  }
}

}  // namespace

// The TLS exemption hangs on this test: a name that merely starts like an address
// ("1.2.3.4.x") must never pass for one.
TEST(TlsChecks, OnlyAFourPartDottedQuadCountsAsAnAddress) {
  EXPECT_TRUE(ns_PLX::IsIpv4Address("127.0.0.1"));
  EXPECT_TRUE(ns_PLX::IsIpv4Address("255.255.255.255"));
  for (const char* name : {"1.2.3.4.5", "1.2.3.4.x", "1.2.3.4.", "1.2.3", "1.2.3.256", "x.1.2.3.4", "localhost", ""}) {
    EXPECT_FALSE(ns_PLX::IsIpv4Address(name)) << name;
  }
}
