#pragma once
// Text drawn with GDI (a face that is missing falls back to an installed one).
// Colours are 0xAARRGGBB; text ignores the alpha.
#include <windows.h>

#include <cstdint>
#include <string_view>

class CPaintManagerUI;

namespace uifw {

struct TextStyle {
  int font = -1;                 // font id of the window; unknown ids give its default font
  uint32_t color = 0xff000000;
  UINT align = DT_LEFT;          // DT_LEFT, DT_CENTER or DT_RIGHT
  bool wordbreak = false;        // wrap at word boundaries, from the top; else one centred line
  bool end_ellipsis = false;
};

void DrawPlainText(HDC dc, const CPaintManagerUI& manager, const RECT& rect, std::wstring_view text,
                   const TextStyle& style);
// Inline markup: font, colour and underline tags; see core/inline_markup.h.
void DrawMarkupText(HDC dc, const CPaintManagerUI& manager, const RECT& rect, std::wstring_view text,
                    const TextStyle& style);
// Size of `text` in `font` on one line, or wrapped at `wrap_width` when it is > 0.
SIZE MeasureText(HDC dc, HFONT font, std::wstring_view text, int wrap_width = 0);

}  // namespace uifw
