#pragma once
// The program-files folders: where 32-bit programs go and where native ones go.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct ProgramFilesFolders {
  std::wstring x86;     // with one trailing backslash
  std::wstring native;  // empty on 32-bit Windows
};

// An environment variable's value, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::wstring>(std::wstring_view name)>;

// The rule over the process's environment. A 32-bit process sees 64-bit Windows through
// PROCESSOR_ARCHITEW6432; a 64-bit process is on 64-bit Windows by its nature.
ProgramFilesFolders ProgramFilesFromEnvironment(const EnvironmentLookup& lookup, bool process_is_64bit);

// The installation manager's default install folder.
std::wstring DefaultInstallFolder(const ProgramFilesFolders& folders, bool windows64);

#if defined(_WIN32)
// The rule over this process's own environment.
ProgramFilesFolders GetProgramFilesFolders();
#endif
