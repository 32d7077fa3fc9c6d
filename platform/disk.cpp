#include "platform/disk.h"

std::wstring MostFreeDrive(const std::vector<DriveSpace>& drives) {
  const DriveSpace* best = nullptr;
  for (const DriveSpace& drive : drives) {
    if (!best || drive.free > best->free) best = &drive;
  }
  return best ? best->root : std::wstring();
}
