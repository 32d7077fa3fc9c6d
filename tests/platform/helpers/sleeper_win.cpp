// Test helper: sleeps for the milliseconds given as its first argument, then exits with 0.
// A second argument names a file to hold open (shared for reading and writing) meanwhile.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc < 2) return 100;
  HANDLE held = INVALID_HANDLE_VALUE;
  if (argc >= 3) {
    held = ::CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 101;
  }
  ::Sleep(static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)));
  if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
  ::LocalFree(argv);
  return 0;
}
