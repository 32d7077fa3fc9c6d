#pragma once
// An image-valued attribute: either a plain member name of the skin package or a
// list of key='value' pairs (file, res, restype, dest, source, corner, mask, fade,
// hole, xtiled, ytiled, hsl, size, align, padding). Unknown keys are ignored.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/framework/core/values.h"

namespace uifw {

struct ImageDescriptor {
  std::wstring file;     // skin package member
  std::wstring res;      // resource id (digits) or name, used when file is empty
  std::wstring restype;  // resource type of res
  std::optional<UiRect> dest;    // relative to the control's top-left corner
  std::optional<UiRect> source;  // part of the image
  UiRect corner;                 // nine-grid borders kept unscaled
  std::optional<uint32_t> mask;  // colour drawn transparent
  int fade = 255;                // overall opacity
  bool hole = false;             // nine-grid without its middle
  bool xtiled = false;
  bool ytiled = false;
  bool hsl = false;
  std::optional<UiSize> size;
  std::wstring align;
  UiRect padding;

  bool HasSource() const { return !file.empty() || !res.empty(); }
  // Identifies the pixels: the same key means the same decoded image.
  std::wstring ImageKey() const;
};

ImageDescriptor ParseImageDescriptor(std::wstring_view value);

}  // namespace uifw
