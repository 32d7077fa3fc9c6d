#include "tests/downloader/transfer_peers.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orbtest {

TransferPeers::TransferPeers() {
  const char* dir = std::getenv("ORB_TRANSFER_PEERS_DIR");
  if (dir == nullptr || *dir == '\0') {
    error_ = "ORB_TRANSFER_PEERS_DIR is not set (ctest fixture transfer_peers)";
    return;
  }
  dir_ = dir;
  std::ifstream ports(std::filesystem::path(dir_) / "ports");
  if (!(ports >> hosts_port_ >> primary_port_ >> secondary_port_ >> odd_port_)) {
    error_ = "not running: no ports in " + dir_ + " (see peers.log there)";
    hosts_port_ = 0;
  }
}

std::string TransferPeers::Primary() const { return "127.0.0.1:" + std::to_string(primary_port_); }
std::string TransferPeers::Secondary() const {
  return "127.0.0.1:" + std::to_string(secondary_port_);
}
namespace {

std::string FileIn(const std::string& dir, const char* name) {
#ifdef _WIN32
  return "Z:" + dir + "/" + name;  // a drive-less path would be taken as relative
#else
  return dir + "/" + name;
#endif
}

}  // namespace

std::string TransferPeers::CaFile() const { return FileIn(dir_, "ca.pem"); }
std::string TransferPeers::OtherCaFile() const { return FileIn(dir_, "other_ca.pem"); }

std::string TransferPeers::OddUrl() const { return "http://127.0.0.1:" + std::to_string(odd_port_); }

ns_PLX::HttpDnsSettings TransferPeers::HttpDns() const {
  ns_PLX::HttpDnsSettings settings;
  settings.account = TestAccount();
  settings.primary = Primary();
  settings.secondary = Secondary();
  return settings;
}

namespace {

std::vector<std::string> LinesWith(const std::filesystem::path& file, std::string_view prefix,
                                   std::string_view part) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0 && line.find(part) != std::string::npos) {
      lines.push_back(line.substr(prefix.size()));
    }
  }
  return lines;
}

}  // namespace

std::vector<std::string> TransferPeers::ResolverTargets(std::string_view role) const {
  return LinesWith(std::filesystem::path(dir_) / "dns.log", std::string(role) + " ", "");
}

std::vector<std::string> TransferPeers::HostRequests(int number, std::string_view part) const {
  return LinesWith(std::filesystem::path(dir_) / "hosts" / (std::to_string(number) + ".log"), "",
                   part);
}

ns_PLX::HttpDnsAccount TestAccount() {
  // The same stored texts as in transfer_peers.py, which decodes them on its own.
  return {"MTZAwMjMx", "Nk9Q22YzYzlhMWU1YjJkNGY2YThjMGUxYjNkNWY3YTljMmU=",
          "QUt0Zu7Yx1XN0MDEyMzQ1Njc4OWFiY2RlZmdo"};
}

}  // namespace orbtest
