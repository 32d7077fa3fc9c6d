#include <windows.h>

#include "platform/disk.h"

std::uint64_t FreeSpace(const std::filesystem::path& folder) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

std::int64_t FileSize(const std::filesystem::path& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return -1;
  }
  ULARGE_INTEGER size{};
  size.LowPart = data.nFileSizeLow;
  size.HighPart = data.nFileSizeHigh;
  return static_cast<std::int64_t>(size.QuadPart);
}

std::vector<std::wstring> FixedDrives() {
  std::vector<std::wstring> roots;
  DWORD needed = ::GetLogicalDriveStringsW(0, nullptr);
  std::wstring list;
  for (int attempt = 0; attempt < 4 && needed > 0; ++attempt) {
    list.assign(needed + 1, L'\0');
    const DWORD got = ::GetLogicalDriveStringsW(static_cast<DWORD>(list.size()), list.data());
    if (got == 0) return roots;
    if (got < list.size()) {
      list.resize(got);
      break;
    }
    needed = got;  // a drive appeared between the calls
    list.clear();
  }
  for (size_t at = 0; at < list.size();) {
    const size_t end = list.find(L'\0', at);
    const std::wstring root = list.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    if (root.empty()) break;
    if (::GetDriveTypeW(root.c_str()) == DRIVE_FIXED) roots.push_back(root);
    if (end == std::wstring::npos) break;
    at = end + 1;
  }
  return roots;
}

std::wstring DriveWithMostFreeSpace() {
  std::vector<DriveSpace> drives;
  for (std::wstring& root : FixedDrives()) {
    const std::uint64_t free = FreeSpace(root);
    drives.push_back({std::move(root), free});
  }
  return MostFreeDrive(drives);
}
