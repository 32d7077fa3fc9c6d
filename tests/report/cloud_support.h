#pragma once
// The cloud stand-in (tools/cloud) seen from a test: its ports, its journal of everything it
// received, and rules that make a host or an endpoint fail, answer otherwise or wait.
// Reads the state folder named by $ORB_CLOUD_DIR (the ctest fixture `cloud`); no sockets.
//
//   orbtest::Cloud cloud;
//   ORB_REQUIRE_CLOUD(cloud);
//   const std::string sn = orbtest::UniqueTag();          // scopes journal lines and rules
//   orbtest::ScopedCloudRule fail(cloud, orbtest::CloudRule().Host("main").Match(sn).Code(401));
//   ... call the code under test with cloud.BaseUrl("main") / cloud.BaseUrl("fallback") ...
//   for (const auto& r : cloud.Requests(sn)) { r.host, r.HeaderLines(), r.body, r.checks }
//
// The stand-in is shared by tests running in parallel: put a unique tag into every request
// (a client sign, a file name) and give every rule a Match() on it.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/test_server.h"  // UniqueTag

namespace orbtest {

// One verdict of the stand-in on a request, e.g. {"headers", false, "got [...], want [...]"}.
struct CloudCheck {
  std::string name;
  bool ok = false;
  std::string detail;
};

struct CloudFormPart {
  std::string name;
  std::string filename;
  std::uint64_t size = 0;
  std::string sha256;  // lower-case hex of the part's bytes
};

// One journal line.
struct CloudRequest {
  std::uint64_t seq = 0;
  std::string host;      // "main" or "fallback"
  std::string endpoint;  // "token", "upload_log", "analytics", ... "file" for anything else
  std::string version;   // "HTTP/1.0" or "HTTP/1.1"
  std::string method;
  std::string target;  // path and query as sent
  std::string path;
  std::vector<std::pair<std::string, std::string>> query;
  std::vector<std::pair<std::string, std::string>> headers;  // as sent, in order
  std::string body;                                          // the bytes received
  int status = 0;  // 0: dropped, or answered by the file server
  bool dropped = false;
  std::string reply;
  std::string rule;  // id of the rule that applied, empty if none
  std::string issued_token;  // token requests: the access token handed out
  std::vector<CloudCheck> checks;
  bool ok = false;                      // every check passed
  std::vector<CloudFormPart> form;      // multipart uploads
  std::filesystem::path stored;         // where the uploaded file was kept
  std::string batch;                    // analytics: the decoded batch text, byte for byte
  std::vector<std::string> records;     // analytics: each record, printed without whitespace

  std::string Header(std::string_view name) const;  // first value, any case; empty if absent
  bool HasHeader(std::string_view name) const;
  // "Name: value" lines in order, without those the transfer library adds itself (Host,
  // User-Agent, Accept, Content-Length, Expect, Connection, Accept-Encoding).
  std::vector<std::string> HeaderLines() const;
  std::string Query(std::string_view key) const;
  const CloudCheck* Check(std::string_view name) const;  // nullptr when not made
  std::string FailedChecks() const;                       // for failure messages
};

// A rule for the stand-in. Without Host/Path/Methods/Match it applies to every request.
class CloudRule {
 public:
  CloudRule& Host(std::string_view host);    // "main", "fallback"
  CloudRule& Path(std::string_view path);    // exact, or a prefix ending in '*'
  CloudRule& Methods(std::string_view comma_separated);
  CloudRule& Match(std::string_view text);   // must occur in the target, a header or the body
  CloudRule& Count(int n);                   // only n requests (after Skip) get it
  CloudRule& Skip(int n);
  // Actions (combine DelayMs with any other).
  CloudRule& Code(int code);                 // 200 {"code":N,"msg":"error N"}
  CloudRule& Status(int status);             // that HTTP status, short text body
  CloudRule& Body(std::string_view text);    // 200 (or Status) with this text
  CloudRule& Reply(std::string_view json);   // 200 (or Status) with this JSON text
  CloudRule& Html();                         // 502 with an HTML error page
  CloudRule& Empty();                        // 200 with an empty body
  CloudRule& Drop();                         // close the connection without an answer
  CloudRule& DelayMs(int ms);                // wait before answering

  std::string Json() const;

 private:
  std::vector<std::pair<std::string, std::string>> selectors_;  // key, JSON value text
  std::vector<std::pair<std::string, std::string>> action_;
};

class Cloud {
 public:
  Cloud();  // reads $ORB_CLOUD_DIR

  bool Available() const { return !ports_.empty(); }
  const std::string& Error() const { return error_; }

  int Port(std::string_view host = "main") const;  // 0 for an unknown host
  std::string BaseUrl(std::string_view host = "main") const;  // "http://127.0.0.1:<port>"

  const std::filesystem::path& StateDir() const { return state_dir_; }
  const std::filesystem::path& JournalFile() const { return journal_; }
  // Served as "/<relative path>" by every host; "runtime/<product id>.xml" replaces the
  // generated runtime document of that product.
  const std::filesystem::path& FilesDir() const { return files_dir_; }
  std::string PutFile(std::string_view name, std::string_view bytes) const;

  // Journal lines that contain `contains` anywhere (all if empty), oldest first.
  std::vector<CloudRequest> Requests(std::string_view contains = {}) const;
  // The lines that contain `tag`, or a token issued to a request that contained it: a
  // client's whole conversation, also the calls that carry only its token.
  std::vector<CloudRequest> Trail(std::string_view tag) const;

  // Rules are files in <state>/rules/<id>.json, written aside and renamed.
  bool SetRule(std::string_view id, const CloudRule& rule) const;
  void ClearRule(std::string_view id) const;

 private:
  std::filesystem::path state_dir_;
  std::filesystem::path files_dir_;
  std::filesystem::path journal_;
  std::vector<std::pair<std::string, int>> ports_;
  std::string error_;
};

// A rule that lasts as long as the object.
class ScopedCloudRule {
 public:
  ScopedCloudRule(const Cloud& cloud, const CloudRule& rule);
  ~ScopedCloudRule();
  ScopedCloudRule(const ScopedCloudRule&) = delete;
  ScopedCloudRule& operator=(const ScopedCloudRule&) = delete;
  bool ok() const { return ok_; }

 private:
  const Cloud& cloud_;
  std::string id_;
  bool ok_ = false;
};

// The process log (g_simpleLog), opened once per test process in a temporary folder, for
// tests that check log lines.
class TestLog {
 public:
  static TestLog& Get();
  // Lines written so far that contain `part`.
  std::vector<std::string> Lines(std::string_view part) const;

 private:
  TestLog();
  std::filesystem::path file_;
};

// A path the stand-in (a Linux process) can be handed or has written, as this process
// opens it: under wine a Linux absolute path gets the Z: drive.
std::filesystem::path HostPath(std::string_view linux_path);

}  // namespace orbtest

// Fails the current test (and returns from it) when the stand-in is not there.
#define ORB_REQUIRE_CLOUD(cloud)     \
  if ((cloud).Available()) {         \
  } else                             \
    GTEST_FAIL() << "cloud stand-in unavailable: " << (cloud).Error()
