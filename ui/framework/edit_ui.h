#pragma once
// Text fields. While the user types, a native EDIT window lies over the field's text
// area: a single-line edit shows it only while it has the keyboard focus and draws its
// text (or the placeholder while empty) itself otherwise; a rich edit is multi-line,
// wraps its text and keeps its native window shown whenever it has text or the focus.
// User edits send "textchanged"; focus changes send "setfocus" and "killfocus"; Tab
// moves the focus on and Return or Escape reach the window's pre-message filters
// (WindowImplBase::OnDefaultKey) unless a multi-line field wants Return itself.
#include "ui/framework/label_ui.h"
#include "ui/framework/ui_defs.h"
#include "ui/framework/win_handles.h"

class CEditUI : public CLabelUI, public INativeHostUI {
 public:
  CEditUI();
  ~CEditUI() override;
  std::wstring_view GetClass() const override;

  bool IsReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  const std::wstring& GetTipValue() const { return tip_value_; }
  void SetTipValue(std::wstring_view text);
  uint32_t GetTipValueColor() const { return tip_value_color_; }
  void SetTipValueColor(uint32_t argb);
  bool IsMultiLine() const { return multi_line_; }
  bool IsWantReturn() const { return want_return_; }
  uint32_t GetNativeBkColor() const { return native_bk_color_; }
  bool IsPassword() const { return password_; }
  int GetMaxChar() const { return max_char_; }

  // Replaces the text, also in the native window; sends no "textchanged".
  void SetText(std::wstring_view text) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void SetPos(const RECT& rect) override;
  void SetEnabled(bool enabled = true) override;
  void SetVisible(bool visible = true) override;

  // INativeHostUI. The native window exists from the first focus on (from creation on
  // for a rich edit) and lives as long as the control or its window.
  HWND GetNativeWindow() const override { return native_; }
  void SyncNativeWindow() override;
  bool CanTakeFocus() const override;
  void TakeNativeFocus() override;
  bool HandleNativeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool HasNativeFocus() const { return focused_; }

 protected:
  const std::wstring& TextToDraw() const override;
  uint32_t TextColorToDraw() const override;
  void PaintText(HDC dc) override;
  // A rich edit keeps its native window; an edit shows it only while focused.
  virtual bool KeepsNativeWindow() const { return false; }
  // The background the native window is painted with.
  virtual uint32_t NativeBackground() const { return native_bk_color_; }
  void SetMultiLine(bool multi_line);
  void SetWantReturn(bool want_return) { want_return_ = want_return; }
  void EnsureNativeWindow();

 private:
  static LRESULT CALLBACK NativeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
  LRESULT OnNativeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool NativeShown() const;
  RECT NativeRect() const;
  void PushTextToNative();

  bool read_only_ = false;
  std::wstring tip_value_;
  uint32_t tip_value_color_ = 0xffbababa;
  bool multi_line_ = false;
  bool want_return_ = false;
  uint32_t native_bk_color_ = 0xffffffff;
  bool password_ = false;
  int max_char_ = 255;
  mutable std::wstring masked_;  // the password's dots, made when drawn

  HWND native_ = nullptr;  // a child of the window: the system destroys it with the window
  DWORD native_style_ = 0;
  bool focused_ = false;
  bool pushing_text_ = false;  // SetText is writing the native text: not a user edit
  uifw::UniqueBrush native_brush_;
  COLORREF native_brush_color_ = CLR_INVALID;
};

class CRichEditUI : public CEditUI {
 public:
  CRichEditUI();
  std::wstring_view GetClass() const override;
  bool IsTransparent() const { return transparent_; }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  // Lines of the native window's wrapped text (0 while it has none).
  int GetLineCount() const;

 protected:
  void PaintBkColor(HDC dc) override;
  bool KeepsNativeWindow() const override { return true; }
  // Its own background colour, or with none (or transparent) the nearest one above it.
  uint32_t NativeBackground() const override;

 private:
  bool transparent_ = false;
};
