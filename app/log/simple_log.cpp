#include "app/log/simple_log.h"

#include <algorithm>
#include <new>
#include <cstdio>
#include <vector>

#include "app/log/log_os.h"
#include "common/text_convert.h"

simpleLog* g_simpleLog = nullptr;

namespace {

constexpr size_t kKeptLogs = 5;

struct PathParts {
  std::string folder;     // up to and including the last separator
  std::string stem;       // after it, up to the last '.'
  std::string extension;  // from the last '.' on
};

PathParts Split(const std::string& path) {
  PathParts parts;
  const size_t slash = path.rfind(logos::kPathSeparator);
  const size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  parts.folder = path.substr(0, name_at);
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name_at) {
    parts.stem = path.substr(name_at);
  } else {
    parts.stem = path.substr(name_at, dot - name_at);
    parts.extension = path.substr(dot);
  }
  return parts;
}

bool Exists(const std::string& path) {
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    std::fclose(f);
    return true;
  }
  return false;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace

std::string FormatLogStamp(const LogTime& t) {
  return Format("[%4d-%02d-%02d %d:%02d:%02d]", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

simpleLog::simpleLog(std::string file_name) : configured_(std::move(file_name)) {}

void simpleLog::Open() {
  if (configured_.empty()) {
    std::printf("[simpleLog::Log] log filename is empty\n");
    std::fflush(stdout);
  }
  current_ = configured_;
  if (rotate_at_open_ && !current_.empty()) {
    Purge();
    RenameToDated();
  }
}

// Keeps the newest few of this log's files. Only names of this log count: a fork-mode
// log and the normal one never purge each other, and the folder's own name is not looked at.
void simpleLog::Purge() const {
  const PathParts parts = Split(current_);
  std::vector<logos::FileEntry> mine;
  for (auto& entry : logos::ListFiles(parts.folder)) {
    if (entry.name.find(parts.stem) != std::string::npos &&
        entry.name.find(parts.extension) != std::string::npos) {
      mine.push_back(std::move(entry));
    }
  }
  std::stable_sort(mine.begin(), mine.end(), [](const auto& a, const auto& b) {
    return a.modified != b.modified ? a.modified < b.modified : a.name < b.name;
  });
  for (size_t i = 0; i + kKeptLogs < mine.size(); ++i) std::remove(mine[i].path.c_str());
}

void simpleLog::RenameToDated() const {
  const PathParts p = Split(current_);
  const LogTime now = logos::LocalNow();
  std::string candidate = Format("%s%s_%4d-%02d-%02d%s", p.folder.c_str(), p.stem.c_str(), now.year,
                                 now.month, now.day, p.extension.c_str());
  for (int i = 1; Exists(candidate); ++i) {
    candidate = Format("%s%s_%4d-%02d-%02d_%d%s", p.folder.c_str(), p.stem.c_str(), now.year,
                       now.month, now.day, i, p.extension.c_str());
  }
  std::rename(current_.c_str(), candidate.c_str());  // fails quietly when there is no previous log
}

void simpleLog::Write(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteV(level, format, args);
  va_end(args);
}

void simpleLog::WriteV(int /*level*/, const char* format, va_list args) {
  const std::lock_guard lock(write_mutex_);
  FILE* file = std::fopen(current_.c_str(), "a");  // text mode: CR LF line ends on Windows
  if (!file) return;
  const std::string stamp = FormatLogStamp(logos::LocalNow());
  if (std::fprintf(file, "%s %llu - ", stamp.c_str(),
                   static_cast<unsigned long long>(logos::CurrentThreadId())) >= 0 &&
      std::vfprintf(file, format, args) >= 0) {
    std::fputc('\n', file);
  }
  std::fclose(file);
}

void LogLine(int level, const char* format, ...) {
  if (!g_simpleLog) return;
  va_list args;
  va_start(args, format);
  g_simpleLog->WriteV(level, format, args);
  va_end(args);
}

std::string ProgramLogPath(const std::string& file_name) {
  const std::wstring temp = logos::TempFolder();
  if (temp.empty()) return file_name;
  const std::wstring sep(1, logos::kWidePathSeparator);
  std::wstring folder = temp + L"Korvane" + sep + L"ORB" + sep;
  // Create every missing folder along the path, from the left.
  for (size_t at = folder.find(logos::kWidePathSeparator, 1); at != std::wstring::npos;
       at = folder.find(logos::kWidePathSeparator, at + 1)) {
    const std::wstring step = folder.substr(0, at);
    if (step.empty() || step.back() == L':') continue;  // a drive root such as "C:"
    if (!logos::CreateFolder(step)) {
      folder = temp;
      break;
    }
  }
  return WideToAnsi(folder) + file_name;
}

simpleLog& OpenProcessLog(const std::string& path) {
  // Built in static storage and never destroyed: no exit-time teardown races with writers.
  alignas(simpleLog) static unsigned char storage[sizeof(simpleLog)];
  static simpleLog* const log = [&] {
    auto* created = ::new (storage) simpleLog(path);
    created->Open();
    return created;
  }();
  g_simpleLog = log;
  return *log;
}
