#include "downloader/memory_status.h"

#include <fstream>
#include <sstream>
#include <string>

namespace ns_PLX {

std::optional<std::uint64_t> FreePhysicalMemory() {
  try {
    std::ifstream meminfo("/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
      std::istringstream fields(line);
      std::string name, unit;
      std::uint64_t kib = 0;
      if (!(fields >> name >> kib >> unit) || name != "MemAvailable:" || unit != "kB") continue;
      if (kib > (~std::uint64_t{0} >> 10)) return std::nullopt;
      return kib << 10;
    }
  } catch (...) {
  }
  return std::nullopt;
}

}  // namespace ns_PLX
