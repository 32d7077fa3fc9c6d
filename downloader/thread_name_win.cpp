#include "downloader/thread_name.h"

#include <windows.h>

#include <string>

namespace ns_PLX {

void NameCurrentThread(const char* role) noexcept {
  // Windows 10 1607 and later only; older systems lack the entry point.
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  const auto set = reinterpret_cast<SetDescription>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")));
  if (set == nullptr) return;
  try {
    const std::string ascii(role);
    const std::wstring wide(ascii.begin(), ascii.end());
    set(GetCurrentThread(), wide.c_str());
  } catch (...) {
  }
}

}  // namespace ns_PLX
