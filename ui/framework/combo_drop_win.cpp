#include "ui/framework/combo_drop_win.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/framework/combo_ui.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/render_win.h"
#include "ui/framework/text_render_win.h"

namespace uifw {

namespace {

constexpr int kDefaultItemHeight = 20;
constexpr int kBorder = 1;
constexpr uint32_t kListBackground = 0xffffffff;
constexpr uint32_t kListBorder = 0xffb4b4b4;

}  // namespace

ComboDropWindow::~ComboDropWindow() { DestroyNativeWindow(); }

int ComboDropWindow::ItemHeight(int index) const {
  const CControlUI* item = combo_.GetItemAt(index);
  return item && item->GetFixedHeight() > 0 ? item->GetFixedHeight() : kDefaultItemHeight;
}

int ComboDropWindow::ItemTop(int index) const {
  int top = 0;
  for (int i = 0; i < index; ++i) top += ItemHeight(i);
  return top;
}

int ComboDropWindow::ListHeight() const { return ItemTop(combo_.GetCount()); }

int ComboDropWindow::IndexAt(int y) const {
  int top = kBorder - scroll_;
  for (int i = 0; i < combo_.GetCount(); ++i) {
    const int h = ItemHeight(i);
    if (y >= top && y < top + h) return i;
    top += h;
  }
  return -1;
}

bool ComboDropWindow::Open() {
  CPaintManagerUI* manager = combo_.GetManager();
  if (!manager || !manager->GetPaintWindow() || combo_.GetCount() == 0) return false;
  const RECT& pos = combo_.GetPos();
  POINT corner{pos.left, pos.bottom};
  ::ClientToScreen(manager->GetPaintWindow(), &corner);
  const SIZE box = combo_.GetDropBoxSize();
  const int width = box.cx > 0 ? box.cx : pos.right - pos.left;
  const int room = box.cy > 0 ? box.cy : ListHeight();
  const int height = std::min(ListHeight(), room) + 2 * kBorder;

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromPoint(corner, MONITOR_DEFAULTTONEAREST), &monitor) &&
      corner.y + height > monitor.rcWork.bottom) {
    corner.y -= (pos.bottom - pos.top) + height;  // no room below: above the combo
  }
  if (!Create(manager->GetPaintWindow(), L"", WS_POPUP | WS_CLIPSIBLINGS,
              WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, corner.x, corner.y, width, height)) {
    return false;
  }
  EnsureVisible(combo_.GetCurSel());
  hot_ = combo_.GetCurSel();
  ::ShowWindow(GetHWND(), SW_SHOWNOACTIVATE);
  return true;
}

void ComboDropWindow::OnWindowDestroyed(HWND /*window*/) { combo_.OnDropClosed(); }

void ComboDropWindow::ScrollTo(int top) {
  RECT client{};
  ::GetClientRect(GetHWND(), &client);
  const int visible = client.bottom - 2 * kBorder;
  scroll_ = std::clamp(top, 0, std::max(0, ListHeight() - visible));
  ::InvalidateRect(GetHWND(), nullptr, FALSE);
}

void ComboDropWindow::EnsureVisible(int index) {
  if (index < 0) return;
  RECT client{};
  ::GetClientRect(GetHWND(), &client);
  const int visible = client.bottom - 2 * kBorder;
  const int top = ItemTop(index), bottom = top + ItemHeight(index);
  if (top < scroll_) ScrollTo(top);
  else if (bottom > scroll_ + visible) ScrollTo(bottom - visible);
}

void ComboDropWindow::Pick(int index, bool close) {
  CComboUI& combo = combo_;
  if (close) ::DestroyWindow(GetHWND());
  else {
    hot_ = index;
    EnsureVisible(index);
    ::InvalidateRect(GetHWND(), nullptr, FALSE);
  }
  combo.SelectItem(index, false, true);
}

LRESULT ComboDropWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_MOUSEMOVE: {
      const int hot = IndexAt(GET_Y_LPARAM(lParam));
      if (hot != hot_ && hot >= 0) {
        hot_ = hot;
        ::InvalidateRect(GetHWND(), nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const int index = IndexAt(GET_Y_LPARAM(lParam));
      if (index >= 0) {
        Pick(index, true);
        return 0;  // the window, and perhaps this object, are gone
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      ScrollTo(scroll_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kDefaultItemHeight);
      return 0;
    case WM_KEYDOWN:
      HandleKey(wParam);
      return 0;
    default:
      break;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void ComboDropWindow::HandleKey(WPARAM vk) {
  const int count = combo_.GetCount();
  const int current = combo_.GetCurSel();
  int next = -1;
  switch (vk) {
    case VK_UP: next = std::max(current - 1, 0); break;
    case VK_DOWN: next = std::min(current + 1, count - 1); break;
    case VK_HOME: next = 0; break;
    case VK_END: next = count - 1; break;
    case VK_RETURN:
    case VK_ESCAPE: ::DestroyWindow(GetHWND()); return;
    default: return;
  }
  if (next >= 0 && next != current) Pick(next, false);
}

void ComboDropWindow::Paint() {
  PAINTSTRUCT ps{};
  const HDC dc = ::BeginPaint(GetHWND(), &ps);
  if (!dc) return;
  RECT client{};
  ::GetClientRect(GetHWND(), &client);
  const OffscreenBuffer buffer(dc, client.right, client.bottom);
  const CPaintManagerUI* manager = combo_.GetManager();
  if (buffer.ok() && manager) {
    const HDC out = buffer.dc();
    FillColor(out, client, kListBackground);
    const RECT& padding = combo_.GetItemTextPadding();
    int top = kBorder - scroll_;
    for (int i = 0; i < combo_.GetCount(); ++i) {
      const int h = ItemHeight(i);
      const RECT row{kBorder, top, client.right - kBorder, top + h};
      top += h;
      if (row.bottom <= 0 || row.top >= client.bottom) continue;
      const CControlUI* item = combo_.GetItemAt(i);
      uint32_t back = item->GetBkColor();
      if (i == hot_ && (combo_.GetItemHotBkColor() >> 24) != 0) back = combo_.GetItemHotBkColor();
      if (i == combo_.GetCurSel() && (combo_.GetItemSelectedBkColor() >> 24) != 0) {
        back = combo_.GetItemSelectedBkColor();
      }
      FillColor(out, row, back);
      TextStyle style;
      if (const auto* label = dynamic_cast<const CLabelUI*>(item)) {
        style.font = label->GetFont();
        style.color = label->GetTextColor();
        style.align = label->GetTextAlign();
      }
      const RECT text{row.left + padding.left, row.top + padding.top, row.right - padding.right,
                      row.bottom - padding.bottom};
      DrawPlainText(out, *manager, text, item->GetText(), style);
    }
    DrawBorder(out, client, kBorder, kListBorder);
    ::BitBlt(dc, 0, 0, client.right, client.bottom, out, 0, 0, SRCCOPY);
  }
  ::EndPaint(GetHWND(), &ps);
}

}  // namespace uifw
