#include "platform/compat_layer.h"

#include "platform/registry.h"

namespace {

constexpr size_t kLayerLimit = 49;

std::wstring_view CutLayer(std::wstring_view layer) {
  if (layer.size() <= kLayerLimit) return layer;
  size_t keep = kLayerLimit;
  // Never keep half of a surrogate pair.
  if (layer[keep - 1] >= 0xD800 && layer[keep - 1] <= 0xDBFF) --keep;
  return layer.substr(0, keep);
}

}  // namespace

void SetCompatLayer(std::wstring_view value_name, std::wstring_view layer, std::wstring_view key_path) {
  for (const RegView view : {RegView::k64, RegView::k32}) {
    RegKey::Create(HKEY_LOCAL_MACHINE, key_path, KEY_SET_VALUE, view).WriteString(value_name, CutLayer(layer));
  }
}
