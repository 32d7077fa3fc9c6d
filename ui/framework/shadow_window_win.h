#pragma once
// The soft drop shadow of a skinned window: a layered, click-through popup of its own
// that lies just below the window in z-order, grown by the shadow's size and moved by
// its offset, shown and hidden with the window.
#include <windows.h>

#include <cstdint>

#include "ui/framework/window_wnd.h"

namespace uifw {

struct ShadowStyle {
  int size = 6;            // pixels the shadow reaches beyond the window
  BYTE darkness = 25;      // alpha where the shadow is darkest
  POINT offset{0, 0};      // of the shadow against the window
  uint32_t color = 0;      // 0x..RRGGBB; the alpha is not looked at
  RECT corner{};           // rounded-corner insets (taken into the fade)
};

inline bool operator==(const ShadowStyle& a, const ShadowStyle& b) {
  return a.size == b.size && a.darkness == b.darkness && a.offset.x == b.offset.x && a.offset.y == b.offset.y &&
         a.color == b.color && ::EqualRect(&a.corner, &b.corner);
}

class ShadowWindow : public CWindowWnd {
 public:
  ~ShadowWindow() override;
  // Places the shadow for `owner` as it now stands; hidden while the owner is hidden
  // or minimised.
  void Follow(HWND owner, const ShadowStyle& style);

 protected:
  std::wstring_view ClassName() const override { return L"orb_shadow"; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool Render(const RECT& place, const ShadowStyle& style);
  static constexpr UINT kRestack = WM_APP + 1;  // also the timer's id
  static constexpr UINT kRestackDelayMs = 15;

  HWND owner_ = nullptr;

  SIZE rendered_{};
  ShadowStyle rendered_style_{};
};

// Alpha of the shadow at (x, y) of a w x h shadow image: darkest inside the owner's
// rectangle, fading to nothing `size` pixels outside it.
BYTE ShadowAlpha(int x, int y, int w, int h, const ShadowStyle& style);

}  // namespace uifw
