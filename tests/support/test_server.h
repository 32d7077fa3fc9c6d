#pragma once
// The shared HTTP test server (tools/testserver), started by ctest's `testserver` fixture.
// Everything here reads the server's state folder ($ORB_TESTSERVER_DIR); no sockets.
//
//   orbtest::TestServer server;
//   ORB_REQUIRE_TEST_SERVER(server);
//   auto url = server.Url(orbtest::TestServer::GenPath(10 << 20, "a.bin"),
//                         orbtest::Faults().StallAfter(4096, 30).Times(1));
//
// The server is shared by tests running in parallel: give each test its own paths (a name
// under /gen/<size>/, a file name of its own, a tag) and filter the request log by them.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orbtest {

// Byte `offset` of every /gen/<size> resource.
constexpr std::uint8_t GenByte(std::uint64_t offset) {
  return static_cast<std::uint8_t>((offset % 251) ^ ((offset >> 16) & 0xFF));
}
// `length` bytes of generated content starting at `offset`.
std::string GenBytes(std::uint64_t offset, std::size_t length);

// A name no other call, in this process or another, returns.
std::string UniqueTag();

// Faults for one URL, written as its query string. Without Times/Skip/Methods every request
// for that URL gets them.
class Faults {
 public:
  Faults& Status(int code);                              // status=
  Faults& LatencyMs(int ms);                             // latency_ms=  before the headers
  Faults& StallAfter(std::uint64_t bytes, double secs);  // stall_after= stall_secs=
  Faults& CloseAfter(std::uint64_t bytes);               // close_after=  then FIN
  Faults& ResetAfter(std::uint64_t bytes);               // reset_after=  then RST
  Faults& BadLength(std::int64_t delta);                 // bad_length=  announce true+delta
  Faults& NoLength();                                    // no_length=1
  Faults& IgnoreRange();                                 // ignore_range=1
  Faults& Rate(std::uint64_t bytes_per_second);          // rate=
  Faults& ETag(std::string_view etag);                   // etag=
  // Only the matching requests number skip+1 .. skip+n get the faults, counted per tag.
  // Times and Skip pick a fresh UniqueTag() unless Tag() gave one.
  Faults& Times(int n);
  Faults& Skip(int n);
  Faults& Methods(std::string_view comma_separated);  // e.g. "GET": HEADs pass untouched
  Faults& Tag(std::string_view tag);

  // "k=v&k=v"; empty when nothing is set.
  std::string Query() const;

 private:
  Faults& Set(std::string_view key, std::string value);
  void EnsureTag();
  std::vector<std::pair<std::string, std::string>> items_;
};

// One request as the server logged it (from <state>/requests.log).
struct LoggedRequest {
  std::uint64_t id = 0;
  std::uint64_t conn = 0;  // connection number: equal for requests on one kept-alive connection
  std::string method;
  std::string target;  // path and query as sent
  std::string range;   // the Range header, empty if none
  std::map<std::string, std::string> headers;  // names lowercased
  int status = 0;                               // 0 until the status line went out
  std::uint64_t bytes_sent = 0;                 // body bytes
  bool finished = false;                        // the exchange ended (either way)
  bool done = false;                            // the whole body went out
  std::string error;                            // why not, e.g. "close_after"
  // The header's value, empty if absent. `name` in any case.
  std::string Header(std::string_view name) const;
};

class TestServer {
 public:
  TestServer();  // reads $ORB_TESTSERVER_DIR/port and /root

  bool Available() const { return port_ > 0; }
  // Why the server is not available, for messages.
  const std::string& Error() const { return error_; }

  int Port() const { return port_; }
  std::string BaseUrl() const;                    // "http://127.0.0.1:<port>"
  std::string Url(std::string_view path) const;   // path starts with '/'
  std::string Url(std::string_view path, const Faults& faults) const;

  // "/gen/<size>" or "/gen/<size>/<name>" (same bytes; the name only makes the path unique).
  static std::string GenPath(std::uint64_t size, std::string_view name = {});
  // "/redirect/<code><target_path>"; the query of the redirect rides along to the target.
  static std::string RedirectPath(int code, std::string_view target_path);

  const std::filesystem::path& StateDir() const { return state_dir_; }
  // The served root: a file put here is served as "/<relative path>".
  const std::filesystem::path& FilesDir() const { return files_dir_; }
  // Writes `bytes` to FilesDir()/name and returns its URL path ("/name").
  std::string PutFile(std::string_view name, std::string_view bytes) const;

  // Logged requests whose target contains `target_part` (all if empty), oldest first.
  std::vector<LoggedRequest> Requests(std::string_view target_part = {}) const;

 private:
  std::filesystem::path state_dir_;
  std::filesystem::path files_dir_;
  int port_ = 0;
  std::string error_;
};

}  // namespace orbtest

// Fails the current test (and returns from it) when the server is not there; in a function
// returning void, after including <gtest/gtest.h>. A missing server is an error, not a skip.
#define ORB_REQUIRE_TEST_SERVER(server)                                            \
  if ((server).Available()) {                                                      \
  } else                                                                           \
    GTEST_FAIL() << "HTTP test server unavailable: " << (server).Error()
