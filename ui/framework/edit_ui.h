#pragma once
// Text fields. This slice draws them (text, or the placeholder in its colour while
// empty) and keeps their settings; typing through a native edit window comes later.
#include "ui/framework/label_ui.h"

class CEditUI : public CLabelUI {
 public:
  std::wstring_view GetClass() const override;

  bool IsReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }
  const std::wstring& GetTipValue() const { return tip_value_; }
  void SetTipValue(std::wstring_view text);
  uint32_t GetTipValueColor() const { return tip_value_color_; }
  void SetTipValueColor(uint32_t argb);
  bool IsMultiLine() const { return multi_line_; }
  bool IsWantReturn() const { return want_return_; }
  uint32_t GetNativeBkColor() const { return native_bk_color_; }
  bool IsPassword() const { return password_; }
  int GetMaxChar() const { return max_char_; }

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  const std::wstring& TextToDraw() const override;
  uint32_t TextColorToDraw() const override;

 private:
  bool read_only_ = false;
  std::wstring tip_value_;
  uint32_t tip_value_color_ = 0xffbababa;
  bool multi_line_ = false;
  bool want_return_ = false;
  uint32_t native_bk_color_ = 0xffffffff;
  bool password_ = false;
  int max_char_ = 255;
  mutable std::wstring masked_;  // the password's dots, made when drawn
};

class CRichEditUI : public CEditUI {
 public:
  CRichEditUI();
  std::wstring_view GetClass() const override;
  bool IsTransparent() const { return transparent_; }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  void PaintBkColor(HDC dc) override;

 private:
  bool transparent_ = false;
};
