#pragma once
// Drives and free space.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Bytes available to the caller on the volume that holds `folder`; 0 when unknown.
std::uint64_t FreeSpace(const std::filesystem::path& folder);

// A file's size in bytes; -1 when it is missing or cannot be read.
std::int64_t FileSize(const std::filesystem::path& file);

struct DriveSpace {
  std::wstring root;
  std::uint64_t free = 0;
};
// The root with the most free space; on a tie the first listed wins. Empty for no drives.
std::wstring MostFreeDrive(const std::vector<DriveSpace>& drives);

#if defined(_WIN32)
// The roots ("C:\" ...) of the fixed drives, in the order the system lists them.
std::vector<std::wstring> FixedDrives();
// The fixed drive with the most free space; empty when there is none.
std::wstring DriveWithMostFreeSpace();
#endif
