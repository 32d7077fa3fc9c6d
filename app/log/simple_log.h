#pragma once
// The program's one text log. Each line is appended with an open-write-close of the
// file, so the log stays complete on disk even when the process dies.
#include <cstdarg>
#include <mutex>
#include <string>

#if defined(__MINGW32__)
#define ORB_PRINTF_LIKE(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define ORB_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ORB_PRINTF_LIKE(fmt, args)
#endif

// Passed with every line. The writer does not print it: each caller's format begins
// with the matching tag ("[ERROR] ", "[WARN] ", "[INFO] ").
enum LogLevel : int { kLogError = 1, kLogWarn = 2, kLogInfo = 3 };

// Local wall-clock time as the log prints it.
struct LogTime {
  int year, month, day, hour, minute, second;
};

// "[2025-03-03 9:05:07]": the hour unpadded, the rest two digits.
std::string FormatLogStamp(const LogTime& t);

class simpleLog {
 public:
  // `file_name` is a full path in the system's narrow (ANSI) encoding.
  explicit simpleLog(std::string file_name);
  simpleLog(const simpleLog&) = delete;
  simpleLog& operator=(const simpleLog&) = delete;

  // Purges old logs and moves the previous run's log to a dated name. Called once,
  // before any other thread exists.
  void Open();

  // Appends one line; failures are silent (the line is lost).
  void Write(int level, const char* format, ...) ORB_PRINTF_LIKE(3, 4);
  void WriteV(int level, const char* format, va_list args);

  const std::string& FileName() const { return current_; }

 private:
  void Purge() const;
  void RenameToDated() const;

  const std::string configured_;
  std::string current_;        // written only by Open, before other threads exist
  std::mutex write_mutex_;     // guards the open-write-close of every line
  const bool rotate_at_open_ = true;
};

// The process-wide log: null until the entry has opened it, never destroyed.
extern simpleLog* g_simpleLog;

// Logs through the global writer when it exists.
void LogLine(int level, const char* format, ...) ORB_PRINTF_LIKE(2, 3);

// Full narrow path of the program's log file `file_name`: the user's temporary folder,
// then Korvane/ORB/ (created as needed; the temporary folder itself when that fails).
std::string ProgramLogPath(const std::string& file_name);

// Creates the process-wide log for `path`, opens it and publishes it in g_simpleLog.
// The object is never destroyed, so threads still running at exit can log safely.
simpleLog& OpenProcessLog(const std::string& path);
