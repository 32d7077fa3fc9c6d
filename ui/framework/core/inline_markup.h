#pragma once
// Inline text markup of labels and buttons with showhtml="true":
//   {f n}...{/f}        font id n
//   {c #rrggbb}...{/c}  colour
//   {u}...{/u}          underline
//   {l}...{/l}          accepted, no effect
// A tag is "{", an optional "/", one lower-case letter, then "}" or a blank and an
// argument up to "}". Tags never reach the drawn text; unknown letters have no effect.
// A "{" that starts no tag is text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uifw {

struct MarkupRun {
  std::wstring text;
  int font = -1;                  // -1: the control's own font
  std::optional<uint32_t> color;  // 0x00RRGGBB; none: the control's own colour
  bool underline = false;
  bool operator==(const MarkupRun&) const = default;
};

// Runs in reading order; neighbours with the same style are merged, empty ones
// dropped.
std::vector<MarkupRun> ParseInlineMarkup(std::wstring_view text);

}  // namespace uifw
