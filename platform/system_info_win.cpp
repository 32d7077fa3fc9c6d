// System facts. The WoW64 queries are looked up at run time: older systems lack them.
#include "platform/system_info.h"

#include <windows.h>

#include "platform/registry.h"

namespace {

template <typename Fn>
Fn Kernel32Function(const char* name) {
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel32) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(kernel32, name)));
}

}  // namespace

bool IsWindows64() {
#if defined(_WIN64)
  return true;
#else
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
  const auto is_wow64_process = Kernel32Function<IsWow64ProcessFn>("IsWow64Process");
  BOOL wow64 = FALSE;
  return is_wow64_process && is_wow64_process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

bool IsArm64Processor() {
  using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto is_wow64_process2 = Kernel32Function<IsWow64Process2Fn>("IsWow64Process2");
  USHORT process_machine = 0;
  USHORT native_machine = 0;
  return is_wow64_process2 && is_wow64_process2(::GetCurrentProcess(), &process_machine, &native_machine) &&
         native_machine == 0xAA64;
}

std::wstring WindowsVersionText() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExW(&info)) return {};
  return std::to_wstring(info.dwMajorVersion) + L"." + std::to_wstring(info.dwMinorVersion) + L"." +
         std::to_wstring(info.dwBuildNumber);
}

std::wstring InternetExplorerVersion(std::wstring_view key_path) {
  const std::wstring version =
      RegKey::Open(HKEY_LOCAL_MACHINE, key_path, KEY_QUERY_VALUE).ReadString(L"Version").value_or(L"");
  return version.empty() ? L"-" : version;
}
