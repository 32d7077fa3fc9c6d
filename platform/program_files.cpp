#include "platform/program_files.h"

namespace {

// Trailing backslashes removed, one appended; a missing or empty variable stays empty
// rather than becoming a bare "\".
std::wstring AsFolder(const std::optional<std::wstring>& value) {
  if (!value) return {};
  std::wstring folder = *value;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.empty()) return {};
  return folder + L'\\';
}

std::wstring WithoutX86(std::wstring text) {
  constexpr std::wstring_view kX86 = L" (x86)";
  for (size_t at; (at = text.find(kX86)) != std::wstring::npos;) text.erase(at, kX86.size());
  return text;
}

}  // namespace

ProgramFilesFolders ProgramFilesFromEnvironment(const EnvironmentLookup& lookup, bool process_is_64bit) {
  ProgramFilesFolders folders;
  if (process_is_64bit || lookup(L"PROCESSOR_ARCHITEW6432")) {
    folders.x86 = AsFolder(lookup(L"ProgramFiles(x86)"));
    folders.native = WithoutX86(folders.x86);
  } else {
    folders.x86 = AsFolder(lookup(L"ProgramFiles"));
  }
  return folders;
}

std::wstring DefaultInstallFolder(const ProgramFilesFolders& folders, bool windows64) {
  return windows64 ? folders.native : folders.x86;
}
