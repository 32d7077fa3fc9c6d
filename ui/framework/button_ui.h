#pragma once
// Buttons: state images (normal, hot, pushed, disabled) and the "click" notification,
// sent when the left button is released over the control it was pressed on while the
// control is enabled. An option keeps a selected state; a check box toggles it as
// part of the same press, before "click" is sent.
#include "ui/framework/label_ui.h"

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  std::wstring_view GetClass() const override;

  const std::wstring& GetNormalImage() const { return normal_image_; }
  void SetNormalImage(std::wstring_view descriptor);
  const std::wstring& GetHotImage() const { return hot_image_; }
  void SetHotImage(std::wstring_view descriptor);
  const std::wstring& GetPushedImage() const { return pushed_image_; }
  void SetPushedImage(std::wstring_view descriptor);
  const std::wstring& GetDisabledImage() const { return disabled_image_; }
  void SetDisabledImage(std::wstring_view descriptor);
  void SetHotTextColor(uint32_t argb);
  void SetPushedTextColor(uint32_t argb);

  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetEnabled(bool enabled = true) override;
  void SetVisible(bool visible = true) override;
  void DoEvent(TEventUI& event) override;
  // What a completed press does: "click". Returns false when disabled. The control may
  // no longer exist when this returns (a notifier may remove it).
  virtual bool Activate();

 protected:
  void PaintStatusImage(HDC dc) override;
  uint32_t TextColorToDraw() const override;

 private:
  std::wstring normal_image_;
  std::wstring hot_image_;
  std::wstring pushed_image_;
  std::wstring disabled_image_;
  uint32_t hot_text_color_ = 0;
  uint32_t pushed_text_color_ = 0;
  bool hot_ = false;
  bool pushed_ = false;
  bool captured_ = false;
};

class COptionUI : public CButtonUI {
 public:
  std::wstring_view GetClass() const override;

  bool IsSelected() const { return selected_; }
  // Selecting an option of a group deselects the others of that group in the window.
  void Selected(bool selected);
  const std::wstring& GetGroup() const { return group_; }
  void SetGroup(std::wstring_view group) { group_ = group; }
  void SetSelectedImage(std::wstring_view descriptor);
  void SetSelectedHotImage(std::wstring_view descriptor);
  void SetSelectedTextColor(uint32_t argb);

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  bool Activate() override;

 protected:
  void PaintStatusImage(HDC dc) override;
  uint32_t TextColorToDraw() const override;

 private:
  bool selected_ = false;
  std::wstring group_;
  std::wstring selected_image_;
  std::wstring selected_hot_image_;
  uint32_t selected_text_color_ = 0;
};

class CCheckBoxUI : public COptionUI {
 public:
  std::wstring_view GetClass() const override;
  bool GetCheck() const { return IsSelected(); }
  void SetCheck(bool checked) { Selected(checked); }
};
