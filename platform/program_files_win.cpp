#include <windows.h>

#include "platform/program_files.h"

namespace {

std::optional<std::wstring> Variable(std::wstring_view name) {
  const std::wstring key(name);
  ::SetLastError(ERROR_SUCCESS);
  DWORD needed = ::GetEnvironmentVariableW(key.c_str(), nullptr, 0);
  if (needed == 0) {
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::wstring();
  }
  // The variable may change between the calls: ask again while it grows.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::wstring value(needed, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(key.c_str(), value.data(), needed);
    if (got == 0) return ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt : std::optional(std::wstring());
    if (got < needed) {
      value.resize(got);
      return value;
    }
    needed = got;
  }
  return std::nullopt;
}

}  // namespace

ProgramFilesFolders GetProgramFilesFolders() {
  return ProgramFilesFromEnvironment(Variable, sizeof(void*) == 8);
}
