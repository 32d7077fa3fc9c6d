#pragma once
// Shared pieces of the platform tests: a captured log, the helper programs built beside
// the tests, and registry keys of a test's own. Windows only.
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/log/simple_log.h"
#include "platform/win_handle.h"
#include "tests/support/temp_dir.h"

namespace pftest {

// Makes the process-wide log write into a file of its own while the object lives.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything written so far, as it is on disk (CR LF line ends).
  std::string Text() const;
  // The message part of each line ("[INFO] ..."), without time stamp and thread id.
  // A message written with inner line feeds spans several entries.
  std::vector<std::string> Messages() const;

 private:
  orbtest::TempDir dir_;
  simpleLog log_;
};

// A name no other test run uses, as wide text.
std::wstring UniqueName(const wchar_t* prefix);

// The folder of the running test executable, with a trailing backslash.
std::filesystem::path TestFolder();
// A helper program built beside the tests ("orb_test_exit_with.exe", "orb_test_sleeper.exe").
std::filesystem::path Helper(const wchar_t* file_name);
// A copy of a helper under `folder` with a name of its own, so that a test can find,
// lock or delete it without disturbing others.
std::filesystem::path HelperCopy(const wchar_t* file_name, const std::filesystem::path& folder,
                                 const std::wstring& new_name);

// "Software\<unique>" under HKEY_LOCAL_MACHINE (both views) and HKEY_CURRENT_USER,
// removed from all three when the object goes away.
class TestKey {
 public:
  TestKey();
  ~TestKey();
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring Sub(const std::wstring& child) const { return path_ + L"\\" + child; }
  // The last part of the path ("OrbTest-...").
  std::wstring Leaf() const;

 private:
  std::wstring path_;
};

// A started process, terminated and closed when the object goes away.
class ChildProcess {
 public:
  explicit ChildProcess(const std::wstring& command_line);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_.get(); }

 private:
  winh::UniqueHandle process_;
  DWORD pid_ = 0;
};

std::wstring Quoted(const std::filesystem::path& path);

// A visible dialog window ("#32770") of the thread, or null.
HWND FindDialog(DWORD thread_id);

// While it lives, answers every dialog the thread shows with the command `command`
// (IDOK, IDCANCEL); counts them.
class DialogCloser {
 public:
  DialogCloser(DWORD thread_id, int command);
  ~DialogCloser();
  DialogCloser(const DialogCloser&) = delete;
  DialogCloser& operator=(const DialogCloser&) = delete;
  int closed() const { return closed_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> closed_{0};
  std::thread thread_;
};

}  // namespace pftest
