#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "app/log/log_os.h"
#include "common/text_convert.h"

namespace logos {

const char kPathSeparator = '/';
const wchar_t kWidePathSeparator = L'/';

std::wstring TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return Utf8ToWide(folder);
}

bool CreateFolder(const std::wstring& path) {
  const std::string narrow = WideToUtf8(path);
  if (narrow.empty()) return false;
  if (::mkdir(narrow.c_str(), 0700) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(narrow.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<FileEntry> ListFiles(const std::string& folder) {
  std::vector<FileEntry> files;
  struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
  };
  const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return files;
  while (const dirent* entry = ::readdir(dir.get())) {
    FileEntry file;
    file.name = entry->d_name;
    file.path = folder + file.name;
    struct stat st {};
    const bool known = ::stat(file.path.c_str(), &st) == 0;
    if (known && !S_ISREG(st.st_mode)) continue;
    if (!known && (file.name == "." || file.name == "..")) continue;
    file.modified = known ? static_cast<int64_t>(st.st_mtime) : 0;
    files.push_back(std::move(file));
  }
  return files;
}

uint64_t CurrentThreadId() { return static_cast<uint64_t>(::gettid()); }

LogTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace logos
