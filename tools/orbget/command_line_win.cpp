#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "tools/orbget/arguments.h"

namespace orbget {

// The narrow argv would lose every character outside the ANSI code page.
std::vector<std::wstring> CommandLineArguments(int, char**) {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(
      CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  std::vector<std::wstring> args;
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv.get()[i]);
  return args;
}

}  // namespace orbget
