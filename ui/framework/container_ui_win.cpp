#include "ui/framework/container_ui.h"

#include <algorithm>

#include "ui/framework/core/values.h"
#include "ui/framework/win_handles.h"

CContainerUI::CContainerUI() : CContainerUI(Stacking::kVertical) {}
CContainerUI::CContainerUI(Stacking stacking) : stacking_(stacking) {}
CContainerUI::~CContainerUI() = default;

std::wstring_view CContainerUI::GetClass() const { return L"ContainerUI"; }
std::wstring_view CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }
CHorizontalLayoutUI::CHorizontalLayoutUI() : CContainerUI(Stacking::kHorizontal) {}
std::wstring_view CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

CControlUI* CContainerUI::GetItemAt(int index) const {
  return index >= 0 && index < GetCount() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

int CContainerUI::GetItemIndex(const CControlUI* control) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

CControlUI* CContainerUI::Add(std::unique_ptr<CControlUI> control) { return AddAt(std::move(control), GetCount()); }

CControlUI* CContainerUI::AddAt(std::unique_ptr<CControlUI> control, int index) {
  if (!control) return nullptr;
  CControlUI* added = control.get();
  added->SetManager(GetManager(), this);
  index = std::clamp(index, 0, GetCount());
  items_.insert(items_.begin() + index, std::move(control));
  NeedUpdate();
  return added;
}

bool CContainerUI::Remove(const CControlUI* control) { return RemoveAt(GetItemIndex(control)); }

bool CContainerUI::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return false;
  // Out of the list before it is destroyed: its destructor may look at its parent.
  const std::unique_ptr<CControlUI> removed = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<std::unique_ptr<CControlUI>> removed;
  removed.swap(items_);
  removed.clear();
  NeedUpdate();
}

void CContainerUI::SetInset(const RECT& inset) {
  inset_ = inset;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  child_padding_ = padding;
  NeedUpdate();
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (const auto& item : items_) item->SetManager(manager, this);
}

void CContainerUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"inset") {
    const uifw::UiRect r = uifw::ParseRect(value);
    SetInset({r.left, r.top, r.right, r.bottom});
  } else if (name == L"childpadding") {
    SetChildPadding(uifw::ParseInt(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CContainerUI::SetPos(const RECT& rect) {
  CControlUI::SetPos(rect);
  for (const auto& item : items_) {
    if (item->IsVisible() && item->IsFloat()) PlaceFloating(*item);
  }
  PlaceFlowing({rect.left + inset_.left, rect.top + inset_.top, rect.right - inset_.right, rect.bottom - inset_.bottom});
}

void CContainerUI::PlaceFloating(CControlUI& child) const {
  const RECT& r = GetPos();
  const SIZE xy = child.GetFixedXY();
  const int left = r.left + xy.cx, top = r.top + xy.cy;
  child.SetPos({left, top, left + child.GetFixedWidth(), top + child.GetFixedHeight()});
}

void CContainerUI::PlaceFlowing(const RECT& inner) {
  std::vector<CControlUI*> flow;
  for (const auto& item : items_) {
    if (item->IsVisible() && !item->IsFloat()) flow.push_back(item.get());
  }
  if (flow.empty()) return;
  const bool vertical = stacking_ == Stacking::kVertical;
  // Along the stacking direction: fixed sizes and paddings first, the rest shared.
  const auto along = [vertical](const CControlUI* c) { return vertical ? c->GetFixedHeight() : c->GetFixedWidth(); };
  const auto margins = [vertical](const CControlUI* c) {
    const RECT& p = c->GetPadding();
    return vertical ? p.top + p.bottom : p.left + p.right;
  };
  int taken = child_padding_ * static_cast<int>(flow.size() - 1);
  int shared = 0;
  for (const CControlUI* c : flow) {
    taken += margins(c) + along(c);
    shared += along(c) == 0;
  }
  const int room = (vertical ? inner.bottom - inner.top : inner.right - inner.left) - taken;
  int left_over = std::max(room, 0);
  const int share = shared ? left_over / shared : 0;

  int at = vertical ? inner.top : inner.left;
  for (CControlUI* c : flow) {
    const RECT& p = c->GetPadding();
    int size = along(c);
    if (size == 0) {
      size = --shared == 0 ? left_over : share;  // the last shared one takes the rounding
      left_over -= size;
    }
    if (vertical) {
      const int width = c->GetFixedWidth() ? c->GetFixedWidth() : inner.right - inner.left - p.left - p.right;
      const int top = at + p.top;
      c->SetPos({inner.left + p.left, top, inner.left + p.left + width, top + size});
      at = top + size + p.bottom + child_padding_;
    } else {
      const int height = c->GetFixedHeight() ? c->GetFixedHeight() : inner.bottom - inner.top - p.top - p.bottom;
      const int left = at + p.left;
      c->SetPos({left, inner.top + p.top, left + size, inner.top + p.top + height});
      at = left + size + p.right + child_padding_;
    }
  }
}

CControlUI* CContainerUI::FindControl(std::wstring_view name) {
  if (CControlUI* self = CControlUI::FindControl(name)) return self;
  for (const auto& item : items_) {
    if (CControlUI* found = item->FindControl(name)) return found;
  }
  return nullptr;
}

CControlUI* CContainerUI::FindControlAt(POINT point) {
  if (!IsVisible() || !::PtInRect(&GetPos(), point)) return nullptr;
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (CControlUI* hit = (*it)->FindControlAt(point)) return hit;
  }
  return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::DoPaint(HDC dc, const RECT& paint) {
  RECT visible{};
  if (!::IntersectRect(&visible, &paint, &GetPos())) return;
  CControlUI::DoPaint(dc, paint);
  const uifw::SavedDc saved(dc);
  ::IntersectClipRect(dc, visible.left, visible.top, visible.right, visible.bottom);
  for (const auto& item : items_) {
    if (item->IsVisible()) item->DoPaint(dc, visible);
  }
}
