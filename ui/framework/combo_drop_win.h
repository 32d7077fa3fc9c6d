#pragma once
// The drop-down list of a combo: a popup owned by the combo's window, below the combo
// (above it when the screen ends), drawing the combo's entries with their fonts and
// colours. It never takes the activation or the focus: the combo's window keeps them
// and hands the list its keys (HandleKey). A click picks an entry; Up, Down, Home and
// End move the selection at once; Return and Escape close it.
#include "ui/framework/window_wnd.h"

class CComboUI;

namespace uifw {

class ComboDropWindow : public CWindowWnd {
 public:
  explicit ComboDropWindow(CComboUI& combo) : combo_(combo) {}
  ~ComboDropWindow() override;
  // Creates and shows the list; false when it could not.
  bool Open();
  // A key pressed while the list is open. The list (and this object) may be gone when
  // it returns.
  void HandleKey(WPARAM vk);

 protected:
  std::wstring_view ClassName() const override { return L"orb_combo_drop"; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed(HWND window) override;

 private:
  int ItemHeight(int index) const;
  int ItemTop(int index) const;  // in list coordinates, before scrolling
  int IndexAt(int y) const;      // client y; -1 outside the entries
  int ListHeight() const;
  void EnsureVisible(int index);
  void ScrollTo(int top);
  void Paint();
  // Selects (sending "itemselect" when it changes). The combo's notifier may do
  // anything, so nothing of this object is touched afterwards.
  void Pick(int index, bool close);

  CComboUI& combo_;
  int hot_ = -1;
  int scroll_ = 0;  // pixels of the list above the window's top
};

}  // namespace uifw
