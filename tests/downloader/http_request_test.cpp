#include "downloader/http_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/downloader/log_tail.h"
#include "tests/downloader/peer.h"
#include "tests/support/test_server.h"

namespace {

using namespace std::chrono_literals;
using ns_PLX::HeaderList;
using ns_PLX::HttpRequest;
using ns_PLX::HttpSettings;
using ns_PLX::RequestKind;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool StartsWithNoCase(const std::string& line, const std::string& lower_prefix) {
  if (line.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[i])) != lower_prefix[i]) return false;
  }
  return true;
}

// The caller's lines, in the caller's order, are the request's lines of those names.
std::vector<std::string> LinesNamed(const std::vector<std::string>& lines,
                                    const std::vector<std::string>& lower_names) {
  std::vector<std::string> out;
  for (const auto& line : lines) {
    for (const auto& name : lower_names) {
      if (StartsWithNoCase(line, name + ":")) {
        out.push_back(line);
        break;
      }
    }
  }
  return out;
}

struct WireCase {
  const char* label;
  RequestKind kind;
  bool http10;
  HeaderList headers;
  std::string body;
  const char* request_line;  // "%s" stands for the path
  std::string sent_body;
  std::string reply;
};

TEST(HttpRequest, SendsExactlyTheCallersMethodHeadersAndBody) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  const std::string binary("{\"a\":1}\r\nline\nzero\0byte\xff", 24);
  const std::vector<WireCase> cases = {
      {"get, HTTP/1.0", RequestKind::Get, true,
       {"Cache-Control: no-cache", "X-Second: 2", "x-third: three"}, "not sent",
       "GET /%s HTTP/1.0", "", "ok\n"},
      {"head, HTTP/1.1", RequestKind::Head, false, {"X-Only: 1"}, "not sent",
       "HEAD /%s HTTP/1.1", "", ""},
      {"post with the caller's type", RequestKind::Post, true,
       {"Content-Type: application/json", "Authorization: Bearer t0k"}, binary,
       "POST /%s HTTP/1.0", binary, "ok\n"},
      {"post without a type", RequestKind::Post, true, {}, "k=v", "POST /%s HTTP/1.0", "k=v",
       "ok\n"},
      {"empty post", RequestKind::Post, true, {}, "", "POST /%s HTTP/1.0", "", "ok\n"},
      {"unknown kind", static_cast<RequestKind>(7), true, {"X-A: 1"}, "not sent",
       "GET /%s HTTP/1.0", "", "ok\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string name = "wire-" + orbtest::UniqueTag();
    std::int32_t code = -1;
    const std::string text =
        HttpRequest(c.kind, Wide(peer.HttpUrl(name)), c.headers, c.http10, false, c.body, code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text, c.reply);

    const auto captured = peer.Captured(name);
    ASSERT_EQ(captured.size(), 1u);
    const auto request = orbtest::SplitRequest(captured[0]);
    char line[256];
    std::snprintf(line, sizeof line, c.request_line, name.c_str());
    EXPECT_EQ(request.lines.front(), line);
    std::vector<std::string> names;
    for (const auto& h : c.headers) {
      std::string n = h.substr(0, h.find(':'));
      std::transform(n.begin(), n.end(), n.begin(), [](unsigned char ch) { return std::tolower(ch); });
      names.push_back(n);
    }
    EXPECT_THAT(LinesNamed(request.lines, names), ElementsAreArray(c.headers));
    EXPECT_THAT(LinesNamed(request.lines, {"user-agent", "accept-encoding", "expect"}), IsEmpty());
    if (c.kind == RequestKind::Post) {
      EXPECT_THAT(LinesNamed(request.lines, {"content-length"}),
                  ElementsAreArray({"Content-Length: " + std::to_string(c.sent_body.size())}));
      if (c.headers.empty()) {
        EXPECT_THAT(LinesNamed(request.lines, {"content-type"}), IsEmpty());
      }
    }
    EXPECT_EQ(request.body, c.sent_body);
  }
}

TEST(HttpRequest, RepliesLoseTheirCrLfPairsAndKeepEverythingElse) {
  orbtest::TestServer server;
  ORB_REQUIRE_SERVICE(server);
  struct Case {
    std::string body;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"one\r\ntwo\nthree\r\n", "onetwo\nthree"},
      {std::string("a\0b\r\n\0", 6), std::string("a\0b\0", 4)},
      {"\r\r\n\n", "\r\n"},  // one pass: the pair left behind stays
      {"", ""},
  };
  for (const auto& c : cases) {
    const std::string path = server.PutFile("crlf-" + orbtest::UniqueTag() + ".txt", c.body);
    std::int32_t code = -1;
    EXPECT_EQ(HttpRequest(RequestKind::Get, Wide(server.Url(path)), {}, true, false, {}, code),
              c.expected);
    EXPECT_EQ(code, 0);

    // With the headers: the raw head first, CR LF intact, then the cleaned body.
    const std::string text =
        HttpRequest(RequestKind::Get, Wide(server.Url(path)), {}, false, true, {}, code);
    EXPECT_EQ(code, 0);
    const std::size_t head_end = text.find("\r\n\r\n");
    ASSERT_NE(head_end, std::string::npos) << text;
    EXPECT_EQ(text.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nContent-Length: " + std::to_string(c.body.size()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(head_end + 4), c.expected);
  }
}

TEST(HttpRequest, AnErrorStatusIsASuccessfulCallWithThatPage) {
  orbtest::TestServer server;
  ORB_REQUIRE_SERVICE(server);
  for (const int status : {404, 500, 503}) {
    std::int32_t code = -1;
    const std::string url = server.Url(orbtest::TestServer::GenPath(100, orbtest::UniqueTag()),
                                       orbtest::Faults().Status(status));
    EXPECT_EQ(HttpRequest(RequestKind::Get, Wide(url), {}, true, false, {}, code),
              "status " + std::to_string(status) + "\n");
    EXPECT_EQ(code, 0);
  }
}

TEST(HttpRequest, FailuresGiveLibcurlsCodeWhatArrivedAndOneLogLine) {
  orbtest::TestServer server;
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(server);
  ORB_REQUIRE_SERVICE(peer);
  HttpSettings quick;
  quick.connect_timeout = 2s;
  quick.request_timeout = 1500ms;
  HttpSettings small = quick;
  small.max_response_bytes = 64 << 10;
  HttpSettings two_hops = quick;
  two_hops.max_redirects = 2;

  const std::string tag = orbtest::UniqueTag();
  peer.Reply("to-file-" + tag,
             "HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\nContent-Length: 0\r\n\r\n");
  const std::string injected = "inject-" + tag;
  struct Case {
    const char* label;
    std::wstring url;
    HeaderList headers;
    HttpSettings settings;
    std::int32_t code;
    std::string text;
    std::vector<std::string> log;
  };
  auto perform_failed = [](int code) {
    return "[ERROR] curl request, curl easy perform failed, code=[" + std::to_string(code) + "].";
  };
  const std::vector<Case> cases = {
      {"connection refused", L"http://127.0.0.1:1/x", {}, quick, 7, "", {perform_failed(7)}},
      {"no answer in time",
       Wide(server.Url(orbtest::TestServer::GenPath(100, tag), orbtest::Faults().LatencyMs(20000))),
       {}, quick, 28, "", {perform_failed(28)}},
      {"stalled body keeps what came",
       Wide(server.Url(orbtest::TestServer::GenPath(100000, tag),
                       orbtest::Faults().StallAfter(1000, 30))),
       {}, quick, 28, orbtest::GenBytes(0, 1000), {perform_failed(28)}},
      {"reply above the limit",
       Wide(server.Url(orbtest::TestServer::GenPath(1 << 20, tag))), {}, small, 23,
       "", {"[WARN] curl request, response over [65536] bytes, transfer stopped.",
                                 perform_failed(23)}},
      {"redirect loop",
       Wide(server.Url(orbtest::TestServer::RedirectPath(
           302, orbtest::TestServer::RedirectPath(
                    302, orbtest::TestServer::RedirectPath(302, orbtest::TestServer::GenPath(10)))))),
       {}, two_hops, 47, "", {perform_failed(47)}},
      {"scheme other than http", L"file:///etc/hostname", {}, quick, 1, "", {perform_failed(1)}},
      {"redirect to a file", Wide(peer.HttpUrl("to-file-" + tag)), {}, quick, 1, "",
       {perform_failed(1)}},
      {"url that is not text", std::wstring(L"http://127.0.0.1/") + wchar_t(0xD800), {}, quick,
       3, "", {perform_failed(3)}},
      {"header line with a line break", Wide(peer.HttpUrl(injected)),
       {"X-A: 1\r\nX-Injected: 1"}, quick, 43, "",
       {"[ERROR] curl request, header line refused, it holds a line break."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const orbtest::LogTail log;
    std::int32_t code = -1;
    const std::string text =
        HttpRequest(RequestKind::Get, c.url, c.headers, true, false, {}, code, ns_PLX::TlsCheck::kVerify, c.settings);
    EXPECT_EQ(code, c.code);
    if (c.code == 23) {
      // Whatever arrived within the limit, and nothing past it.
      EXPECT_LE(text.size(), c.settings.max_response_bytes);
      EXPECT_EQ(text, orbtest::GenBytes(0, text.size()));
    } else {
      EXPECT_EQ(text, c.text);
    }
    EXPECT_THAT(log.Lines(), ElementsAreArray(c.log));
  }
  EXPECT_THAT(peer.Captured(injected), IsEmpty());
}

TEST(HttpRequest, ThreadsRunTheirOwnExchangesAtOnce) {
  orbtest::TestServer server;
  ORB_REQUIRE_SERVICE(server);
  constexpr int kThreads = 8;
  std::vector<std::string> got(kThreads);
  std::vector<std::int32_t> codes(kThreads, -1);
  {
    std::vector<std::jthread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([&, i] {
        const std::string url =
            server.Url(orbtest::TestServer::GenPath(1000 + i, orbtest::UniqueTag()),
                       orbtest::Faults().LatencyMs(100));
        got[i] = HttpRequest(RequestKind::Get, Wide(url), {}, true, false, {}, codes[i]);
      });
    }
  }
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(codes[i], 0);
    EXPECT_EQ(got[i], orbtest::GenBytes(0, 1000 + i)) << i;
  }
}

}  // namespace
