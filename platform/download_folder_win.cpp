#include "platform/download_folder.h"

#include <windows.h>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "platform/disk.h"
#include "platform/folders.h"

namespace {

std::wstring DriveDownloadFolder(const std::wstring& root, const std::wstring& brand) {
  return root + (brand.empty() ? std::wstring() : brand + L"\\") + L"Download\\";
}

bool SameDrive(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Step 2 of the rule: a folder on the drive with the most free space, created.
std::wstring MostFreeFolder(const std::wstring& brand) {
  const std::wstring root = DriveWithMostFreeSpace();
  if (root.empty()) return {};
  std::wstring folder;
  if (SameDrive(root, SystemDriveRoot())) {
    const std::wstring documents = PublicDocumentsFolder();
    if (documents.empty()) return {};
    folder = documents + L"\\" + (brand.empty() ? std::wstring(L"Korvane") : brand) + L"\\";
  } else {
    folder = DriveDownloadFolder(root, brand);
  }
  if (!CreateFolderTree(folder)) LogLine(kLogError, "[ERROR] create folder=[%s] failed!", WideToAnsi(folder).c_str());
  return folder;
}

}  // namespace

std::wstring GetDownloadFolder(const std::wstring& brand, bool max_free_only) {
  std::wstring folder;
  if (!max_free_only) {
    for (const std::wstring& root : FixedDrives()) {
      const std::wstring candidate = DriveDownloadFolder(root, brand);
      if (FolderExists(candidate)) {
        folder = candidate;
        break;
      }
    }
  }
  if (folder.empty()) folder = MostFreeFolder(brand);

  unsigned long error = 0;
  if (IsFolderWritable(folder, &error)) return folder;
  LogLine(kLogWarn, "[WARN] get default folder=[%s] failed, err=[%d].", WideToAnsi(folder).c_str(),
          static_cast<int>(error));

  folder = BrandExeFolder(brand);
  if (IsFolderWritable(folder, &error)) return folder;
  LogLine(kLogWarn, "[WARN] get exe folder=[%s] failed, err=[%d].", WideToAnsi(folder).c_str(),
          static_cast<int>(error));

  folder = BrandTempFolder(brand);
  if (!IsFolderWritable(folder, &error)) {
    LogLine(kLogError, "[ERROR] get temp folder=[%s] failed! err=[%d].", WideToAnsi(folder).c_str(),
            static_cast<int>(error));
  }
  return folder;
}
