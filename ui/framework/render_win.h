#pragma once
// Colour fills and borders with the framework's alpha rules: a colour is 0xAARRGGBB;
// alpha 0 paints nothing, 255 paints opaque, anything between is blended over what
// is already drawn.
#include <windows.h>

#include <cstdint>

namespace uifw {

void FillColor(HDC dc, const RECT& rect, uint32_t argb);
// A frame `size` pixels wide inside `rect`.
void DrawBorder(HDC dc, const RECT& rect, int size, uint32_t argb);
// The COLORREF of a colour's red, green and blue; its alpha is not looked at.
inline COLORREF ToColorRef(uint32_t argb) {
  return RGB(argb >> 16 & 0xff, argb >> 8 & 0xff, argb & 0xff);
}

}  // namespace uifw
