#pragma once
// The framework's own log, "vevovozi.log" in the temporary folder, kept apart from the
// program's log. Lines are "[stamp] message", each written with an open-append-close.
// A background thread renames a non-empty log to a dated name once a day.
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/log/simple_log.h"

namespace uifw {

struct LogRotation {
  std::chrono::milliseconds wake_interval = std::chrono::minutes(5);
  int hour = 23;  // local hour in which a wake-up renames the log
  std::chrono::milliseconds pause_after_rename = std::chrono::hours(2);
  std::function<LogTime()> now;  // empty: the local clock
};

class FrameworkLog {
 public:
  // `path` is narrow (the ANSI code page on Windows). The renaming thread starts at once.
  FrameworkLog(std::string path, LogRotation rotation = {});
  ~FrameworkLog();  // stops the thread
  FrameworkLog(const FrameworkLog&) = delete;
  FrameworkLog& operator=(const FrameworkLog&) = delete;

  void Write(const char* format, ...) ORB_PRINTF_LIKE(2, 3);
  void WriteV(const char* format, va_list args);
  const std::string& Path() const { return path_; }

 private:
  void RenameLoop();
  bool RenameToDated();  // under the lock; true when renamed
  LogTime Now() const;

  const std::string path_;
  const LogRotation rotation_;
  std::mutex mutex_;  // a line's open-write-close, a rename and the stop flag
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread renamer_;  // last: starts after everything it uses exists
};

// The process-wide framework log in the temporary folder, created on first use and
// never destroyed.
FrameworkLog& UiLog();
// "vevovozi.log" in the temporary folder, narrow.
std::string UiLogPath();

}  // namespace uifw
