#pragma once
// The helper tests' own peer (peer_server.py, ctest fixture `downloader_peer`): the raw
// bytes of every request, replies laid down byte for byte, and a TLS listener whose
// certificate names localhost and probe.test under a throwaway authority.
#include <string>
#include <string_view>
#include <vector>

namespace orbtest {

class Peer {
 public:
  Peer();  // reads $ORB_DOWNLOADER_PEER_DIR

  bool Available() const { return http_port_ > 0; }
  // Why the peer is not available, for messages.
  const std::string& Error() const { return error_; }

  // "http://127.0.0.1:<port>/<name>" and "https://<host>:<tls port>/<name>".
  std::string HttpUrl(std::string_view name) const;
  std::string TlsUrl(std::string_view host, std::string_view name) const;
  // "https://localhost:<port>/<name>" of the listener whose certificate names only
  // misnamed.test.
  std::string MisnamedUrl(std::string_view name) const;
  int TlsPort() const { return tls_port_; }
  // The authority's certificate, as a path libcurl can open on this system.
  std::string CaFile() const;

  // The next requests for /<name> get `raw` as their whole answer.
  void Reply(std::string_view name, std::string_view raw) const;
  // Raw requests for /<name> received so far, oldest first.
  std::vector<std::string> Captured(std::string_view name) const;

 private:
  std::string dir_;
  int http_port_ = 0;
  int tls_port_ = 0;
  int misnamed_port_ = 0;
  std::string error_;
};

// Splits a raw request into its head lines (request line first) and its body.
struct RawRequest {
  std::vector<std::string> lines;
  std::string body;
};
RawRequest SplitRequest(const std::string& raw);

}  // namespace orbtest

// Fails the current test and returns from it when `service` (this peer or the shared test
// server) is not running: a missing service is an error, not a skip.
#define ORB_REQUIRE_SERVICE(service) \
  if ((service).Available()) {       \
  } else                             \
    GTEST_FAIL() << "test service unavailable: " << (service).Error()
