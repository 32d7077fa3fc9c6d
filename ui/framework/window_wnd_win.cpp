#include "ui/framework/window_wnd.h"

#include <string>

#include "ui/framework/paint_manager.h"

namespace {

constexpr int RoundUpTo16(int n) { return (n + 15) / 16 * 16; }

}  // namespace

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() { DestroyNativeWindow(); }

void CWindowWnd::DestroyNativeWindow() {
  if (!window_) return;
  const HWND window = window_;
  window_ = nullptr;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // its last messages go to the default procedure
  if (::IsWindow(window)) ::DestroyWindow(window);
}

std::wstring_view CWindowWnd::SuperClassName() const { return {}; }
UINT CWindowWnd::ClassStyle() const { return CS_DBLCLKS; }

bool CWindowWnd::RegisterWindowClass() const {
  const std::wstring name(ClassName());
  const HINSTANCE instance = CPaintManagerUI::GetInstance();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(instance, name.c_str(), &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = ClassStyle();
  wc.lpfnWndProc = &CWindowWnd::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name.c_str();
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND parent, std::wstring_view title, DWORD style, DWORD ex_style, int x, int y, int width,
                        int height, HMENU menu) {
  if (window_ || !RegisterWindowClass()) return nullptr;
  const std::wstring name(ClassName()), text(title);
  // WM_NCCREATE attaches the object, so every later message reaches HandleMessage.
  const HWND created = ::CreateWindowExW(ex_style, name.c_str(), text.c_str(), style, x, y, width, height, parent,
                                         menu, CPaintManagerUI::GetInstance(), this);
  return created && window_ == created ? created : nullptr;
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<CWindowWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_CLOSE) self->close_code_ = static_cast<UINT>(wParam);
  if (message == WM_NCDESTROY) {
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    self->OnWindowDestroyed(window);  // may delete the object
    return result;
  }
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE && modal_) {
    // The owner comes back before this window goes, so activation returns to it.
    if (const HWND owner = ::GetWindow(window_, GW_OWNER)) ::EnableWindow(owner, TRUE);
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

void CWindowWnd::OnWindowDestroyed(HWND /*window*/) {}

UINT CWindowWnd::ShowModal() {
  if (!window_) return 0;
  const HWND window = window_;
  const HWND owner = ::GetWindow(window, GW_OWNER);
  close_code_ = 0;
  modal_ = true;
  ::ShowWindow(window, SW_SHOWNORMAL);
  if (owner) ::EnableWindow(owner, FALSE);
  MSG msg{};
  while (::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (!CPaintManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  modal_ = false;
  if (owner) {
    ::EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  return close_code_;
}

void CWindowWnd::Close(UINT code) {
  if (window_ && ::IsWindow(window_)) ::PostMessageW(window_, WM_CLOSE, code, 0);
}

void CWindowWnd::Show(bool show, bool activate) {
  if (!window_ || !::IsWindow(window_)) return;
  ::ShowWindow(window_, show ? (activate ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::CenterWindow() {
  if (!window_) return;
  RECT self{};
  ::GetWindowRect(window_, &self);
  const HWND owner = ::GetWindow(window_, GW_OWNER);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : window_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT area = monitor.rcWork;
  RECT centre = area;
  if (owner) ::GetWindowRect(owner, &centre);
  const int width = self.right - self.left, height = self.bottom - self.top;
  int x = (centre.left + centre.right) / 2 - width / 2;
  int y = (centre.top + centre.bottom) / 2 - height / 2;
  if (x + width > area.right) x = area.right - width;
  if (x < area.left) x = area.left;
  if (y + height > area.bottom) y = area.bottom - height;
  if (y < area.top) y = area.top;
  ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resource_id) {
  if (!window_) return;
  const HINSTANCE instance = CPaintManagerUI::GetInstance();
  const auto load = [&](int cx, int cy) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resource_id), IMAGE_ICON, RoundUpTo16(cx),
                                           RoundUpTo16(cy), LR_DEFAULTCOLOR));
  };
  if (HICON large = load(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON))) {
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    large_icon_.reset(large);
  }
  if (HICON small = load(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON))) {
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    small_icon_.reset(small);
  }
}

void CWindowWnd::ResizeClient(int width, int height) {
  if (!window_) return;
  // Keep whatever frame the window has (a skinned window has none).
  RECT outer{}, client{};
  ::GetWindowRect(window_, &outer);
  ::GetClientRect(window_, &client);
  const int frame_x = (outer.right - outer.left) - client.right, frame_y = (outer.bottom - outer.top) - client.bottom;
  ::SetWindowPos(window_, nullptr, 0, 0, width + frame_x, height + frame_y, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return window_ ? ::SendMessageW(window_, message, wParam, lParam) : 0;
}

bool CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return window_ && ::PostMessageW(window_, message, wParam, lParam);
}
