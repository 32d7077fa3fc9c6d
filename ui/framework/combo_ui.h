#pragma once
// A drop-down list: its entries and selection, drawn as the selected entry's text over
// the button images. A press opens the list of entries in a popup window (a second
// press, a pick or losing the focus closes it); see combo_drop_win.h.
#include <memory>
#include <vector>

#include "ui/framework/button_ui.h"

namespace uifw {
class ComboDropWindow;
}

// One entry of a combo: a text with a fixed height.
class CListLabelElementUI : public CLabelUI {
 public:
  std::wstring_view GetClass() const override;
};

class CComboUI : public CButtonUI, public IMessageFilterUI {
 public:
  CComboUI();
  ~CComboUI() override;
  std::wstring_view GetClass() const override;

  int GetCount() const { return static_cast<int>(items_.size()); }
  CControlUI* GetItemAt(int index) const;
  // Adopts the entry; returns false when there is none.
  bool Add(std::unique_ptr<CControlUI> item);
  bool RemoveAt(int index);
  void RemoveAll();
  int GetCurSel() const { return selected_; }
  // Selects an entry (-1: none); "itemselect" with the new index when asked for and the
  // selection changed.
  bool SelectItem(int index, bool take_focus = false, bool send_notify = true);

  const std::wstring& GetText() const override;  // the selected entry's text
  SIZE GetDropBoxSize() const { return drop_box_size_; }
  void SetDropBoxSize(SIZE size) { drop_box_size_ = size; }
  uint32_t GetItemSelectedBkColor() const { return item_selected_bk_color_; }
  void SetItemSelectedBkColor(uint32_t argb) { item_selected_bk_color_ = argb; }
  uint32_t GetItemHotBkColor() const { return item_hot_bk_color_; }
  void SetItemHotBkColor(uint32_t argb) { item_hot_bk_color_ = argb; }
  const RECT& GetItemTextPadding() const { return item_text_padding_; }

  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetEnabled(bool enabled = true) override;
  void SetVisible(bool visible = true) override;
  void DoEvent(TEventUI& event) override;
  // Opens the drop-down list, or closes it when it was open at the press; sends no
  // "click".
  bool Activate() override;

  // The open drop-down list's window, or null.
  HWND GetDropWindow() const;
  void CloseDropDown();
  // Called by the list when its window is gone.
  void OnDropClosed();
  // While the list is open, the window's messages come here first: keys go to the
  // list; a press elsewhere, losing the focus or the activation, moving or resizing
  // close it.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  std::unique_ptr<uifw::ComboDropWindow> drop_;
  // The press began while the list was open: its release only closes. (The press
  // itself takes the focus from the list, which then closes on its own.)
  bool open_at_press_ = false;
  std::vector<std::unique_ptr<CControlUI>> items_;
  int selected_ = -1;
  SIZE drop_box_size_{0, 150};
  uint32_t item_selected_bk_color_ = 0;
  uint32_t item_hot_bk_color_ = 0;
  RECT item_text_padding_{};
};
