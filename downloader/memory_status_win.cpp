#include "downloader/memory_status.h"

#include <windows.h>

namespace ns_PLX {

std::optional<std::uint64_t> FreePhysicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
  return static_cast<std::uint64_t>(status.ullAvailPhys);
}

}  // namespace ns_PLX
