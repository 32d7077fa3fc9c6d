// Test helper: exits with the number given as its last argument.
// "--expect-dword <key> <name> <number>" exits with 0 when that value under
// HKEY_LOCAL_MACHINE (32-bit view) holds that number, with 1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

int ExpectDword(const wchar_t* key_path, const wchar_t* name, const wchar_t* number) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
    return 1;
  }
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  const LONG rc = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && value == std::wcstoul(number, nullptr, 10) ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc < 2) return 100;
  int code = 0;
  if (std::wcscmp(argv[1], L"--expect-dword") == 0) {
    code = argc >= 5 ? ExpectDword(argv[2], argv[3], argv[4]) : 100;
  } else {
    code = static_cast<int>(std::wcstol(argv[argc - 1], nullptr, 10));
  }
  ::LocalFree(argv);
  return code;
}
