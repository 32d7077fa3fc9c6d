#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "platform/win_handle.h"

namespace {

const wchar_t* ShellVerb() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  return ::GetVersionExW(&info) && info.dwMajorVersion >= 6 ? L"runas" : L"open";
}

// The full path of a process's executable; empty when it cannot be queried.
std::wstring ProcessImagePath(DWORD pid) {
  const winh::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return {};
  for (DWORD size = MAX_PATH + 1; size <= 32768 * 2; size *= 2) {
    std::wstring path(size, L'\0');
    DWORD length = size;
    if (::QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) {
      path.resize(length);
      return path;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
  }
  return {};
}

}  // namespace

int RunExe(const std::wstring& program, const std::wstring& parameters, bool skip_lock) {
  LogLine(kLogInfo, "[INFO] RunExe: \n path=[%s] \n param=[%s] \n hide=[%d], block=[%d].",
          WideToAnsi(program).c_str(), WideToAnsi(parameters).c_str(), 0, 1);
  winh::UniqueHandle lock;
  if (!skip_lock) {
    lock.reset(::CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock) {
      LogLine(kLogError, "[ERROR] RunExe failed! err=[%d]", static_cast<int>(::GetLastError()));
      return -1;
    }
  }

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = ShellVerb();
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info) || !info.hProcess) {
    // The shell's own error box may have changed the thread's last error; the shell's
    // result code keeps the reason.
    const INT_PTR shell_code = reinterpret_cast<INT_PTR>(info.hInstApp);
    const DWORD error = shell_code <= 32 ? static_cast<DWORD>(shell_code) : ::GetLastError();
    LogLine(kLogError, "[ERROR] RunExe failed! err=[%d]", static_cast<int>(error));
    return -1;
  }
  const winh::UniqueHandle process(info.hProcess);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  const int result = ::GetExitCodeProcess(process.get(), &code) ? static_cast<int>(code) : -1;
  LogLine(kLogInfo, "[INFO] RunExe ret=[%d].", result);
  return result;
}

bool RunHiddenWait(const std::wstring& command_line, std::chrono::milliseconds limit) {
  // The call may write into the command line, so it gets a copy of its own, sized to fit.
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (line.empty() || !::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &started)) {
    return false;
  }
  const winh::UniqueHandle process(started.hProcess);
  const winh::UniqueHandle thread(started.hThread);
  const auto wait = limit.count() < 0 ? 0 : limit.count() >= INFINITE ? INFINITE - 1 : limit.count();
  if (::WaitForSingleObject(process.get(), static_cast<DWORD>(wait)) == WAIT_TIMEOUT) {
    ::TerminateProcess(process.get(), static_cast<UINT>(-1));
    // Termination completes asynchronously; the exit code is final only afterwards.
    ::WaitForSingleObject(process.get(), 5000);
  }
  DWORD code = STILL_ACTIVE;
  return ::GetExitCodeProcess(process.get(), &code) && code == 0;
}

bool FindProcessByPath(std::wstring_view text, std::uint32_t& process_id) {
  if (text.empty()) return false;
  const winh::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  const DWORD own = ::GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == own) continue;
    if (ProcessImagePath(entry.th32ProcessID).find(text) != std::wstring::npos) {
      process_id = entry.th32ProcessID;
      return true;
    }
  }
  return false;
}
