#include "tests/downloader/peer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace orbtest {

Peer::Peer() {
  const char* dir = std::getenv("ORB_DOWNLOADER_PEER_DIR");
  if (dir == nullptr || *dir == '\0') {
    error_ = "ORB_DOWNLOADER_PEER_DIR is not set (ctest fixture downloader_peer)";
    return;
  }
  dir_ = dir;
  std::ifstream ports(std::filesystem::path(dir_) / "ports");
  if (!(ports >> http_port_ >> tls_port_ >> misnamed_port_)) {
    error_ = "the peer is not running: no ports in " + dir_ + " (see peer.log there)";
    http_port_ = tls_port_ = misnamed_port_ = 0;
  }
}

std::string Peer::HttpUrl(std::string_view name) const {
  return "http://127.0.0.1:" + std::to_string(http_port_) + "/" + std::string(name);
}

std::string Peer::TlsUrl(std::string_view host, std::string_view name) const {
  return "https://" + std::string(host) + ":" + std::to_string(tls_port_) + "/" +
         std::string(name);
}

std::string Peer::MisnamedUrl(std::string_view name) const {
  return "https://localhost:" + std::to_string(misnamed_port_) + "/" + std::string(name);
}

std::string Peer::CaFile() const {
#ifdef _WIN32
  return "Z:" + dir_ + "/ca.pem";  // a drive-less path would be taken as relative
#else
  return dir_ + "/ca.pem";
#endif
}

void Peer::Reply(std::string_view name, std::string_view raw) const {
  const auto folder = std::filesystem::path(dir_) / "replies";
  const auto tmp = folder / (std::string(name) + ".tmp");
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(raw.data(), static_cast<std::streamsize>(raw.size()));
  }
  std::filesystem::rename(tmp, folder / std::string(name));
}

std::vector<std::string> Peer::Captured(std::string_view name) const {
  std::vector<std::string> requests;
  const auto folder = std::filesystem::path(dir_) / "captured";
  for (int n = 0;; ++n) {
    const auto file = folder / (std::string(name) + "." + std::to_string(n));
    if (!std::filesystem::exists(file)) break;
    requests.push_back(TempDir::read(file));
  }
  return requests;
}

RawRequest SplitRequest(const std::string& raw) {
  RawRequest request;
  const std::size_t end = raw.find("\r\n\r\n");
  const std::string head = raw.substr(0, end);
  if (end != std::string::npos) request.body = raw.substr(end + 4);
  for (std::size_t at = 0; at <= head.size();) {
    std::size_t next = head.find("\r\n", at);
    if (next == std::string::npos) next = head.size();
    request.lines.push_back(head.substr(at, next - at));
    at = next + 2;
  }
  return request;
}

}  // namespace orbtest
