#include "ui/framework/edit_ui.h"

#include "ui/framework/core/values.h"

std::wstring_view CEditUI::GetClass() const { return L"EditUI"; }

void CEditUI::SetTipValue(std::wstring_view text) {
  tip_value_ = text;
  Invalidate();
}

void CEditUI::SetTipValueColor(uint32_t argb) {
  tip_value_color_ = argb;
  Invalidate();
}

void CEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  using namespace uifw;
  if (name == L"readonly") SetReadOnly(ParseBool(value));
  else if (name == L"tipvalue") SetTipValue(value);
  else if (name == L"tipvaluecolor") {
    if (const auto c = ParseColor(value)) SetTipValueColor(*c);
  } else if (name == L"multiline") {
    multi_line_ = ParseBool(value);
    SetWordBreak(multi_line_);
  } else if (name == L"wantreturn") {
    want_return_ = ParseBool(value);
  } else if (name == L"nativebkcolor") {
    if (const auto c = ParseColor(value)) native_bk_color_ = *c;
  } else if (name == L"password") {
    password_ = ParseBool(value);
    Invalidate();
  } else if (name == L"maxchar") {
    max_char_ = ParseInt(value);
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

const std::wstring& CEditUI::TextToDraw() const {
  if (GetText().empty()) return tip_value_;
  if (!password_) return GetText();
  masked_.assign(GetText().size(), L'*');
  return masked_;
}

uint32_t CEditUI::TextColorToDraw() const {
  return GetText().empty() ? tip_value_color_ : CLabelUI::TextColorToDraw();
}

CRichEditUI::CRichEditUI() { SetWordBreak(true); }

std::wstring_view CRichEditUI::GetClass() const { return L"RichEditUI"; }

void CRichEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"transparent") {
    transparent_ = uifw::ParseBool(value);
    Invalidate();
  } else if (name == L"multiline") {
    SetWordBreak(uifw::ParseBool(value));
  } else {
    CEditUI::SetAttribute(name, value);
  }
}

void CRichEditUI::PaintBkColor(HDC dc) {
  if (!transparent_) CEditUI::PaintBkColor(dc);
}
