#include "ui/framework/shadow_window_win.h"

#include <algorithm>
#include <cmath>

#include "ui/framework/win_handles.h"

namespace uifw {

ShadowWindow::~ShadowWindow() { DestroyNativeWindow(); }

LRESULT ShadowWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // the mouse goes to what lies below
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_WINDOWPOSCHANGING: {
      // Whoever restacks the shadow, it goes right below its owner.
      auto* change = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(change->flags & SWP_NOZORDER) && ::IsWindow(owner_) && change->hwndInsertAfter != owner_) {
        change->hwndInsertAfter = owner_;
      }
      return CWindowWnd::HandleMessage(message, wParam, lParam);
    }
    case WM_TIMER:
      if (wParam != kRestack) break;
      ::KillTimer(GetHWND(), kRestack);
      [[fallthrough]];
    case kRestack:
      if (::IsWindow(owner_) && ::IsWindowVisible(owner_) && ::IsWindowVisible(GetHWND())) {
        ::SetWindowPos(GetHWND(), owner_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      return 0;
    default:
      break;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

BYTE ShadowAlpha(int x, int y, int w, int h, const ShadowStyle& style) {
  const int size = std::max(style.size, 0);
  // The owner's rectangle inside the shadow image; the corner insets round it off.
  const double left = size + style.corner.left, top = size + style.corner.top;
  const double right = w - size - style.corner.right, bottom = h - size - style.corner.bottom;
  const double px = x + 0.5, py = y + 0.5;
  const double dx = px < left ? left - px : px > right ? px - right : 0;
  const double dy = py < top ? top - py : py > bottom ? py - bottom : 0;
  const double reach = size + std::max({style.corner.left, style.corner.top, style.corner.right,
                                        style.corner.bottom, LONG{0}});
  const double d = std::sqrt(dx * dx + dy * dy);
  if (reach <= 0) return d > 0 ? 0 : style.darkness;
  if (d >= reach) return 0;
  const double fade = 1.0 - d / reach;
  return static_cast<BYTE>(std::lround(style.darkness * fade * fade));
}

bool ShadowWindow::Render(const RECT& place, const ShadowStyle& style) {
  const int w = place.right - place.left, h = place.bottom - place.top;
  if (w <= 0 || h <= 0) return false;
  const WindowDc screen(nullptr);
  const OffscreenBuffer buffer(screen.get(), w, h);
  if (!buffer.ok()) return false;
  const uint32_t r = style.color >> 16 & 0xff, g = style.color >> 8 & 0xff, b = style.color & 0xff;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t a = ShadowAlpha(x, y, w, h, style);
      // Premultiplied, as UpdateLayeredWindow wants it.
      buffer.pixels()[static_cast<size_t>(y) * w + x] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | b * a / 255;
    }
  }
  POINT origin{place.left, place.top}, source{0, 0};
  SIZE size{w, h};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (!::UpdateLayeredWindow(GetHWND(), screen.get(), &origin, &size, buffer.dc(), &source, 0, &blend, ULW_ALPHA)) {
    return false;
  }
  rendered_ = size;
  rendered_style_ = style;
  return true;
}

void ShadowWindow::Follow(HWND owner, const ShadowStyle& style) {
  if (!owner || !::IsWindowVisible(owner) || ::IsIconic(owner)) {
    if (GetHWND()) ::ShowWindow(GetHWND(), SW_HIDE);
    return;
  }
  RECT place{};
  ::GetWindowRect(owner, &place);
  ::InflateRect(&place, style.size, style.size);
  ::OffsetRect(&place, style.offset.x, style.offset.y);
  const int w = place.right - place.left, h = place.bottom - place.top;
  if (!GetHWND()) {
    // Owned by the window's owner, not by the window: an owned window always lies
    // above its owner, and the shadow must lie below.
    if (!Create(::GetWindow(owner, GW_OWNER), L"", WS_POPUP,
                WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, place.left, place.top, w,
                h)) {
      return;
    }
  }
  if (rendered_.cx != w || rendered_.cy != h || !(rendered_style_ == style)) Render(place, style);
  ::SetWindowPos(GetHWND(), owner, place.left, place.top, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // Once more for the z-order alone when the owner's own change is over: a window
  // being shown or resized may be restacked after it has been told of the change.
  owner_ = owner;
  ::PostMessageW(GetHWND(), kRestack, 0, 0);
  ::SetTimer(GetHWND(), kRestack, kRestackDelayMs, nullptr);  // and after the display's own restacking
}

}  // namespace uifw
