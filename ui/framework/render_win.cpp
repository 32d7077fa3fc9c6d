#include "ui/framework/render_win.h"

#include <algorithm>

#include "ui/framework/win_handles.h"

namespace uifw {

OffscreenBuffer::OffscreenBuffer(HDC reference, int width, int height)
    : dc_(::CreateCompatibleDC(reference)), width_(std::max(width, 1)), height_(std::max(height, 1)) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc_ || !bitmap_) return;
  pixels_ = static_cast<uint32_t*>(bits);
  selection_.emplace(dc_.get(), bitmap_.get());
}

void FillColor(HDC dc, const RECT& rect, uint32_t argb) {
  const uint32_t alpha = argb >> 24;
  if (alpha == 0 || rect.right <= rect.left || rect.bottom <= rect.top) return;
  if (alpha == 255) {
    const UniqueBrush brush(::CreateSolidBrush(ToColorRef(argb)));
    ::FillRect(dc, &rect, brush.get());
    return;
  }
  // One premultiplied pixel stretched over the rectangle.
  OffscreenBuffer pixel(dc, 1, 1);
  if (!pixel.ok()) return;
  const auto premultiply = [alpha](uint32_t c) { return (c * alpha + 127) / 255; };
  pixel.pixels()[0] = alpha << 24 | premultiply(argb >> 16 & 0xff) << 16 | premultiply(argb >> 8 & 0xff) << 8 |
                      premultiply(argb & 0xff);
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, pixel.dc(), 0, 0, 1, 1, blend);
}

void DrawBorder(HDC dc, const RECT& r, int size, uint32_t argb) {
  if (size <= 0) return;
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int across = std::min(size, w / 2 + w % 2), down = std::min(size, h / 2 + h % 2);
  FillColor(dc, {r.left, r.top, r.right, r.top + down}, argb);
  FillColor(dc, {r.left, r.bottom - down, r.right, r.bottom}, argb);
  FillColor(dc, {r.left, r.top + down, r.left + across, r.bottom - down}, argb);
  FillColor(dc, {r.right - across, r.top + down, r.right, r.bottom - down}, argb);
}

}  // namespace uifw
