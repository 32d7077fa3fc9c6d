#pragma once
// A control that draws a text: font id, colours, alignment, padding, word wrapping and
// optional inline markup.
#include "ui/framework/control_ui.h"

class CLabelUI : public CControlUI {
 public:
  std::wstring_view GetClass() const override;

  int GetFont() const { return font_; }
  void SetFont(int id);
  uint32_t GetTextColor() const { return text_color_; }
  void SetTextColor(uint32_t argb);
  uint32_t GetDisabledTextColor() const { return disabled_text_color_; }
  void SetDisabledTextColor(uint32_t argb);
  UINT GetTextAlign() const { return align_; }  // DT_LEFT, DT_CENTER or DT_RIGHT
  void SetTextAlign(UINT align);
  const RECT& GetTextPadding() const { return text_padding_; }
  void SetTextPadding(const RECT& padding);
  bool IsWordBreak() const { return wordbreak_; }
  void SetWordBreak(bool wrap);
  bool IsShowHtml() const { return show_html_; }
  void SetShowHtml(bool markup);

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  void PaintText(HDC dc) override;
  // The text and colour this state draws; an edit shows its placeholder instead.
  virtual const std::wstring& TextToDraw() const { return GetText(); }
  virtual uint32_t TextColorToDraw() const;
  RECT TextRect() const;

 private:
  int font_ = -1;
  uint32_t text_color_ = 0xff000000;
  uint32_t disabled_text_color_ = 0xffa7a6aa;
  UINT align_ = DT_LEFT;
  RECT text_padding_{};
  bool wordbreak_ = false;
  bool show_html_ = false;
  bool end_ellipsis_ = false;
};
