#pragma once
// Controls that own children. A container stacks its flowing (not floating) shown
// children from top to bottom, each taking its fixed height or a share of the room
// left; a horizontal layout does the same from left to right. Floating children are
// placed by their fixed position relative to the container. All children are drawn in
// document order, a later one over an earlier one.
#include <memory>
#include <vector>

#include "ui/framework/control_ui.h"

class CContainerUI : public CControlUI {
 public:
  CContainerUI();
  ~CContainerUI() override;
  std::wstring_view GetClass() const override;

  int GetCount() const { return static_cast<int>(items_.size()); }
  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(const CControlUI* control) const;  // -1 when not a child
  // Adopts the control; returns it, or null when there is none.
  CControlUI* Add(std::unique_ptr<CControlUI> control);
  CControlUI* AddAt(std::unique_ptr<CControlUI> control, int index);
  bool Remove(const CControlUI* control);  // destroys it
  bool RemoveAt(int index);
  void RemoveAll();

  const RECT& GetInset() const { return inset_; }
  void SetInset(const RECT& inset);
  int GetChildPadding() const { return child_padding_; }
  void SetChildPadding(int padding);

  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetPos(const RECT& rect) override;
  CControlUI* FindControl(std::wstring_view name) override;
  CControlUI* FindControlAt(POINT point) override;
  void DoPaint(HDC dc, const RECT& paint) override;

 protected:
  enum class Stacking { kVertical, kHorizontal };
  explicit CContainerUI(Stacking stacking);

 private:
  void PlaceFloating(CControlUI& child) const;
  void PlaceFlowing(const RECT& inner);

  const Stacking stacking_;
  std::vector<std::unique_ptr<CControlUI>> items_;
  RECT inset_{};
  int child_padding_ = 0;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  std::wstring_view GetClass() const override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  CHorizontalLayoutUI();
  std::wstring_view GetClass() const override;
};
