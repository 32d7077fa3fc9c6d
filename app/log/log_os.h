#pragma once
// The few OS services the log writer needs, one implementation per platform.
#include <cstdint>
#include <string>
#include <vector>

#include "app/log/simple_log.h"

namespace logos {

// '\\' on Windows, '/' elsewhere.
extern const char kPathSeparator;
extern const wchar_t kWidePathSeparator;

// The user's temporary folder, ending with a separator; empty when unknown.
std::wstring TempFolder();
// True when the folder exists afterwards.
bool CreateFolder(const std::wstring& path);

struct FileEntry {
  std::string path;      // full narrow path
  std::string name;      // the name within its folder
  int64_t modified = 0;  // seconds; 0 when it cannot be read
};
// The plain files (no sub-folders) directly inside `folder` (narrow, ending with a separator).
std::vector<FileEntry> ListFiles(const std::string& folder);

uint64_t CurrentThreadId();
LogTime LocalNow();

}  // namespace logos
