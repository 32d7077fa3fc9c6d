#include "ui/framework/paint_manager.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/framework/core/values.h"
#include "ui/framework/render_win.h"
#include "ui/framework/skin_package_win.h"
#include "ui/framework/text_render_win.h"

using uifw::ParseBool;
using uifw::ParseInt;

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
  root_.reset();  // while the rest still exists: controls reap themselves here
  for (const Timer& t : timers_) {
    if (window_) ::KillTimer(window_, t.native);
  }
}

void CPaintManagerUI::SetInstance(HINSTANCE instance) { uifw::SkinPackage::SetInstance(instance); }
HINSTANCE CPaintManagerUI::GetInstance() { return uifw::SkinPackage::Instance(); }
bool CPaintManagerUI::SetResourceZip(std::string_view zip_bytes) { return uifw::SkinPackage::Load(zip_bytes); }
bool CPaintManagerUI::SetResourceZip(UINT resource_id, const wchar_t* resource_type) {
  return uifw::SkinPackage::LoadFromResource(resource_id, resource_type);
}
bool CPaintManagerUI::TranslateMessage(const MSG* /*msg*/) { return false; }

void CPaintManagerUI::Init(HWND window, std::wstring_view name) {
  window_ = window;
  name_ = name;
  NeedUpdate();
}

bool CPaintManagerUI::AttachDialog(std::unique_ptr<CControlUI> root) {
  if (!root) return false;
  root_ = std::move(root);
  root_->SetManager(this, nullptr);
  NeedUpdate();
  return true;
}

CControlUI* CPaintManagerUI::FindControl(std::wstring_view name) const {
  return root_ && !name.empty() ? root_->FindControl(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(POINT client_point) {
  EnsureLayout();
  return root_ ? root_->FindControlAt(client_point) : nullptr;
}

void CPaintManagerUI::NeedUpdate() {
  layout_dirty_ = true;
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void CPaintManagerUI::UpdateLayout() {
  layout_dirty_ = false;
  if (!root_ || !window_) return;
  RECT client{};
  ::GetClientRect(window_, &client);
  root_->SetPos(client);
}

void CPaintManagerUI::EnsureLayout() {
  if (layout_dirty_) UpdateLayout();
}

void CPaintManagerUI::Invalidate(const RECT& rect) {
  if (window_) ::InvalidateRect(window_, &rect, FALSE);
}

bool CPaintManagerUI::IsInside(const CControlUI* control, const CControlUI* ancestor) {
  for (; control; control = control->GetParent()) {
    if (control == ancestor) return true;
  }
  return false;
}

void CPaintManagerUI::ReapObjects(CControlUI* control, bool keep_timers) {
  if (IsInside(hover_, control)) hover_ = nullptr;
  if (IsInside(pushed_, control)) pushed_ = nullptr;
  if (keep_timers) return;
  std::erase_if(timers_, [&](const Timer& t) {
    if (!IsInside(t.control, control)) return false;
    if (window_) ::KillTimer(window_, t.native);
    return true;
  });
}

void CPaintManagerUI::SetWindowAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"size") {
    const uifw::UiSize s = uifw::ParseSize(value);
    SetInitSize(s.cx, s.cy);
  } else if (name == L"caption") {
    const uifw::UiRect r = uifw::ParseRect(value);
    caption_ = {r.left, r.top, r.right, r.bottom};
  } else if (name == L"roundcorner") {
    const uifw::UiSize s = uifw::ParseSize(value);
    round_corner_ = {s.cx, s.cy};
  } else if (name == L"bktrans") {
    layered_ = ParseBool(value);
  } else if (name == L"layeredimage") {
    layered_ = true;
    layered_image_ = value;
  } else if (name == L"layeredopacity") {
    layered_opacity_ = static_cast<BYTE>(std::clamp(ParseInt(value), 0, 255));
  } else if (name == L"showshadow") {
    shadow_ = ParseBool(value);
  }
  // The shadow's size, darkness, position, colour and corner are read when the
  // shadow is drawn; any other name is not part of the vocabulary.
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
  init_size_ = {cx, cy};
  if (window_ && cx > 0 && cy > 0) {
    ::SetWindowPos(window_, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CPaintManagerUI::AddFont(int id, std::wstring_view face, int size, bool bold, bool underline, bool italic,
                              bool is_default) {
  LOGFONTW lf{};
  lf.lfHeight = -size;  // the size is the characters' height in pixels
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = underline;
  lf.lfItalic = italic;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  face = face.substr(0, LF_FACESIZE - 1);
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  uifw::UniqueFont font(::CreateFontIndirectW(&lf));
  if (!font) return;
  fonts_[id] = std::move(font);
  if (is_default) default_font_id_ = id;
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

HFONT CPaintManagerUI::GetFont(int id) const {
  if (const auto it = fonts_.find(id); it != fonts_.end()) return it->second.get();
  return GetDefaultFont();
}

HFONT CPaintManagerUI::GetDefaultFont() const {
  if (const auto it = fonts_.find(default_font_id_); it != fonts_.end()) return it->second.get();
  if (!fallback_font_) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW lf{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      lf = metrics.lfMessageFont;
    } else {
      ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    }
    fallback_font_.reset(::CreateFontIndirectW(&lf));
  }
  return fallback_font_.get();
}

SIZE CPaintManagerUI::MeasureText(std::wstring_view text, int font_id, int wrap_width) const {
  const uifw::WindowDc dc(window_);
  if (!dc.get()) return {};
  return uifw::MeasureText(dc.get(), GetFont(font_id), text, wrap_width);
}

void CPaintManagerUI::AddDefaultAttributeList(std::wstring_view element, std::wstring_view list) {
  default_attributes_[std::wstring(element)] = list;
}

const std::wstring* CPaintManagerUI::GetDefaultAttributeList(std::wstring_view element) const {
  const auto it = default_attributes_.find(element);
  return it == default_attributes_.end() ? nullptr : &it->second;
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (!notifier || std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end()) return false;
  notifiers_.push_back(notifier);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) { return std::erase(notifiers_, notifier) > 0; }

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
  const std::vector<INotifyUI*> notifiers = notifiers_;  // a notifier may unregister
  for (INotifyUI* notifier : notifiers) {
    if (std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end()) notifier->Notify(msg);
  }
}

void CPaintManagerUI::SendNotify(CControlUI* sender, std::wstring_view type, WPARAM wParam, LPARAM lParam) {
  TNotifyUI msg;
  msg.type = type;
  msg.sender = sender;
  msg.timestamp = ::GetTickCount();
  msg.mouse = last_mouse_;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg);
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  if (!filter || std::find(filters_.begin(), filters_.end(), filter) != filters_.end()) return false;
  filters_.push_back(filter);
  return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) { return std::erase(filters_, filter) > 0; }

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapse_ms) {
  if (!control || !window_) return false;
  for (Timer& t : timers_) {
    if (t.control == control && t.id == id) return ::SetTimer(window_, t.native, elapse_ms, nullptr) != 0;
  }
  const UINT_PTR native = next_timer_++;
  if (!::SetTimer(window_, native, elapse_ms, nullptr)) return false;
  timers_.push_back({control, id, native});
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
  return std::erase_if(timers_, [&](const Timer& t) {
           if (t.control != control || t.id != id) return false;
           if (window_) ::KillTimer(window_, t.native);
           return true;
         }) > 0;
}

void CPaintManagerUI::SendEvent(CControlUI* control, UiEventType type, POINT point, WPARAM wParam) {
  TEventUI event;
  event.type = type;
  event.timestamp = ::GetTickCount();
  event.mouse = point;
  event.wParam = wParam;
  control->DoEvent(event);
}

void CPaintManagerUI::SetHover(CControlUI* control, POINT point) {
  if (control == hover_) return;
  CControlUI* const old = hover_;
  hover_ = control;
  if (old) SendEvent(old, UiEventType::kMouseLeave, point);
  if (hover_) SendEvent(hover_, UiEventType::kMouseEnter, point);
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!window_) return false;
  const std::vector<IMessageFilterUI*> filters = filters_;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const LRESULT filtered = filter->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = filtered;
      return true;
    }
  }

  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  result = 0;
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;  // everything is painted in WM_PAINT
      return true;
    case WM_PAINT:
      Paint();
      return true;
    case WM_PRINTCLIENT: {
      RECT client{};
      ::GetClientRect(window_, &client);
      EnsureLayout();
      const uifw::OffscreenBuffer buffer(reinterpret_cast<HDC>(wParam), client.right, client.bottom);
      if (buffer.ok()) {
        PaintTo(buffer.dc(), client);
        ::BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, client.right, client.bottom, buffer.dc(), 0, 0, SRCCOPY);
      }
      return true;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) {
        UpdateLayout();
        ::InvalidateRect(window_, nullptr, FALSE);
      }
      return false;
    case WM_TIMER:
      for (const Timer& t : timers_) {
        if (t.native == wParam) {
          SendNotify(t.control, L"timer", t.id);
          return true;
        }
      }
      return false;
    case WM_MOUSEMOVE: {
      last_mouse_ = point;
      if (!tracking_leave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
        tracking_leave_ = ::TrackMouseEvent(&track) != FALSE;
      }
      SetHover(FindControl(point), point);
      if (pushed_) SendEvent(pushed_, UiEventType::kMouseMove, point);
      return true;
    }
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      if (!pushed_) SetHover(nullptr, last_mouse_);
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      last_mouse_ = point;
      CControlUI* hit = FindControl(point);
      if (!hit) return false;
      SetHover(hit, point);
      pushed_ = hit;
      ::SetCapture(window_);
      SendEvent(hit, message == WM_LBUTTONDOWN ? UiEventType::kButtonDown : UiEventType::kDoubleClick, point, wParam);
      return true;
    }
    case WM_LBUTTONUP: {
      last_mouse_ = point;
      CControlUI* const released = pushed_;
      pushed_ = nullptr;  // before ReleaseCapture, whose WM_CAPTURECHANGED must not cancel it
      if (::GetCapture() == window_) ::ReleaseCapture();
      if (!released) return false;
      SendEvent(released, UiEventType::kButtonUp, point, wParam);
      return true;
    }
    case WM_CAPTURECHANGED:
      if (pushed_ && reinterpret_cast<HWND>(lParam) != window_) {
        CControlUI* const lost = pushed_;
        pushed_ = nullptr;
        SendEvent(lost, UiEventType::kButtonUp, POINT{-32768, -32768});  // released nowhere: no click
      }
      return false;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return false;
      POINT cursor{};
      ::GetCursorPos(&cursor);
      ::ScreenToClient(window_, &cursor);
      const CControlUI* hit = FindControl(cursor);
      ::SetCursor(::LoadCursorW(nullptr, hit && hit->IsEnabled() && hit->HasHandCursor() ? IDC_HAND : IDC_ARROW));
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

void CPaintManagerUI::Paint() {
  PAINTSTRUCT ps{};
  const HDC dc = ::BeginPaint(window_, &ps);
  if (!dc) return;
  EnsureLayout();
  RECT client{};
  ::GetClientRect(window_, &client);
  const uifw::OffscreenBuffer buffer(dc, client.right, client.bottom);
  if (buffer.ok()) {
    PaintTo(buffer.dc(), ps.rcPaint);
    ::BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, buffer.dc(), ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  }
  ::EndPaint(window_, &ps);
}

void CPaintManagerUI::PaintTo(HDC dc, const RECT& paint) {
  if (root_ && root_->IsVisible()) root_->DoPaint(dc, paint);
}
