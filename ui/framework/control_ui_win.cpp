#include "ui/framework/control_ui.h"

#include "ui/framework/core/image_descriptor.h"
#include "ui/framework/core/values.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/render_win.h"
#include "ui/framework/skin_image_win.h"
#include "ui/framework/skin_package_win.h"
#include "ui/framework/win_handles.h"

using uifw::ParseBool;
using uifw::ParseColor;
using uifw::ParseInt;
using uifw::ParseRect;

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (manager_) manager_->ReapObjects(this);
}

std::wstring_view CControlUI::GetClass() const { return L"ControlUI"; }

void* CControlUI::GetInterface(std::wstring_view name) { return name == L"Control" ? this : nullptr; }

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager_ && manager_ != manager) manager_->ReapObjects(this);
  manager_ = manager;
  parent_ = parent;
}

void CControlUI::SetText(std::wstring_view text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (!visible && manager_) manager_->ReapObjects(this, /*keep_timers=*/true);
  NeedUpdate();
}

bool CControlUI::IsShown() const {
  for (const CControlUI* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

void CControlUI::SetFloat(bool floating) {
  if (float_ == floating) return;
  float_ = floating;
  NeedUpdate();
}

void CControlUI::SetPos(const RECT& rect) {
  if (::EqualRect(&rect, &rect_)) return;
  Invalidate();  // where it was
  rect_ = rect;
  Invalidate();  // where it is
}

void CControlUI::SetFixedXY(SIZE xy) {
  fixed_xy_ = xy;
  NeedUpdate();
}

void CControlUI::SetFixedWidth(int width) {
  fixed_width_ = width < 0 ? 0 : width;
  NeedUpdate();
}

void CControlUI::SetFixedHeight(int height) {
  fixed_height_ = height < 0 ? 0 : height;
  NeedUpdate();
}

void CControlUI::SetPadding(const RECT& padding) {
  padding_ = padding;
  NeedUpdate();
}

void CControlUI::SetBkColor(uint32_t argb) {
  bk_color_ = argb;
  Invalidate();
}

void CControlUI::SetBorderColor(uint32_t argb) {
  border_color_ = argb;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  border_size_ = size < 0 ? 0 : size;
  Invalidate();
}

void CControlUI::SetBkImage(std::wstring_view descriptor) {
  bk_image_ = descriptor;
  Invalidate();
}

void CControlUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"name") {
    SetName(value);
  } else if (name == L"pos") {
    // (l,t) places a floating control; the size only when the rectangle has one,
    // otherwise width and height give it.
    const uifw::UiRect r = ParseRect(value);
    SetFixedXY({r.left, r.top});
    if (r.right > r.left && r.bottom > r.top) {
      SetFixedWidth(r.right - r.left);
      SetFixedHeight(r.bottom - r.top);
    }
  } else if (name == L"float") {
    SetFloat(ParseBool(value));
  } else if (name == L"width") {
    SetFixedWidth(ParseInt(value));
  } else if (name == L"height") {
    SetFixedHeight(ParseInt(value));
  } else if (name == L"padding") {
    const uifw::UiRect r = ParseRect(value);
    SetPadding({r.left, r.top, r.right, r.bottom});
  } else if (name == L"visible") {
    SetVisible(ParseBool(value));
  } else if (name == L"mouse") {
    SetMouseEnabled(ParseBool(value));
  } else if (name == L"enabled") {
    SetEnabled(ParseBool(value));
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"tooltip") {
    SetToolTip(value);
  } else if (name == L"userdata") {
    SetUserData(value);
  } else if (name == L"bkcolor") {
    if (const auto c = ParseColor(value)) SetBkColor(*c);
  } else if (name == L"bordercolor") {
    if (const auto c = ParseColor(value)) SetBorderColor(*c);
  } else if (name == L"bordersize") {
    SetBorderSize(ParseInt(value));
  } else if (name == L"bkimage") {
    SetBkImage(value);
  }
}

void CControlUI::SetAttributeList(std::wstring_view list) {
  for (const auto& pair : uifw::ParseAttributeList(list)) SetAttribute(pair.name, pair.value);
}

CControlUI* CControlUI::FindControl(std::wstring_view name) { return name_ == name ? this : nullptr; }

CControlUI* CControlUI::FindControlAt(POINT point) {
  if (!visible_ || !mouse_ || !::PtInRect(&rect_, point)) return nullptr;
  return this;
}

void CControlUI::DoEvent(TEventUI& /*event*/) {}

void CControlUI::DoPaint(HDC dc, const RECT& paint) {
  RECT visible{};
  if (!::IntersectRect(&visible, &paint, &rect_)) return;
  const uifw::SavedDc saved(dc);
  ::IntersectClipRect(dc, visible.left, visible.top, visible.right, visible.bottom);
  PaintBkColor(dc);
  PaintBkImage(dc);
  PaintStatusImage(dc);
  PaintText(dc);
  PaintBorder(dc);
}

void CControlUI::PaintBkColor(HDC dc) { uifw::FillColor(dc, rect_, bk_color_); }

void CControlUI::PaintBkImage(HDC dc) { DrawImage(dc, bk_image_); }

void CControlUI::PaintStatusImage(HDC /*dc*/) {}

void CControlUI::PaintText(HDC /*dc*/) {}

void CControlUI::PaintBorder(HDC dc) { uifw::DrawBorder(dc, rect_, border_size_, border_color_); }

bool CControlUI::DrawImage(HDC dc, std::wstring_view descriptor) {
  if (descriptor.empty()) return false;
  const uifw::ImageDescriptor d = uifw::ParseImageDescriptor(descriptor);
  const uifw::SkinImage* image = uifw::SkinPackage::Image(d);
  if (!image) return false;
  uifw::DrawSkinImage(dc, *image, rect_, d);
  return true;
}

void CControlUI::Invalidate() {
  if (manager_ && visible_) manager_->Invalidate(rect_);
}

void CControlUI::NeedUpdate() {
  if (manager_) manager_->NeedUpdate();
}
