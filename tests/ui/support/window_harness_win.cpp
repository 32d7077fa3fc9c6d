#include "tests/ui/support/window_harness_win.h"

#include <windowsx.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "ui/framework/win_handles.h"

namespace uitest {

void UseSkin(const std::vector<ZipMember>& members) {
  if (!CPaintManagerUI::SetResourceZip(MakeZip(members))) throw std::runtime_error("skin package refused");
}

TestWindow::~TestWindow() = default;

bool TestWindow::Open(HWND owner, DWORD style) {
  if (!Create(owner, L"test", style, 0, 0, 0, 500, 400)) return false;
  Show(true, false);
  ::UpdateWindow(GetHWND());
  return true;
}

void TestWindow::Notify(TNotifyUI& msg) {
  notes.push_back({msg.type, msg.sender ? msg.sender->GetName() : L"", msg.wParam});
  WindowImplBase::Notify(msg);
}

std::unique_ptr<CControlUI> TestWindow::CreateCustomControl(std::wstring_view element) {
  return custom ? custom(element) : nullptr;
}

void TestWindow::OnClick(TNotifyUI& msg) {
  if (on_click) on_click(msg);
  WindowImplBase::OnClick(msg);
}

bool TestWindow::OnDefaultKey(WPARAM key) {
  default_keys.push_back(key);
  return WindowImplBase::OnDefaultKey(key);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return done();
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void Pump(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

POINT Centre(const CControlUI& control) {
  const RECT& r = control.GetPos();
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void PostMouseMove(HWND window, POINT p) {
  ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
  Pump(std::chrono::milliseconds(20));
}
void PostPress(HWND window, POINT p) {
  ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  Pump(std::chrono::milliseconds(20));
}
void PostRelease(HWND window, POINT p) {
  ::PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  Pump(std::chrono::milliseconds(20));
}
void PostClick(HWND window, POINT p) {
  PostPress(window, p);
  PostRelease(window, p);
}

void PostKey(HWND window, UINT vk) {
  const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  ::PostMessageW(window, WM_KEYDOWN, vk, scan | 1);
  ::PostMessageW(window, WM_KEYUP, vk, scan | static_cast<LPARAM>(0xC0000001u));
  Pump(std::chrono::milliseconds(20));
}

void PostText(HWND window, std::wstring_view text) {
  for (const wchar_t ch : text) ::PostMessageW(window, WM_CHAR, ch, 1);
  Pump(std::chrono::milliseconds(20));
}

std::vector<std::wstring> Senders(const std::vector<Noted>& notes, std::wstring_view type) {
  std::vector<std::wstring> out;
  for (const Noted& n : notes) {
    if (n.type == type) out.push_back(n.sender);
  }
  return out;
}

int Capture::Count(const RECT& r, uint32_t rgb, int tolerance) const {
  int n = 0;
  for (int y = std::max(0, static_cast<int>(r.top)); y < std::min(height, static_cast<int>(r.bottom)); ++y) {
    for (int x = std::max(0, static_cast<int>(r.left)); x < std::min(width, static_cast<int>(r.right)); ++x) {
      const uint32_t p = at(x, y);
      bool close = true;
      for (int shift = 0; shift <= 16; shift += 8) {
        close = close && std::abs(static_cast<int>(p >> shift & 0xff) - static_cast<int>(rgb >> shift & 0xff)) <= tolerance;
      }
      n += close;
    }
  }
  return n;
}

namespace {

void SaveBitmap(const Capture& c, const std::string& name) {
  const char* dir = std::getenv("ORB_UI_CAPTURE_DIR");
  if (!dir) return;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = c.width;
  info.biHeight = -c.height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  const DWORD bytes = static_cast<DWORD>(c.pixels.size() * 4);
  file.bfType = 0x4d42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bytes;
  std::ofstream out(std::string(dir) + "/" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(c.pixels.data()), bytes);
}

}  // namespace

Capture CaptureClient(HWND window, const std::string& name) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(std::chrono::milliseconds(30));
  Capture c;
  RECT client{};
  ::GetClientRect(window, &client);
  c.width = client.right;
  c.height = client.bottom;
  c.pixels.resize(static_cast<size_t>(c.width) * c.height);
  const uifw::WindowDc screen(window);
  const uifw::OffscreenBuffer copy(screen.get(), c.width, c.height);
  if (!copy.ok()) return c;
  ::BitBlt(copy.dc(), 0, 0, c.width, c.height, screen.get(), 0, 0, SRCCOPY);
  ::GdiFlush();
  for (size_t i = 0; i < c.pixels.size(); ++i) c.pixels[i] = copy.pixels()[i] & 0xffffff;
  SaveBitmap(c, name);
  return c;
}

}  // namespace uitest
