#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "app/command_line.h"

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  // The system splits a whole command line, program first: give it a stand-in program
  // token so that the text is split by the rules for arguments.
  const std::wstring whole = L"orb " + std::wstring(line);
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(whole.c_str(), &count);
  if (!argv) return {};
  const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> release(argv, &::LocalFree);
  std::vector<std::wstring> tokens;
  for (int i = 1; i < count; ++i) tokens.emplace_back(argv[i]);
  return tokens;
}
