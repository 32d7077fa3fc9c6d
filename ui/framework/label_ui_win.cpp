#include "ui/framework/label_ui.h"

#include "ui/framework/core/values.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/text_render_win.h"

std::wstring_view CLabelUI::GetClass() const { return L"LabelUI"; }

void CLabelUI::SetFont(int id) {
  font_ = id;
  Invalidate();
}

void CLabelUI::SetTextColor(uint32_t argb) {
  text_color_ = argb;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(uint32_t argb) {
  disabled_text_color_ = argb;
  Invalidate();
}

void CLabelUI::SetTextAlign(UINT align) {
  align_ = align & (DT_LEFT | DT_CENTER | DT_RIGHT);
  Invalidate();
}

void CLabelUI::SetTextPadding(const RECT& padding) {
  text_padding_ = padding;
  Invalidate();
}

void CLabelUI::SetWordBreak(bool wrap) {
  wordbreak_ = wrap;
  Invalidate();
}

void CLabelUI::SetShowHtml(bool markup) {
  show_html_ = markup;
  Invalidate();
}

void CLabelUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  using namespace uifw;
  if (name == L"font") {
    SetFont(ParseInt(value));
  } else if (name == L"textcolor") {
    if (const auto c = ParseColor(value)) SetTextColor(*c);
  } else if (name == L"disabledtextcolor") {
    if (const auto c = ParseColor(value)) SetDisabledTextColor(*c);
  } else if (name == L"align") {
    if (value == L"left") SetTextAlign(DT_LEFT);
    else if (value == L"center") SetTextAlign(DT_CENTER);
    else if (value == L"right") SetTextAlign(DT_RIGHT);
  } else if (name == L"textpadding") {
    const UiRect r = ParseRect(value);
    SetTextPadding({r.left, r.top, r.right, r.bottom});
  } else if (name == L"wordbreak") {
    SetWordBreak(ParseBool(value));
  } else if (name == L"showhtml") {
    SetShowHtml(ParseBool(value));
  } else if (name == L"endellipsis") {
    end_ellipsis_ = ParseBool(value);
    Invalidate();
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

uint32_t CLabelUI::TextColorToDraw() const { return IsEnabled() ? text_color_ : disabled_text_color_; }

RECT CLabelUI::TextRect() const {
  const RECT& r = GetPos();
  return {r.left + text_padding_.left, r.top + text_padding_.top, r.right - text_padding_.right,
          r.bottom - text_padding_.bottom};
}

void CLabelUI::PaintText(HDC dc) {
  const std::wstring& text = TextToDraw();
  if (text.empty() || !GetManager()) return;
  uifw::TextStyle style;
  style.font = font_;
  style.color = TextColorToDraw();
  style.align = align_;
  style.wordbreak = wordbreak_;
  style.end_ellipsis = end_ellipsis_;
  if (show_html_) {
    uifw::DrawMarkupText(dc, *GetManager(), TextRect(), text, style);
  } else {
    uifw::DrawPlainText(dc, *GetManager(), TextRect(), text, style);
  }
}
