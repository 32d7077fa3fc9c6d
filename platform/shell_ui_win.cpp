#include "platform/shell_ui.h"

#include <shlobj.h>

#include "platform/win_handle.h"

std::wstring BrowseForFolder(HWND owner, const std::wstring& title) {
  winh::CoTaskMem<ITEMIDLIST> drives;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, drives.put()))) drives.reset();
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = drives.get();
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  const winh::CoTaskMem<ITEMIDLIST> chosen(::SHBrowseForFolderW(&info));
  if (!chosen) return {};
  winh::CoTaskMem<wchar_t> path;
  if (FAILED(::SHGetNameFromIDList(chosen.get(), SIGDN_FILESYSPATH, path.put())) || !path) return {};
  return path.get();
}

bool CenterOnScreen(HWND window) {
  RECT rect{};
  if (!window || !::IsWindow(window) || !::GetWindowRect(window, &rect)) return false;
  const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
  if (screen_width == 0 || screen_height == 0) return false;
  const int spare_width = screen_width - (rect.right - rect.left);
  const int spare_height = screen_height - (rect.bottom - rect.top);
  // Checked before halving: one pixel too large would otherwise round to position 0.
  if (spare_width < 0 || spare_height < 0) return false;
  const int x = spare_width / 2;
  const int y = spare_height / 2;
  return ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}
