#include "ui/framework/skin_image_win.h"

#include <objidl.h>
#include <shlwapi.h>
// GDI+ after the COM headers it needs.
#include <gdiplus.h>

#include <algorithm>
#include <cstring>

#include "ui/framework/render_win.h"

namespace uifw {
namespace {

namespace gp = Gdiplus::DllExports;

// GDI+ for the life of the process once the first image is decoded.
class GdiplusSession {
 public:
  GdiplusSession() {
    const Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

bool GdiplusReady() {
  static const GdiplusSession session;
  return session.ok();
}

struct StreamRelease {
  void operator()(IStream* stream) const { stream->Release(); }
};
struct ImageDispose {
  void operator()(Gdiplus::GpBitmap* bitmap) const { gp::GdipDisposeImage(bitmap); }
};

void Blend(HDC dc, HDC source, const RECT& to, const RECT& from, BYTE fade) {
  const int dw = to.right - to.left, dh = to.bottom - to.top;
  const int sw = from.right - from.left, sh = from.bottom - from.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
  ::AlphaBlend(dc, to.left, to.top, dw, dh, source, from.left, from.top, sw, sh, blend);
}

}  // namespace

std::unique_ptr<SkinImage> SkinImage::Decode(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > 0x7fffffff || !GdiplusReady()) return nullptr;
  const std::unique_ptr<IStream, StreamRelease> stream(
      ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  Gdiplus::GpBitmap* raw = nullptr;
  if (gp::GdipCreateBitmapFromStream(stream.get(), &raw) != Gdiplus::Ok || !raw) return nullptr;
  const std::unique_ptr<Gdiplus::GpBitmap, ImageDispose> decoded(raw);

  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(decoded.get(), &width);
  gp::GdipGetImageHeight(decoded.get(), &height);
  if (width == 0 || height == 0 || width > 16384 || height > 16384) return nullptr;

  const Gdiplus::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(decoded.get(), &all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
      Gdiplus::Ok) {
    return nullptr;
  }
  auto image = std::make_unique<SkinImage>(DecodedOnly{});
  image->width_ = static_cast<int>(width);
  image->height_ = static_cast<int>(height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image->width_;
  info.bmiHeader.biHeight = -image->height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  image->bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (image->bitmap_) {
    for (UINT y = 0; y < height; ++y) {
      std::memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * width * 4,
                  static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride, width * 4);
    }
  }
  gp::GdipBitmapUnlockBits(decoded.get(), &data);
  if (!image->bitmap_) return nullptr;
  return image;
}

namespace {

// Where an image of `size` goes inside `area` by the words of `align` ("left", "right",
// "center"; "top", "bottom", "vcenter"); centred where the words say nothing.
RECT Align(const RECT& area, SIZE size, std::wstring_view align) {
  const auto has = [&](std::wstring_view word) { return align.find(word) != std::wstring_view::npos; };
  RECT r{};
  if (has(L"left")) r.left = area.left;
  else if (has(L"right")) r.left = area.right - size.cx;
  else r.left = (area.left + area.right - size.cx) / 2;
  if (has(L"top")) r.top = area.top;
  else if (has(L"bottom")) r.top = area.bottom - size.cy;
  else r.top = (area.top + area.bottom - size.cy) / 2;
  r.right = r.left + size.cx;
  r.bottom = r.top + size.cy;
  return r;
}

// A copy of `image` whose pixels of the mask colour are transparent.
UniqueBitmap MaskedCopy(const SkinImage& image, uint32_t mask) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.Width();
  info.bmiHeader.biHeight = -image.Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap copy(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!copy) return copy;
  const size_t count = static_cast<size_t>(image.Width()) * image.Height();
  if (::GetDIBits(WindowDc(nullptr).get(), image.Bitmap(), 0, static_cast<UINT>(image.Height()), bits, &info,
                  DIB_RGB_COLORS) == 0) {
    return UniqueBitmap();
  }
  auto* px = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < count; ++i) {
    if ((px[i] & 0xffffff) == (mask & 0xffffff)) px[i] = 0;
  }
  return copy;
}

}  // namespace

void DrawSkinImage(HDC dc, const SkinImage& image, const RECT& control, const ImageDescriptor& d) {
  RECT to = control;
  if (d.dest) {
    to = {control.left + d.dest->left, control.top + d.dest->top, control.left + d.dest->right,
          control.top + d.dest->bottom};
  }
  to = {to.left + d.padding.left, to.top + d.padding.top, to.right - d.padding.right, to.bottom - d.padding.bottom};
  if (to.right <= to.left || to.bottom <= to.top) return;
  RECT from{0, 0, image.Width(), image.Height()};
  if (d.source) {
    from = {std::clamp(d.source->left, 0, image.Width()), std::clamp(d.source->top, 0, image.Height()),
            std::clamp(d.source->right, 0, image.Width()), std::clamp(d.source->bottom, 0, image.Height())};
  }
  if (d.size || !d.align.empty()) {
    const SIZE natural{from.right - from.left, from.bottom - from.top};
    const SIZE wanted = d.size && d.size->cx > 0 && d.size->cy > 0 ? SIZE{d.size->cx, d.size->cy} : natural;
    to = Align(to, wanted, d.align);
  }
  const SavedDc saved(dc);  // tiles, aligned images and nine-grids stay inside their place
  ::IntersectClipRect(dc, to.left, to.top, to.right, to.bottom);
  UniqueBitmap masked;
  if (d.mask) masked = MaskedCopy(image, *d.mask);
  const HBITMAP bitmap = masked ? masked.get() : image.Bitmap();
  const UniqueMemoryDc source(::CreateCompatibleDC(dc));
  if (!source) return;
  const SelectedObject selected(source.get(), bitmap);
  const BYTE fade = static_cast<BYTE>(std::clamp(d.fade, 0, 255));

  if (d.xtiled || d.ytiled) {
    // Tiled at the image's own size along the tiled directions, stretched along the others.
    const int fw = from.right - from.left, fh = from.bottom - from.top;
    if (fw <= 0 || fh <= 0) return;
    const int step_x = d.xtiled ? fw : to.right - to.left, step_y = d.ytiled ? fh : to.bottom - to.top;
    for (int y = to.top; y < to.bottom; y += step_y) {
      for (int x = to.left; x < to.right; x += step_x) Blend(dc, source.get(), {x, y, x + step_x, y + step_y}, from, fade);
    }
    return;
  }

  // Nine-grid: borders keep their size (shrunk when the target is too small), the
  // middle stretches.
  const int fw = from.right - from.left, fh = from.bottom - from.top;
  const int tw = to.right - to.left, th = to.bottom - to.top;
  int l = std::clamp(d.corner.left, 0, fw), r = std::clamp(d.corner.right, 0, fw - l);
  int t = std::clamp(d.corner.top, 0, fh), b = std::clamp(d.corner.bottom, 0, fh - t);
  if (l + r == 0 && t + b == 0) {
    Blend(dc, source.get(), to, from, fade);
    return;
  }
  const int tl = std::min(l, tw / 2), tr = std::min(r, tw - tl), tt = std::min(t, th / 2), tb = std::min(b, th - tt);
  const int xs[4] = {from.left, from.left + l, from.right - r, from.right};
  const int ys[4] = {from.top, from.top + t, from.bottom - b, from.bottom};
  const int xd[4] = {to.left, to.left + tl, to.right - tr, to.right};
  const int yd[4] = {to.top, to.top + tt, to.bottom - tb, to.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      if (d.hole && row == 1 && column == 1) continue;
      Blend(dc, source.get(), {xd[column], yd[row], xd[column + 1], yd[row + 1]},
            {xs[column], ys[row], xs[column + 1], ys[row + 1]}, fade);
    }
  }
}

}  // namespace uifw
