#include "ui/framework/core/framework_log.h"

#include <cstdio>
#include <new>

#include "app/log/log_os.h"
#include "common/text_convert.h"

namespace uifw {
namespace {

bool Exists(const std::string& path) {
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    std::fclose(f);
    return true;
  }
  return false;
}

bool IsNonEmptyFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  const bool non_empty = std::fgetc(f) != EOF;
  std::fclose(f);
  return non_empty;
}

std::string DateSuffix(const LogTime& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, ".%4d-%02d-%02d", t.year, t.month, t.day);
  return buffer;
}

}  // namespace

FrameworkLog::FrameworkLog(std::string path, LogRotation rotation)
    : path_(std::move(path)), rotation_(std::move(rotation)), renamer_([this] { RenameLoop(); }) {}

FrameworkLog::~FrameworkLog() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  renamer_.join();
}

LogTime FrameworkLog::Now() const { return rotation_.now ? rotation_.now() : logos::LocalNow(); }

void FrameworkLog::Write(const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteV(format, args);
  va_end(args);
}

void FrameworkLog::WriteV(const char* format, va_list args) {
  const std::lock_guard lock(mutex_);
  FILE* file = std::fopen(path_.c_str(), "a");  // text mode: CR LF on Windows
  if (!file) return;
  const std::string stamp = FormatLogStamp(Now());
  if (std::fprintf(file, "%s ", stamp.c_str()) >= 0 && std::vfprintf(file, format, args) >= 0) std::fputc('\n', file);
  std::fclose(file);
}

void FrameworkLog::RenameLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (wake_.wait_for(lock, rotation_.wake_interval, [this] { return stop_; })) return;
    if (Now().hour != rotation_.hour || !RenameToDated()) continue;
    if (wake_.wait_for(lock, rotation_.pause_after_rename, [this] { return stop_; })) return;
  }
}

bool FrameworkLog::RenameToDated() {
  if (!IsNonEmptyFile(path_)) return false;
  const std::string dated = path_ + DateSuffix(Now());
  std::string candidate = dated;
  for (int i = 1; Exists(candidate); ++i) candidate = dated + "." + std::to_string(i);
  return std::rename(path_.c_str(), candidate.c_str()) == 0;
}

std::string UiLogPath() { return WideToAnsi(logos::TempFolder()) + "vevovozi.log"; }

FrameworkLog& UiLog() {
  // Static storage, never destroyed: windows may still log while the process ends.
  alignas(FrameworkLog) static unsigned char storage[sizeof(FrameworkLog)];
  static FrameworkLog* const log = ::new (storage) FrameworkLog(UiLogPath());
  return *log;
}

}  // namespace uifw
