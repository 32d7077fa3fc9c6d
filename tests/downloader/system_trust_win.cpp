#include "tests/downloader/system_trust.h"

#include <windows.h>

namespace orbtest {

bool SystemChecksCertificates() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

}  // namespace orbtest
