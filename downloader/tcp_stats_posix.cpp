#include "downloader/tcp_stats.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ns_PLX {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

std::optional<std::uint64_t> TcpReceivedSegments() {
  try {
    std::ifstream snmp("/proc/net/snmp");
    // Two "Tcp:" lines: the field names, then their values.
    std::vector<std::string> names;
    for (std::string line; std::getline(snmp, line);) {
      if (line.rfind("Tcp:", 0) != 0) continue;
      if (names.empty()) {
        names = Words(line);
        continue;
      }
      const std::vector<std::string> values = Words(line);
      for (std::size_t i = 1; i < names.size() && i < values.size(); ++i) {
        if (names[i] != "InSegs") continue;
        std::uint64_t segments = 0;
        const std::string& text = values[i];
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), segments);
        if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
        return segments;
      }
      return std::nullopt;
    }
  } catch (...) {
  }
  return std::nullopt;
}

}  // namespace ns_PLX
