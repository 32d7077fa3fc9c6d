#pragma once
// Free physical memory, for sizing transfer buffers.
#include <cstdint>
#include <optional>

namespace ns_PLX {

// Bytes of physical memory available now; nothing when the system does not say.
// Windows: the memory status's available physical memory. Linux: MemAvailable of
// /proc/meminfo (memory that can be had without swapping).
std::optional<std::uint64_t> FreePhysicalMemory();

}  // namespace ns_PLX
