#include "ui/framework/core/image_descriptor.h"

#include <algorithm>

namespace uifw {

std::wstring ImageDescriptor::ImageKey() const {
  if (!file.empty()) return L"file:" + file;
  if (!res.empty()) return L"res:" + restype + L":" + res;
  return {};
}

ImageDescriptor ParseImageDescriptor(std::wstring_view value) {
  ImageDescriptor d;
  if (value.find(L'=') == std::wstring_view::npos) {
    while (!value.empty() && value.front() == L' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == L' ') value.remove_suffix(1);
    d.file.assign(value);
    return d;
  }
  for (const NameValue& pair : ParseAttributeList(value)) {
    const std::wstring& v = pair.value;
    if (pair.name == L"file") d.file = v;
    else if (pair.name == L"res") d.res = v;
    else if (pair.name == L"restype") d.restype = v;
    else if (pair.name == L"dest") d.dest = ParseRect(v);
    else if (pair.name == L"source") d.source = ParseRect(v);
    else if (pair.name == L"corner") d.corner = ParseRect(v);
    else if (pair.name == L"mask") d.mask = ParseColor(v);
    else if (pair.name == L"fade") d.fade = std::clamp(ParseInt(v), 0, 255);
    else if (pair.name == L"hole") d.hole = ParseBool(v);
    else if (pair.name == L"xtiled") d.xtiled = ParseBool(v);
    else if (pair.name == L"ytiled") d.ytiled = ParseBool(v);
    else if (pair.name == L"hsl") d.hsl = ParseBool(v);
    else if (pair.name == L"size") d.size = ParseSize(v);
    else if (pair.name == L"align") d.align = v;
    else if (pair.name == L"padding") d.padding = ParseRect(v);
  }
  return d;
}

}  // namespace uifw
