#include "downloader/dns_cache.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace ns_PLX {
namespace {

struct LibraryDeleter {
  void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

}  // namespace

void FlushSystemDnsCache() noexcept {
  try {
    // A full path, so that no copy beside the program or in the current folder is taken.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const std::wstring path = std::wstring(folder, length) + L"\\dnsapi.dll";
    const Library dnsapi(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!dnsapi) return;
    using Flush = BOOL(WINAPI*)();
    const auto flush = reinterpret_cast<Flush>(
        reinterpret_cast<void*>(GetProcAddress(dnsapi.get(), "DnsFlushResolverCache")));
    if (flush != nullptr) flush();
  } catch (...) {
  }
}

}  // namespace ns_PLX
