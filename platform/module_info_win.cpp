#include "platform/module_info.h"

#include <windows.h>
#include <winver.h>

#include <vector>

std::wstring OwnExecutablePath() {
  // The call cuts the path silently to the buffer: grow it until the path fits.
  for (DWORD size = MAX_PATH + 1; size <= 32768 * 2; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD got = ::GetModuleFileNameW(nullptr, path.data(), size);
    if (got == 0) return {};
    if (got < size) {
      path.resize(got);
      return path;
    }
  }
  return {};
}

std::wstring OwnFileName() {
  const std::wstring path = OwnExecutablePath();
  return path.substr(path.find_last_of(L'\\') + 1);
}

std::wstring OwnFolder() {
  const std::wstring path = OwnExecutablePath();
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring FileVersionText(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
  void* data = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", &data, &length) || !data || length < sizeof(VS_FIXEDFILEINFO)) return {};
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(data);
  if (info->dwSignature != VS_FFI_SIGNATURE) return {};
  return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
         std::to_wstring(LOWORD(info->dwFileVersionLS));
}

std::wstring OwnFileVersion() {
  const std::wstring path = OwnExecutablePath();
  return path.empty() ? std::wstring() : FileVersionText(path);
}
