#pragma once
// The base of every control: a rectangle in its window's client area with a name,
// placement attributes, a background, a border and a text. Controls are owned by
// their container (the root by the paint manager) and drawn by the paint manager.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/framework/ui_defs.h"

class CPaintManagerUI;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // The element name with "C" in front and "UI" behind, without the "C": "LabelUI".
  virtual std::wstring_view GetClass() const;
  // This control as the class that goes by `name` ("Control", "ActiveX", ...), or null.
  virtual void* GetInterface(std::wstring_view name);

  const std::wstring& GetName() const { return name_; }
  void SetName(std::wstring_view name) { name_ = name; }
  CControlUI* GetParent() const { return parent_; }
  CPaintManagerUI* GetManager() const { return manager_; }
  // Joins a window (and a parent); containers pass it on to their children.
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);

  virtual const std::wstring& GetText() const { return text_; }
  virtual void SetText(std::wstring_view text);
  const std::wstring& GetToolTip() const { return tooltip_; }
  void SetToolTip(std::wstring_view text) { tooltip_ = text; }
  const std::wstring& GetUserData() const { return user_data_; }
  void SetUserData(std::wstring_view data) { user_data_ = data; }

  // The control's own visibility; IsShown also asks every container above it.
  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible = true);
  bool IsShown() const;
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled = true);
  // false: hit testing passes through the control (to its children or what lies below).
  bool IsMouseEnabled() const { return mouse_; }
  void SetMouseEnabled(bool enabled = true) { mouse_ = enabled; }
  bool IsFloat() const { return float_; }
  void SetFloat(bool floating = true);
  bool HasHandCursor() const { return hand_cursor_; }

  // The rectangle the layout gave the control, in client coordinates.
  const RECT& GetPos() const { return rect_; }
  virtual void SetPos(const RECT& rect);
  int GetWidth() const { return rect_.right - rect_.left; }
  int GetHeight() const { return rect_.bottom - rect_.top; }
  // Top-left corner relative to the parent, for a floating control.
  SIZE GetFixedXY() const { return fixed_xy_; }
  void SetFixedXY(SIZE xy);
  // 0: no fixed size (a share of the parent's room, or nothing when floating).
  int GetFixedWidth() const { return fixed_width_; }
  void SetFixedWidth(int width);
  int GetFixedHeight() const { return fixed_height_; }
  void SetFixedHeight(int height);
  const RECT& GetPadding() const { return padding_; }
  void SetPadding(const RECT& padding);

  uint32_t GetBkColor() const { return bk_color_; }
  void SetBkColor(uint32_t argb);
  uint32_t GetBorderColor() const { return border_color_; }
  void SetBorderColor(uint32_t argb);
  int GetBorderSize() const { return border_size_; }
  void SetBorderSize(int size);
  const std::wstring& GetBkImage() const { return bk_image_; }
  void SetBkImage(std::wstring_view descriptor);

  // One attribute of the layout vocabulary; names the control does not know are ignored.
  virtual void SetAttribute(std::wstring_view name, std::wstring_view value);
  // name="value" pairs, applied in order.
  void SetAttributeList(std::wstring_view list);

  // This control or the first descendant in document order with that name.
  virtual CControlUI* FindControl(std::wstring_view name);
  // The topmost shown control at `point` that takes the mouse, or null.
  virtual CControlUI* FindControlAt(POINT point);

  virtual void DoEvent(TEventUI& event);
  // Paints the control clipped to `paint` (client coordinates).
  virtual void DoPaint(HDC dc, const RECT& paint);

  void Invalidate();
  // The window lays its controls out again before it next paints.
  void NeedUpdate();

 protected:
  virtual void PaintBkColor(HDC dc);
  virtual void PaintBkImage(HDC dc);
  virtual void PaintStatusImage(HDC dc);
  virtual void PaintText(HDC dc);
  virtual void PaintBorder(HDC dc);
  // Draws an image descriptor over the control; false when it names no image that exists.
  bool DrawImage(HDC dc, std::wstring_view descriptor);
  void SetHandCursor(bool hand) { hand_cursor_ = hand; }

 private:
  std::wstring name_;
  CPaintManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  std::wstring text_;
  std::wstring tooltip_;
  std::wstring user_data_;
  bool visible_ = true;
  bool enabled_ = true;
  bool mouse_ = true;
  bool float_ = false;
  bool hand_cursor_ = false;
  RECT rect_{};
  SIZE fixed_xy_{};
  int fixed_width_ = 0;
  int fixed_height_ = 0;
  RECT padding_{};
  uint32_t bk_color_ = 0;
  uint32_t border_color_ = 0;
  int border_size_ = 0;
  std::wstring bk_image_;
};
