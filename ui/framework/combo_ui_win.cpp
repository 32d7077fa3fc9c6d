#include "ui/framework/combo_ui.h"

#include "ui/framework/core/values.h"
#include "ui/framework/paint_manager.h"

std::wstring_view CListLabelElementUI::GetClass() const { return L"ListLabelElementUI"; }

CComboUI::CComboUI() { SetTextAlign(DT_LEFT); }
CComboUI::~CComboUI() = default;

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

bool CComboUI::Activate() { return IsEnabled(); }
