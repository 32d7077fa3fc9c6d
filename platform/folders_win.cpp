#include "platform/folders.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/module_info.h"
#include "platform/win_handle.h"

namespace {

std::wstring KnownFolder(REFKNOWNFOLDERID id, HANDLE token = nullptr) {
  winh::CoTaskMem<wchar_t> path;
  if (FAILED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, token, path.put())) || !path) return {};
  return path.get();
}

std::wstring BrandFolder(const std::wstring& base, std::wstring_view brand) {
  if (base.empty()) return {};
  std::wstring folder = base;
  if (folder.back() != L'\\') folder += L'\\';
  folder += brand.empty() ? std::wstring_view(L"Korvane") : brand;
  folder += L'\\';
  CreateFolderTree(folder);
  return folder;
}

std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// Undoes an impersonation when it goes out of scope.
class Impersonation {
 public:
  explicit Impersonation(HANDLE token) : active_(::ImpersonateLoggedOnUser(token) != FALSE) {}
  ~Impersonation() {
    if (active_) ::RevertToSelf();
  }
  Impersonation(const Impersonation&) = delete;
  Impersonation& operator=(const Impersonation&) = delete;
  bool active() const { return active_; }

 private:
  const bool active_;
};

}  // namespace

std::wstring TempFolder() {
  DWORD needed = MAX_PATH + 2;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::wstring folder(needed, L'\0');
    const DWORD got = ::GetTempPathW(needed, folder.data());
    if (got == 0) return {};
    if (got < needed) {
      folder.resize(got);
      if (folder.back() != L'\\') folder += L'\\';
      return folder;
    }
    needed = got + 1;
  }
  return {};
}

std::wstring WindowsFolder() {
  UINT needed = MAX_PATH + 1;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::wstring folder(needed, L'\0');
    const UINT got = ::GetWindowsDirectoryW(folder.data(), needed);
    if (got == 0) return {};
    if (got < needed) {
      folder.resize(got);
      return folder;
    }
    needed = got + 1;
  }
  return {};
}

std::wstring SystemDriveRoot() { return WindowsFolder().substr(0, 3); }

std::wstring DesktopFolder() { return KnownFolder(FOLDERID_Desktop); }

std::wstring PublicDocumentsFolder() { return KnownFolder(FOLDERID_PublicDocuments); }

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderTree(const std::wstring& path) {
  if (path.empty()) return false;
  // Nothing to create in the root part: "C:\" or "\\server\share\".
  size_t start = 0;
  if (path.size() >= 2 && path[1] == L':') {
    start = 3;
  } else if (path.starts_with(L"\\\\")) {
    start = path.find(L'\\', 2);
    start = start == std::wstring::npos ? path.size() : path.find(L'\\', start + 1);
    start = start == std::wstring::npos ? path.size() : start + 1;
  }
  for (size_t at = path.find(L'\\', start); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    if (at > start) ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
  if (path.back() != L'\\') ::CreateDirectoryW(path.c_str(), nullptr);
  return FolderExists(path);
}

bool IsFolderWritable(const std::wstring& folder, unsigned long* error) {
  const auto fail = [error](DWORD code) {
    if (error) *error = code;
    return false;
  };
  if (folder.empty()) return fail(ERROR_PATH_NOT_FOUND);
  std::wstring probe = folder;
  if (probe.back() != L'\\') probe += L'\\';
  probe += L"orb.tmp";
  winh::UniqueHandle file(
      ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) {
    file.reset();
    ::DeleteFileW(probe.c_str());
    return true;
  }
  DWORD code = ::GetLastError();
  if (code == ERROR_FILE_EXISTS) {
    // Someone's own file of that name: try it for writing and leave it as it is.
    file.reset(::CreateFileW(probe.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return true;
    code = ::GetLastError();
  }
  return fail(code);
}

std::wstring BrandDocumentsFolder(std::wstring_view brand) { return BrandFolder(PublicDocumentsFolder(), brand); }

std::wstring BrandExeFolder(std::wstring_view brand) { return BrandFolder(OwnFolder(), brand); }

std::wstring BrandTempFolder(std::wstring_view brand) { return BrandFolder(TempFolder(), brand); }

std::wstring InteractiveUserLocalAppData() {
  const HWND shell = ::GetShellWindow();
  if (!shell) return {};
  DWORD shell_pid = 0;
  ::GetWindowThreadProcessId(shell, &shell_pid);
  if (shell_pid == 0) return {};
  const winh::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell_pid));
  if (!process) return {};
  winh::UniqueHandle token;
  if (!::OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, token.put())) return {};
  const Impersonation as_user(token.get());
  if (!as_user.active()) return {};
  return KnownFolder(FOLDERID_LocalAppData, token.get());
}

bool IsProtectedSystemPath(std::wstring_view path) {
  const std::wstring windows = WindowsFolder();
  if (windows.empty()) return false;
  const std::wstring subject = Upper(std::wstring(path) + L'\\');
  const std::wstring root = windows.substr(0, 3);
  const std::wstring windows_folder = windows.back() == L'\\' ? windows : windows + L'\\';
  for (const std::wstring& protected_folder :
       {windows_folder, root + L"Program Files\\", root + L"Program Files (x86)\\"}) {
    if (subject.find(Upper(protected_folder)) != std::wstring::npos) return true;
  }
  return false;
}
