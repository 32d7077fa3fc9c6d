#pragma once
// A decoded skin image: premultiplied 32-bit pixels in a DIB section, drawn with
// per-pixel alpha, whole or as a nine-grid.
#include <windows.h>

#include <memory>
#include <string_view>

#include "ui/framework/core/image_descriptor.h"
#include "ui/framework/win_handles.h"

namespace uifw {

class SkinImage {
 public:
  // PNG, BMP, JPEG, GIF... whatever GDI+ decodes; null for bytes that are no image.
  static std::unique_ptr<SkinImage> Decode(std::string_view bytes);

  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Bitmap() const { return bitmap_.get(); }

 private:
  struct DecodedOnly {
    explicit DecodedOnly() = default;
  };

 public:
  explicit SkinImage(DecodedOnly) {}  // only Decode can name the key

 private:
  UniqueBitmap bitmap_;
  int width_ = 0;
  int height_ = 0;
};

// Draws `image` for a control at `control` (client coordinates) as `descriptor` says:
// into its dest rectangle or over the whole control, from its source part, with its
// nine-grid corner, its fade and hole.
void DrawSkinImage(HDC dc, const SkinImage& image, const RECT& control, const ImageDescriptor& descriptor);

}  // namespace uifw
