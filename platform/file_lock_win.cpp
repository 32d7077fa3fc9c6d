#include "platform/file_lock.h"

#include <windows.h>
#include <restartmanager.h>

#include <array>

#include "app/log/simple_log.h"
#include "common/text_convert.h"

namespace {

constexpr UINT kListRoom = 10;

class RmSession {
 public:
  RmSession() {
    wchar_t key[CCH_RM_SESSION_KEY + 1] = {};
    ok_ = ::RmStartSession(&handle_, 0, key) == ERROR_SUCCESS;
  }
  ~RmSession() {
    if (ok_) ::RmEndSession(handle_);
  }
  RmSession(const RmSession&) = delete;
  RmSession& operator=(const RmSession&) = delete;
  bool ok() const { return ok_; }
  DWORD get() const { return handle_; }

 private:
  DWORD handle_ = 0;
  bool ok_ = false;
};

}  // namespace

void FindLockingProcesses(const std::wstring& path) {
  const RmSession session;
  if (!session.ok()) return;
  LPCWSTR files[] = {path.c_str()};
  if (::RmRegisterResources(session.get(), 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) return;
  std::array<RM_PROCESS_INFO, kListRoom> list{};
  UINT needed = 0;
  UINT count = kListRoom;
  DWORD reasons = RmRebootReasonNone;
  if (::RmGetList(session.get(), &needed, &count, list.data(), &reasons) != ERROR_SUCCESS) return;
  const DWORD own = ::GetCurrentProcessId();
  const std::string file = WideToUtf8(path);
  for (UINT i = 0; i < count && i < kListRoom; ++i) {
    const RM_PROCESS_INFO& entry = list[i];
    if (entry.Process.dwProcessId == own) continue;
    // The name field is fixed-size and may lack its terminating zero.
    const std::wstring_view name(entry.strAppName, wcsnlen(entry.strAppName, CCH_RM_MAX_APP_NAME + 1));
    LogLine(kLogWarn, "[WARN] process=[%d][%s] locked the file=[%s] ", static_cast<int>(entry.Process.dwProcessId),
            WideToUtf8(name).c_str(), file.c_str());
  }
}
