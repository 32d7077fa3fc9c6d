#include "report/analytics_facts.h"

#include <windows.h>

#include <vector>

#include "common/text_convert.h"
#include "platform/module_info.h"
#include "platform/registry.h"

namespace orb_analytics {
namespace {

// The system library's own query tells the truth where the ordinary one is shimmed.
bool SystemVersion(unsigned& major, unsigned& minor) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto rtl_get_version =
      ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (rtl_get_version != nullptr) {
    if (rtl_get_version(&info) != 0) return false;
  } else if (!::GetVersionExW(&info)) {
    return false;
  }
  major = info.dwMajorVersion;
  minor = info.dwMinorVersion;
  return true;
}

int OsBits() {
  // The native architecture: a 32-bit build on 64-bit Windows still reports 64.
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  const WORD arch = info.wProcessorArchitecture;
  return (arch == PROCESSOR_ARCHITECTURE_AMD64 || arch == PROCESSOR_ARCHITECTURE_IA64) ? 64 : 32;
}

std::string PreferredLanguage() {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\MuiCached", KEY_QUERY_VALUE);
  if (!key) return {};
  DWORD type = 0;
  DWORD bytes = 0;
  if (::RegQueryValueExW(key.get(), L"MachinePreferredUILanguages", nullptr, &type, nullptr, &bytes) !=
          ERROR_SUCCESS ||
      (type != REG_MULTI_SZ && type != REG_SZ) || bytes == 0) {
    return {};
  }
  std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
  if (::RegQueryValueExW(key.get(), L"MachinePreferredUILanguages", nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS) {
    return {};
  }
  const std::u16string text(data.begin(), data.end());
  return LanguageFromPreferred(text);
}

int TimeZone() {
  TIME_ZONE_INFORMATION zone{};
  if (::GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return 0;
  return ZoneFromBias(zone.Bias);
}

class SystemFactsProvider final : public IHostFactsProvider {
 public:
  HostFacts Read() const override {
    HostFacts facts;
    unsigned major = 0;
    unsigned minor = 0;
    if (SystemVersion(major, minor)) facts.os_version = OsVersionText(major, minor);
    facts.os_bits = OsBits();
    facts.os_language = PreferredLanguage();
    facts.time_zone = TimeZone();
    facts.program_version = ProgramVersionOrDefault(WideToUtf8(OwnFileVersion()));
    facts.program_file_name = WideToUtf8(OwnFileName());
    return facts;
  }
};

}  // namespace

std::unique_ptr<IHostFactsProvider> MakeSystemFactsProvider() { return std::make_unique<SystemFactsProvider>(); }

}  // namespace orb_analytics
