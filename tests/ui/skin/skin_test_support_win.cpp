#include "tests/ui/skin/skin_test_support_win.h"

#include <cwctype>

#include "ui/framework/win_handles.h"

namespace skintest {

bool UseProgramSkin() {
  CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  return CPaintManagerUI::SetResourceZip(133, L"ZIPRES");
}

SkinWindow::SkinWindow(std::wstring layout, std::wstring class_name)
    : layout_(std::move(layout)), class_name_(std::move(class_name)) {}

SkinWindow::~SkinWindow() { DestroyNativeWindow(); }

bool SkinWindow::Open(HWND owner, int x, int y) {
  if (!Create(owner, layout_, WS_POPUP | 0x80B, 0, x, y, 500, 400)) return false;
  Show(true, false);
  ::UpdateWindow(GetHWND());
  return true;
}

std::vector<std::wstring> SkinWindow::Clicks() const {
  std::vector<std::wstring> out;
  for (const Note& n : notes) {
    if (n.type == L"click") out.push_back(n.sender);
  }
  return out;
}

void SkinWindow::Notify(TNotifyUI& msg) {
  notes.push_back({msg.type, msg.sender ? msg.sender->GetName() : L""});
  WindowImplBase::Notify(msg);
}

std::unique_ptr<CControlUI> SkinWindow::CreateCustomControl(std::wstring_view element) {
  std::wstring lower(element);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  if (lower == L"webbrowserex") return std::make_unique<CControlUI>();
  return nullptr;
}

void SkinWindow::OnClick(TNotifyUI& msg) {
  if (on_click) on_click(msg);
}

void PumpFor(int ms) {
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<int>(until - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

std::vector<uint32_t> GrabClient(HWND window, int& width, int& height) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpFor(30);
  RECT client{};
  ::GetClientRect(window, &client);
  width = client.right;
  height = client.bottom;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  const uifw::WindowDc screen(window);
  const uifw::OffscreenBuffer copy(screen.get(), width, height);
  if (!copy.ok()) return {};
  ::BitBlt(copy.dc(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
  ::GdiFlush();
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = copy.pixels()[i] | 0xff000000u;
  return pixels;
}

}  // namespace skintest
