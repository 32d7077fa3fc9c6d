#include "ui/framework/window_impl_base.h"

#include <windowsx.h>

#include <string>

#include "common/text_convert.h"
#include "ui/framework/core/framework_log.h"
#include "ui/framework/dialog_builder.h"
#include "ui/framework/win_handles.h"

namespace {

constexpr LONG kCaptionBits = WS_CAPTION;                      // 0x00C00000
constexpr LONG kClipBits = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;  // 0x06000000

}  // namespace

void ExitOnLayoutFailure(std::wstring_view layout_file) {
  const std::wstring text = L"\x52A0\x8F7D\x8D44\x6E90\x6587\x4EF6\x5931\x8D25\xFF1A" + std::wstring(layout_file);
  ::MessageBoxW(nullptr, text.c_str(), L"SkinUI", MB_OK | MB_ICONERROR);
  ::ExitProcess(1);
}

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() { DestroyNativeWindow(); }

void WindowImplBase::Notify(TNotifyUI& msg) { LoopDispatch(msg); }

LRESULT WindowImplBase::FilterMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, bool& handled) {
  if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE) && OnDefaultKey(wParam)) handled = true;
  return FALSE;
}

std::unique_ptr<CControlUI> WindowImplBase::CreateCustomControl(std::wstring_view /*element*/) { return nullptr; }

std::wstring WindowImplBase::QueryControlText(std::wstring_view /*control*/, std::wstring_view /*type*/) { return {}; }

std::span<const NotifyMapEntry> WindowImplBase::GetNotifyMap() const {
  static const NotifyMapEntry kMap[] = {MapNotify(L"click", L"", &WindowImplBase::OnClick)};
  return kMap;
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = true;
  LRESULT result = 0;
  switch (message) {
    case WM_CLOSE: result = OnClose(message, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(message, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(message, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(message, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(message, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = HitTest(message, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(message, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(message, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(message, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(message, wParam, lParam, handled); break;
    case WM_CHAR: result = OnChar(message, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(message, wParam, lParam, handled); break;
    case WM_CREATE: result = OnCreate(message, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(message, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(message, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(message, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(message, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(message, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(message, wParam, lParam, handled); break;
    default: handled = false; break;
  }
  if (handled) return result;
  result = HandleCustomMessage(message, wParam, lParam, handled);
  if (handled) return result;
  if (paint_manager_.MessageHandler(message, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void WindowImplBase::OnWindowDestroyed(HWND /*window*/) {
  paint_manager_.RemovePreMessageFilter(this);
  paint_manager_.RemoveNotifier(this);
  paint_manager_.Init(nullptr, PaintManagerName());  // the controls stay readable, nothing paints
}

void WindowImplBase::OnLayoutReady() {}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  const std::wstring& name = msg.sender ? msg.sender->GetName() : std::wstring();
  if (name == L"closebtn") Close();
  else if (name == L"minbtn") SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
  else if (name == L"maxbtn") SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
  else if (name == L"restorebtn") SendMessage(WM_SYSCOMMAND, SC_RESTORE);
}

bool WindowImplBase::IsStaticControl(const CControlUI* control) const {
  if (!control) return false;
  for (; control; control = control->GetParent()) {
    const std::wstring_view kind = control->GetClass();
    if (kind != L"LabelUI" && kind != L"TextUI" && kind != L"ContainerUI" && kind != L"VerticalLayoutUI" &&
        kind != L"HorizontalLayoutUI") {
      return false;
    }
  }
  return true;
}

std::wstring_view WindowImplBase::LayoutType() const { return {}; }
std::wstring_view WindowImplBase::PaintManagerName() const { return {}; }
bool WindowImplBase::OnDefaultKey(WPARAM key) { return key == VK_ESCAPE; }

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM, LPARAM, bool& handled) {
  if (::IsIconic(GetHWND())) handled = false;
  return TRUE;  // no non-client painting
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool&) { return 0; }  // the client is the whole window

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::HitTest(UINT, WPARAM, LPARAM lParam, bool&) {
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(GetHWND(), &point);
  RECT client{};
  ::GetClientRect(GetHWND(), &client);
  const RECT& caption = paint_manager_.GetCaptionRect();
  if (point.x >= client.left + caption.left && point.x < client.right - caption.right && point.y >= caption.top &&
      point.y < caption.bottom && IsStaticControl(paint_manager_.FindControl(point))) {
    return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& handled) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromWindow(GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor)) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMaxPosition = {monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top};
    info->ptMaxSize = {monitor.rcWork.right - monitor.rcWork.left, monitor.rcWork.bottom - monitor.rcWork.top};
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wParam, LPARAM, bool& handled) {
  const SIZE corner = paint_manager_.GetRoundCorner();
  if (wParam != SIZE_MINIMIZED && corner.cx > 0 && corner.cy > 0) {
    RECT r{};
    ::GetWindowRect(GetHWND(), &r);
    uifw::UniqueRegion region(
        ::CreateRoundRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1, corner.cx, corner.cy));
    if (region && ::SetWindowRgn(GetHWND(), region.get(), TRUE)) region.release();  // the system owns it now
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT, WPARAM wParam, LPARAM, bool& handled) {
  if ((wParam & 0xfff0) == SC_CLOSE) {
    SendMessage(WM_CLOSE);
    return 0;
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
  uifw::UiLog().Write("[INFO] %lu - OnCreate 1", ::GetCurrentThreadId());
  ::SetWindowLongW(GetHWND(), GWL_STYLE, WindowStyle() | kClipBits);
  ::SetWindowPos(GetHWND(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  paint_manager_.Init(GetHWND(), PaintManagerName());
  paint_manager_.AddPreMessageFilter(this);

  uifw::UiLog().Write("[INFO] %lu - OnCreate 3", ::GetCurrentThreadId());
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root = builder.Create(LayoutFile(), LayoutType(), this, &paint_manager_);
  if (!root) {
    uifw::UiLog().Write("[ERROR] layout %s: %s", WideToAnsi(LayoutFile()).c_str(), builder.GetLastError().c_str());
    ExitOnLayoutFailure(LayoutFile());
  }
  paint_manager_.AttachDialog(std::move(root));
  paint_manager_.AddNotifier(this);
  OnLayoutReady();
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LONG WindowImplBase::WindowStyle() const {
  return static_cast<LONG>(::GetWindowLongW(GetHWND(), GWL_STYLE)) & ~kCaptionBits;
}
