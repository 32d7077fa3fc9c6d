#include <windows.h>

#include <memory>

#include "app/log/log_os.h"

namespace logos {

const char kPathSeparator = '\\';
const wchar_t kWidePathSeparator = L'\\';

std::wstring TempFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  DWORD n = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (n > folder.size()) {  // longer than usual: ask again with the size it needs
    folder.assign(n, L'\0');
    n = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  }
  if (n == 0 || n > folder.size()) return {};
  folder.resize(n);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool CreateFolder(const std::wstring& path) {
  if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<FileEntry> ListFiles(const std::string& folder) {
  std::vector<FileEntry> files;
  WIN32_FIND_DATAA data{};
  const std::string pattern = folder + "*";
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return files;
  const std::unique_ptr<void, decltype(&::FindClose)> closer(find, &::FindClose);
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    FileEntry file;
    file.name = data.cFileName;
    file.path = folder + file.name;
    ULARGE_INTEGER t{};
    t.LowPart = data.ftLastWriteTime.dwLowDateTime;
    t.HighPart = data.ftLastWriteTime.dwHighDateTime;
    file.modified = static_cast<int64_t>(t.QuadPart / 10000000ULL);  // 100 ns ticks to seconds
    files.push_back(std::move(file));
  } while (::FindNextFileA(find, &data));
  return files;
}

uint64_t CurrentThreadId() { return ::GetCurrentThreadId(); }

LogTime LocalNow() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace logos
