#include "platform/shortcut.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/folders.h"
#include "platform/module_info.h"
#include "platform/win_handle.h"

bool CreateDesktopShortcut(const std::wstring& name, const std::wstring& folder) {
  const winh::ComScope com;
  if (!com.ok()) return false;
  const std::wstring desktop = DesktopFolder();
  if (desktop.empty()) return true;
  winh::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()))) {
    return true;
  }
  const std::wstring target = folder + L"\\" + name;
  if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetWorkingDirectory(folder.c_str()))) return true;
  const winh::ComPtr<IPersistFile> file = link.As<IPersistFile>();
  if (file) file->Save((desktop + L"\\" + name + L".lnk").c_str(), TRUE);
  return true;
}

void DeleteOwnShortcut() {
  const std::wstring desktop = DesktopFolder();
  const std::wstring own = OwnFileName();
  if (desktop.empty() || own.empty()) return;
  const std::wstring link = desktop + L"\\" + own + L".lnk";
  // The operation takes a list of names ending with an empty one.
  const std::wstring from = link + L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  if (::SHFileOperationW(&operation) != 0 || operation.fAnyOperationsAborted) ::DeleteFileW(link.c_str());
}
