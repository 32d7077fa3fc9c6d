#include "ui/framework/combo_ui.h"

#include <windowsx.h>

#include "ui/framework/combo_drop_win.h"

#include "ui/framework/core/values.h"
#include "ui/framework/paint_manager.h"

std::wstring_view CListLabelElementUI::GetClass() const { return L"ListLabelElementUI"; }

CComboUI::CComboUI() { SetTextAlign(DT_LEFT); }
CComboUI::~CComboUI() {
  if (GetManager()) GetManager()->SetPopupFilter(nullptr, this);
}

std::wstring_view CComboUI::GetClass() const { return L"ComboUI"; }

CControlUI* CComboUI::GetItemAt(int index) const {
  return index >= 0 && index < GetCount() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

bool CComboUI::Add(std::unique_ptr<CControlUI> item) {
  if (!item) return false;
  item->SetManager(GetManager(), this);
  items_.push_back(std::move(item));
  return true;
}

bool CComboUI::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (drop_) ::InvalidateRect(drop_->GetHWND(), nullptr, FALSE);
  const std::unique_ptr<CControlUI> removed = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  if (selected_ == index) selected_ = -1;
  else if (selected_ > index) --selected_;
  Invalidate();
  return true;
}

void CComboUI::RemoveAll() {
  std::vector<std::unique_ptr<CControlUI>> removed;
  removed.swap(items_);
  selected_ = -1;
  CloseDropDown();
  Invalidate();
}

bool CComboUI::SelectItem(int index, bool /*take_focus*/, bool send_notify) {
  if (index < -1 || index >= GetCount()) return false;
  if (index == selected_) return true;
  selected_ = index;
  Invalidate();
  if (send_notify && GetManager()) GetManager()->SendNotify(this, L"itemselect", static_cast<WPARAM>(index));
  return true;
}

const std::wstring& CComboUI::GetText() const {
  if (const CControlUI* item = GetItemAt(selected_)) return item->GetText();
  return CButtonUI::GetText();
}

void CComboUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  CButtonUI::SetManager(manager, parent);
  for (const auto& item : items_) item->SetManager(manager, this);
}

void CComboUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  using namespace uifw;
  if (name == L"itemtextpadding") {
    const UiRect r = ParseRect(value);
    item_text_padding_ = {r.left, r.top, r.right, r.bottom};
  } else if (name == L"dropboxsize") {
    const UiSize s = ParseSize(value);
    drop_box_size_ = {s.cx, s.cy};
  } else if (name == L"itemselectedbkcolor") {
    if (const auto c = ParseColor(value)) item_selected_bk_color_ = *c;
  } else if (name == L"itemhotbkcolor") {
    if (const auto c = ParseColor(value)) item_hot_bk_color_ = *c;
  } else {
    CButtonUI::SetAttribute(name, value);
  }
}

void CComboUI::DoEvent(TEventUI& event) {
  if (event.type == UiEventType::kButtonDown || event.type == UiEventType::kDoubleClick) {
    open_at_press_ = GetDropWindow() != nullptr;
  }
  CButtonUI::DoEvent(event);
}

bool CComboUI::Activate() {
  if (!IsEnabled()) return false;
  const bool was_open = open_at_press_ || GetDropWindow();
  open_at_press_ = false;
  if (was_open) {
    CloseDropDown();
    return true;
  }
  drop_ = std::make_unique<uifw::ComboDropWindow>(*this);
  if (!drop_->Open()) drop_.reset();
  else if (GetManager()) GetManager()->SetPopupFilter(this);
  return true;
}

LRESULT CComboUI::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (!drop_) return 0;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      handled = true;
      if (message == WM_KEYDOWN) drop_->HandleKey(wParam);  // may close the list
      return 0;
    case WM_CHAR:
    case WM_KEYUP:
      handled = true;  // the list's keys make no characters elsewhere
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
      // A press on the combo itself closes through Activate; any other closes here
      // and goes on to its control.
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (!GetManager() || GetManager()->FindControl(point) != this) CloseDropDown();
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) CloseDropDown();
      return 0;
    case WM_KILLFOCUS:
    case WM_NCLBUTTONDOWN:
    case WM_MOVE:
    case WM_SIZE:
    case WM_SYSCOMMAND:
      CloseDropDown();
      return 0;
    default:
      return 0;
  }
}

HWND CComboUI::GetDropWindow() const { return drop_ ? drop_->GetHWND() : nullptr; }

void CComboUI::CloseDropDown() {
  if (GetManager()) GetManager()->SetPopupFilter(nullptr, this);
  drop_.reset();
}

void CComboUI::OnDropClosed() {  // the list allows its own deletion here
  if (GetManager()) GetManager()->SetPopupFilter(nullptr, this);
  drop_.reset();
}

void CComboUI::SetEnabled(bool enabled) {
  if (!enabled) CloseDropDown();
  CButtonUI::SetEnabled(enabled);
}

void CComboUI::SetVisible(bool visible) {
  if (!visible) CloseDropDown();
  CButtonUI::SetVisible(visible);
}
