#include "ui/framework/progress_ui.h"

#include <algorithm>

#include "ui/framework/core/values.h"
#include "ui/framework/skin_image_win.h"
#include "ui/framework/skin_package_win.h"

CProgressUI::CProgressUI() { SetTextAlign(DT_CENTER); }

std::wstring_view CProgressUI::GetClass() const { return L"ProgressUI"; }

void CProgressUI::SetMinValue(int value) {
  min_ = value;
  Invalidate();
}
void CProgressUI::SetMaxValue(int value) {
  max_ = value;
  Invalidate();
}
void CProgressUI::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  Invalidate();
}
void CProgressUI::SetHorizontal(bool horizontal) {
  horizontal_ = horizontal;
  Invalidate();
}
void CProgressUI::SetForeImage(std::wstring_view descriptor) {
  fore_image_ = descriptor;
  Invalidate();
}

void CProgressUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  using namespace uifw;
  if (name == L"min") SetMinValue(ParseInt(value));
  else if (name == L"max") SetMaxValue(ParseInt(value));
  else if (name == L"value") SetValue(ParseInt(value));
  else if (name == L"hor") SetHorizontal(ParseBool(value));
  else if (name == L"foreimage") SetForeImage(value);
  else CLabelUI::SetAttribute(name, value);
}

void CProgressUI::PaintStatusImage(HDC dc) {
  if (max_ <= min_ || fore_image_.empty()) return;
  const uifw::ImageDescriptor d = uifw::ParseImageDescriptor(fore_image_);
  const uifw::SkinImage* image = uifw::SkinPackage::Image(d);
  if (!image) return;
  const double share = std::clamp(static_cast<double>(value_ - min_) / (max_ - min_), 0.0, 1.0);
  RECT filled = GetPos();
  if (horizontal_) {
    filled.right = filled.left + static_cast<int>(GetWidth() * share);
  } else {
    filled.top = filled.bottom - static_cast<int>(GetHeight() * share);
  }
  if (filled.right > filled.left && filled.bottom > filled.top) uifw::DrawSkinImage(dc, *image, filled, d);
}
