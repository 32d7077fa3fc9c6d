#include "downloader/content_length.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "downloader/http_request.h"
#include "tests/downloader/log_tail.h"
#include "tests/downloader/peer.h"
#include "tests/support/test_server.h"

namespace {

using namespace std::chrono_literals;
using ns_PLX::QueryContentLength;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::vector<std::string> Methods(const std::vector<orbtest::LoggedRequest>& requests) {
  std::vector<std::string> out;
  for (const auto& r : requests) out.push_back(r.method);
  return out;
}

using orbtest::TestServer;

TEST(QueryContentLength, TheFinalSuccessfulResponseDeclaresTheSize) {
  TestServer server;
  ORB_REQUIRE_SERVICE(server);
  struct Case {
    const char* label;
    std::string path;  // carries the tag that finds its requests in the log
    orbtest::Faults faults;
    std::int64_t size;
    std::vector<std::string> methods;  // of the requests for the tag; empty: not checked
  };
  const auto tag = [] { return orbtest::UniqueTag(); };
  const std::vector<Case> cases = {
      {"head answers", TestServer::GenPath(5000, tag()), {}, 5000, {"HEAD"}},
      {"redirects: the last response counts",
       TestServer::RedirectPath(301, TestServer::RedirectPath(302, TestServer::GenPath(1234, tag()))),
       {}, 1234, {}},
      {"head refused: the error page's length is no size, the get tells",
       TestServer::GenPath(1234, tag()), orbtest::Faults().Methods("HEAD").Status(405), 1234,
       {"HEAD", "GET"}},
      {"missing file", "/missing-" + tag() + ".bin", {}, 0, {"HEAD", "GET"}},
      {"no length anywhere", TestServer::GenPath(1234, tag()), orbtest::Faults().NoLength(), 0,
       {"HEAD", "GET"}},
      {"a redirect's length is not the file's",
       TestServer::RedirectPath(302, TestServer::GenPath(1234, tag())),
       orbtest::Faults().NoLength(), 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(QueryContentLength(Wide(server.Url(c.path, c.faults)), L""), c.size);
    if (!c.methods.empty()) {
      const std::string key = c.path.substr(c.path.rfind('/'));
      EXPECT_THAT(Methods(server.Requests(key)), ElementsAreArray(c.methods));
    }
  }
}

TEST(QueryContentLength, ReadsTheLengthLineWhateverItsCaseOrBlanks) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  struct Case {
    const char* label;
    std::string head;
    std::int64_t size;
    std::size_t requests;  // 0: libcurl may refuse the head itself, then a get follows
  };
  const std::vector<Case> cases = {
      {"usual", "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n", 1234, 1},
      {"lower case, as HTTP/2 writes it", "HTTP/1.1 200 OK\r\ncontent-length: 77\r\n", 77, 1},
      {"blanks between digits", "HTTP/1.1 200 OK\r\nContent-Length: 5 000\r\n", 5000, 1},
      {"tab before the value", "HTTP/1.1 200 OK\r\nContent-Length:\t42\r\n", 42, 1},
      {"negative", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n", 0, 0},
      {"past 64 bits", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n", 0, 1},
      {"trailing junk", "HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n", 0, 1},
      {"error status", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n", 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string name = "len-" + orbtest::UniqueTag();
    peer.Reply(name, c.head + "Connection: close\r\n\r\n");
    EXPECT_EQ(QueryContentLength(Wide(peer.HttpUrl(name)), L""), c.size);
    if (c.requests > 0) {
      EXPECT_EQ(peer.Captured(name).size(), c.requests);
    }
  }
}

TEST(QueryContentLength, AsksWithoutCachesAndUnderTheGivenHost) {
  orbtest::Peer peer;
  ORB_REQUIRE_SERVICE(peer);
  const std::string name = "probe-" + orbtest::UniqueTag();
  peer.Reply(name, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(QueryContentLength(Wide(peer.HttpUrl(name)), L"files.example.test"), 0);

  const auto captured = peer.Captured(name);
  ASSERT_EQ(captured.size(), 2u);
  const auto head = orbtest::SplitRequest(captured[0]);
  const auto get = orbtest::SplitRequest(captured[1]);
  EXPECT_EQ(head.lines.front(), "HEAD /" + name + " HTTP/1.1");
  EXPECT_EQ(get.lines.front(), "GET /" + name + " HTTP/1.1");
  for (const auto* request : {&head, &get}) {
    std::vector<std::string> ours;
    for (const auto& line : request->lines) {
      if (line.rfind("connection:", 0) == 0 || line.rfind("Cache-Control:", 0) == 0 ||
          line.rfind("Pragma:", 0) == 0 || line.rfind("Host:", 0) == 0 ||
          line.rfind("User-Agent:", 0) == 0) {
        ours.push_back(line);
      }
    }
    EXPECT_THAT(ours, ElementsAre("Host: files.example.test", "connection: close",
                                  "Cache-Control: no-cache", "Pragma: no-cache"));
  }
}

TEST(QueryContentLength, AnAddressIsAskedUnderTheRealHostName) {
  TestServer server;
  ORB_REQUIRE_SERVICE(server);
  for (const std::string host : {"probe.invalid", "probe.invalid:8080"}) {
    SCOPED_TRACE(host);
    const std::string path = TestServer::GenPath(4321, orbtest::UniqueTag());
    // The name resolves nowhere: only the address can have answered.
    EXPECT_EQ(QueryContentLength(Wide(server.Url(path)), Wide(host)), 4321);
    const auto requests = server.Requests(path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Host"), host);
  }
}

TEST(QueryContentLength, TheGetFallbackStopsAtTheHeaders) {
  TestServer server;
  ORB_REQUIRE_SERVICE(server);
  // A 200 MB file sent fast: a probe that read the body for its whole time budget would
  // take in far more than any header block.
  const std::string path = TestServer::GenPath(std::uint64_t{200} << 20, orbtest::UniqueTag());
  std::int32_t code = -1;
  ns_PLX::HttpRequest(ns_PLX::RequestKind::Post, Wide(server.Url("/_control/faults")), {}, true,
                      false,
                      R"({"path": ")" + path + R"(", "faults": {"no_length": 1}, "methods": "HEAD"})",
                      code);
  ASSERT_EQ(code, 0);

  const orbtest::LogTail log;
  EXPECT_EQ(QueryContentLength(Wide(server.Url(path, orbtest::Faults().Rate(40 << 20))), L""),
            std::int64_t{200} << 20);
  EXPECT_THAT(log.Lines(), IsEmpty()) << "the stop is no failure";

  std::vector<orbtest::LoggedRequest> requests;
  for (int i = 0; i < 100; ++i) {  // the server notices the hang-up at its next write
    requests = server.Requests(path);
    if (requests.size() == 2 && requests[1].finished) break;
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_THAT(Methods(requests), ElementsAre("HEAD", "GET"));
  EXPECT_TRUE(requests[1].finished);
  EXPECT_FALSE(requests[1].done);
  EXPECT_LT(requests[1].bytes_sent, std::uint64_t{4} << 20);

  ns_PLX::HttpRequest(ns_PLX::RequestKind::Post, Wide(server.Url("/_control/faults/clear")), {},
                      true, false, R"({"path": ")" + path + R"("})", code);
}

TEST(QueryContentLength, AStalledBodyDoesNotHoldTheProbe) {
  TestServer server;
  ORB_REQUIRE_SERVICE(server);
  const std::string path = TestServer::GenPath(1 << 20, orbtest::UniqueTag());
  const orbtest::LogTail log;
  // The head has no length; the get's body never comes.
  const std::string url = server.Url(path, orbtest::Faults().NoLength().Methods("HEAD"));
  std::int32_t code = -1;
  ns_PLX::HttpRequest(ns_PLX::RequestKind::Post, Wide(server.Url("/_control/faults")), {}, true,
                      false,
                      R"({"path": ")" + path + R"(", "faults": {"stall_after": 0, "stall_secs": 60}, "methods": "GET"})",
                      code);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(QueryContentLength(Wide(url), L""), 1 << 20);
  EXPECT_THAT(log.Lines(), IsEmpty()) << "no time-out: the probe ended at the headers";
  ns_PLX::HttpRequest(ns_PLX::RequestKind::Post, Wide(server.Url("/_control/faults/clear")), {},
                      true, false, R"({"path": ")" + path + R"("})", code);
}

}  // namespace
