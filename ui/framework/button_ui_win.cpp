#include "ui/framework/button_ui.h"

#include "ui/framework/container_ui.h"
#include "ui/framework/core/values.h"
#include "ui/framework/paint_manager.h"

CButtonUI::CButtonUI() { SetTextAlign(DT_CENTER); }

std::wstring_view CButtonUI::GetClass() const { return L"ButtonUI"; }

void CButtonUI::SetNormalImage(std::wstring_view descriptor) {
  normal_image_ = descriptor;
  Invalidate();
}
void CButtonUI::SetHotImage(std::wstring_view descriptor) {
  hot_image_ = descriptor;
  Invalidate();
}
void CButtonUI::SetPushedImage(std::wstring_view descriptor) {
  pushed_image_ = descriptor;
  Invalidate();
}
void CButtonUI::SetDisabledImage(std::wstring_view descriptor) {
  disabled_image_ = descriptor;
  Invalidate();
}
void CButtonUI::SetHotTextColor(uint32_t argb) {
  hot_text_color_ = argb;
  Invalidate();
}
void CButtonUI::SetPushedTextColor(uint32_t argb) {
  pushed_text_color_ = argb;
  Invalidate();
}

void CButtonUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  using namespace uifw;
  if (name == L"normalimage") SetNormalImage(value);
  else if (name == L"hotimage") SetHotImage(value);
  else if (name == L"pushedimage") SetPushedImage(value);
  else if (name == L"disabledimage") SetDisabledImage(value);
  else if (name == L"hottextcolor") {
    if (const auto c = ParseColor(value)) SetHotTextColor(*c);
  } else if (name == L"pushedtextcolor") {
    if (const auto c = ParseColor(value)) SetPushedTextColor(*c);
  } else if (name == L"cursor") {
    SetHandCursor(value == L"hand");
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

void CButtonUI::SetEnabled(bool enabled) {
  if (!enabled) hot_ = pushed_ = captured_ = false;
  CLabelUI::SetEnabled(enabled);
}

void CButtonUI::SetVisible(bool visible) {
  if (!visible) hot_ = pushed_ = captured_ = false;  // it hears of no mouse while hidden
  CLabelUI::SetVisible(visible);
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UiEventType::kMouseEnter:
      if (IsEnabled()) hot_ = true;
      break;
    case UiEventType::kMouseLeave:
      hot_ = false;
      break;
    case UiEventType::kButtonDown:
    case UiEventType::kDoubleClick:
      if (!IsEnabled()) return;
      captured_ = pushed_ = true;
      break;
    case UiEventType::kMouseMove:
      if (!captured_) return;
      pushed_ = ::PtInRect(&GetPos(), event.mouse) != FALSE;
      break;
    case UiEventType::kButtonUp: {
      if (!captured_) return;
      captured_ = pushed_ = false;
      Invalidate();
      // Released over this very control, not over one drawn above it.
      if (GetManager() && GetManager()->FindControl(event.mouse) == this) Activate();
      return;  // this control may be gone now
    }
  }
  Invalidate();
}

bool CButtonUI::Activate() {
  if (!IsEnabled() || !GetManager()) return false;
  GetManager()->SendNotify(this, L"click");
  return true;
}

void CButtonUI::PaintStatusImage(HDC dc) {
  if (!IsEnabled()) {
    DrawImage(dc, disabled_image_) || DrawImage(dc, normal_image_);
  } else if (pushed_) {
    DrawImage(dc, pushed_image_) || DrawImage(dc, hot_image_) || DrawImage(dc, normal_image_);
  } else if (hot_) {
    DrawImage(dc, hot_image_) || DrawImage(dc, normal_image_);
  } else {
    DrawImage(dc, normal_image_);
  }
}

uint32_t CButtonUI::TextColorToDraw() const {
  if (IsEnabled() && pushed_ && pushed_text_color_) return pushed_text_color_;
  if (IsEnabled() && hot_ && hot_text_color_) return hot_text_color_;
  return CLabelUI::TextColorToDraw();
}

std::wstring_view COptionUI::GetClass() const { return L"OptionUI"; }
std::wstring_view CCheckBoxUI::GetClass() const { return L"CheckBoxUI"; }

namespace {

// Every option of `group` under `control`, except `keep`, is deselected.
void DeselectGroup(CControlUI* control, const std::wstring& group, const COptionUI* keep) {
  if (auto* option = dynamic_cast<COptionUI*>(control); option && option != keep && option->GetGroup() == group) {
    option->Selected(false);
  }
  if (auto* container = dynamic_cast<CContainerUI*>(control)) {
    for (int i = 0; i < container->GetCount(); ++i) DeselectGroup(container->GetItemAt(i), group, keep);
  }
}

}  // namespace

void COptionUI::Selected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  if (selected && !group_.empty() && GetManager()) DeselectGroup(GetManager()->GetRoot(), group_, this);
  Invalidate();
}

void COptionUI::SetSelectedImage(std::wstring_view descriptor) {
  selected_image_ = descriptor;
  Invalidate();
}
void COptionUI::SetSelectedHotImage(std::wstring_view descriptor) {
  selected_hot_image_ = descriptor;
  Invalidate();
}
void COptionUI::SetSelectedTextColor(uint32_t argb) {
  selected_text_color_ = argb;
  Invalidate();
}

void COptionUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"selected") Selected(uifw::ParseBool(value));
  else if (name == L"group") SetGroup(value);
  else if (name == L"selectedimage") SetSelectedImage(value);
  else if (name == L"selectedhotimage") SetSelectedHotImage(value);
  else if (name == L"selectedtextcolor") {
    if (const auto c = uifw::ParseColor(value)) SetSelectedTextColor(*c);
  } else {
    CButtonUI::SetAttribute(name, value);
  }
}

bool COptionUI::Activate() {
  if (!IsEnabled()) return false;
  // A grouped option is chosen, never un-chosen, by a press; a lone one toggles.
  Selected(group_.empty() ? !selected_ : true);
  return CButtonUI::Activate();
}

void COptionUI::PaintStatusImage(HDC dc) {
  if (selected_ && IsEnabled()) {
    if ((IsHot() && DrawImage(dc, selected_hot_image_)) || DrawImage(dc, selected_image_)) return;
  }
  CButtonUI::PaintStatusImage(dc);
}

uint32_t COptionUI::TextColorToDraw() const {
  if (selected_ && IsEnabled() && selected_text_color_) return selected_text_color_;
  return CButtonUI::TextColorToDraw();
}
