#include "ui/framework/paint_manager.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/framework/container_ui.h"
#include "ui/framework/core/values.h"
#include "ui/framework/render_win.h"
#include "ui/framework/skin_image_win.h"
#include "ui/framework/skin_package_win.h"
#include "ui/framework/text_render_win.h"

using uifw::ParseBool;
using uifw::ParseInt;

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
  shadow_window_.reset();
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
namespace {

// Per thread: hosted controls live on their window's thread.
thread_local std::vector<ITranslateAccelerator*> t_translators;

}  // namespace

void CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* translator) {
  if (translator && std::find(t_translators.begin(), t_translators.end(), translator) == t_translators.end()) {
    t_translators.push_back(translator);
  }
}

void CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* translator) {
  std::erase(t_translators, translator);
}

bool CPaintManagerUI::TranslateMessage(const MSG* msg) {
  if (!msg || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
  const std::vector<ITranslateAccelerator*> translators = t_translators;
  for (ITranslateAccelerator* translator : translators) {
    if (std::find(t_translators.begin(), t_translators.end(), translator) == t_translators.end()) continue;
    MSG copy = *msg;
    if (translator->TranslateAccelerator(&copy) == S_OK) return true;
  }
  return false;
}

void CPaintManagerUI::Init(HWND window, std::wstring_view name) {
  if (window != window_) shadow_window_.reset();
  window_ = window;
  name_ = name;
  ApplyLayeredStyle();
  NeedUpdate();
}

HWND CPaintManagerUI::GetShadowWindow() const { return shadow_window_ ? shadow_window_->GetHWND() : nullptr; }

void CPaintManagerUI::FollowShadow() {
  if (!window_) return;
  if (!shadow_) {
    shadow_window_.reset();
    return;
  }
  if (!shadow_window_) {
    if (!::IsWindowVisible(window_)) return;  // made when the window first shows
    shadow_window_ = std::make_unique<uifw::ShadowWindow>();
  }
  shadow_window_->Follow(window_, shadow_style_);
}

void CPaintManagerUI::ApplyLayeredStyle() {
  if (!window_) return;
  const LONG_PTR ex_style = ::GetWindowLongPtrW(window_, GWL_EXSTYLE);
  const LONG_PTR wanted = layered_ ? ex_style | WS_EX_LAYERED : ex_style & ~static_cast<LONG_PTR>(WS_EX_LAYERED);
  if (wanted != ex_style) ::SetWindowLongPtrW(window_, GWL_EXSTYLE, wanted);
  if (!layered_) layered_frame_.clear();
  ::InvalidateRect(window_, nullptr, FALSE);
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
  SyncNativeHosts();
}

void CPaintManagerUI::SyncNativeHosts() {
  const std::vector<INativeHostUI*> hosts = native_hosts_;  // a host may add or leave
  for (INativeHostUI* host : hosts) {
    if (std::find(native_hosts_.begin(), native_hosts_.end(), host) != native_hosts_.end()) host->SyncNativeWindow();
  }
}

INativeHostUI* CPaintManagerUI::HostOf(HWND native) const {
  if (!native) return nullptr;
  for (INativeHostUI* host : native_hosts_) {
    if (host->GetNativeWindow() == native) return host;
  }
  return nullptr;
}

void CPaintManagerUI::AddNativeHost(INativeHostUI* host) {
  if (host && std::find(native_hosts_.begin(), native_hosts_.end(), host) == native_hosts_.end()) {
    native_hosts_.push_back(host);
  }
}

void CPaintManagerUI::RemoveNativeHost(INativeHostUI* host) { std::erase(native_hosts_, host); }

void CPaintManagerUI::SetFocus(CControlUI* control) {
  auto* host = dynamic_cast<INativeHostUI*>(control);
  if (host && host->CanTakeFocus()) {
    focus_ = control;
    host->TakeNativeFocus();
    return;
  }
  focus_ = nullptr;
  if (window_ && ::GetFocus() != window_) ::SetFocus(window_);
}

void CPaintManagerUI::NoteNativeFocus(CControlUI* control, bool focused) {
  if (focused) focus_ = control;
  else if (focus_ == control) focus_ = nullptr;
}

void CPaintManagerUI::CollectTabControls(CControlUI* control, std::vector<CControlUI*>& out) const {
  if (!control || !control->IsVisible() || !control->IsEnabled()) return;
  if (const auto* host = dynamic_cast<INativeHostUI*>(control); host && host->CanTakeFocus()) out.push_back(control);
  if (const auto* container = dynamic_cast<CContainerUI*>(control)) {
    for (int i = 0; i < container->GetCount(); ++i) CollectTabControls(container->GetItemAt(i), out);
  }
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
  std::vector<CControlUI*> order;
  CollectTabControls(root_.get(), order);
  if (order.empty()) return false;
  const auto at = std::find(order.begin(), order.end(), focus_);
  size_t next = 0;
  if (at == order.end()) {
    next = forward ? 0 : order.size() - 1;
  } else {
    const size_t i = static_cast<size_t>(at - order.begin());
    next = forward ? (i + 1) % order.size() : (i + order.size() - 1) % order.size();
  }
  SetFocus(order[next]);
  return true;
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
  if (IsInside(focus_, control)) focus_ = nullptr;
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
    ApplyLayeredStyle();
  } else if (name == L"layeredimage") {
    layered_ = true;
    layered_image_ = value;
    ApplyLayeredStyle();
  } else if (name == L"layeredopacity") {
    layered_opacity_ = static_cast<BYTE>(std::clamp(ParseInt(value), 0, 255));
    if (window_) ::InvalidateRect(window_, nullptr, FALSE);
  } else if (name.starts_with(L"shadow") || name == L"showshadow") {
    if (name == L"showshadow") shadow_ = ParseBool(value);
    else if (name == L"shadowsize") shadow_style_.size = std::clamp(ParseInt(value), 0, 64);
    else if (name == L"shadowdarkness") shadow_style_.darkness = static_cast<BYTE>(std::clamp(ParseInt(value), 0, 255));
    else if (name == L"shadowposition") {
      const uifw::UiSize s = uifw::ParseSize(value);
      shadow_style_.offset = {s.cx, s.cy};
    } else if (name == L"shadowcolor") {
      if (const auto c = uifw::ParseColor(value)) shadow_style_.color = *c;
    } else if (name == L"shadowcorner") {
      const uifw::UiRect r = uifw::ParseRect(value);
      shadow_style_.corner = {r.left, r.top, r.right, r.bottom};
    }
    FollowShadow();
  }
  // Any other name is not part of the vocabulary.
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

void CPaintManagerUI::SetPopupFilter(IMessageFilterUI* popup, IMessageFilterUI* owner) {
  if (popup || !owner || popup_filter_ == owner) popup_filter_ = popup;
}

bool CPaintManagerUI::PreMessageFilter(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (popup_filter_) {
    bool handled = false;
    const LRESULT filtered = popup_filter_->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = filtered;
      return true;
    }
  }
  const std::vector<IMessageFilterUI*> filters = filters_;  // a filter may unregister
  for (IMessageFilterUI* filter : filters) {
    if (std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) continue;
    bool handled = false;
    const LRESULT filtered = filter->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = filtered;
      return true;
    }
  }
  return false;
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!window_) return false;
  if (PreMessageFilter(message, wParam, lParam, result)) return true;

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
    case WM_WINDOWPOSCHANGED: {
      const auto* change = reinterpret_cast<const WINDOWPOS*>(lParam);
      FollowShadow();
      if (layered_ && (change->flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED) || !(change->flags & SWP_NOSIZE))) {
        ::InvalidateRect(window_, nullptr, FALSE);
      }
      return false;  // the default procedure turns it into WM_SIZE and WM_MOVE
    }
    case WM_DESTROY:
      shadow_window_.reset();
      return false;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (INativeHostUI* host = HostOf(reinterpret_cast<HWND>(lParam))) {
        return host->HandleNativeMessage(message, wParam, lParam, result);
      }
      return false;
    case WM_KEYDOWN:
      if (wParam == VK_TAB) return SetNextTabControl((::GetKeyState(VK_SHIFT) & 0x8000) == 0);
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      last_mouse_ = point;
      CControlUI* hit = FindControl(point);
      if (hit != focus_ || !hit) SetFocus(hit && hit->IsEnabled() ? hit : nullptr);
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
  if (layered_) {
    ::EndPaint(window_, &ps);
    PaintLayered();
    return;
  }
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

void CPaintManagerUI::PaintLayered() {
  RECT client{};
  ::GetClientRect(window_, &client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  // GDI keeps no alpha, so the frame is drawn twice, over black and over white: how far
  // a pixel follows the background tells its alpha, and over black it is the
  // premultiplied colour.
  const uifw::WindowDc screen(nullptr);
  const uifw::OffscreenBuffer black(screen.get(), w, h), white(screen.get(), w, h);
  if (!black.ok() || !white.ok()) return;
  const size_t count = static_cast<size_t>(w) * h;
  std::fill_n(black.pixels(), count, 0u);
  std::fill_n(white.pixels(), count, 0x00ffffffu);
  const uifw::ImageDescriptor background = uifw::ParseImageDescriptor(layered_image_);
  const uifw::SkinImage* image = layered_image_.empty() ? nullptr : uifw::SkinPackage::Image(background);
  for (const uifw::OffscreenBuffer* buffer : {&black, &white}) {
    if (image) uifw::DrawSkinImage(buffer->dc(), *image, client, background);
    PaintTo(buffer->dc(), client);
  }
  ::GdiFlush();
  layered_frame_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t over_black = black.pixels()[i], over_white = white.pixels()[i];
    int gap = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      gap = std::max(gap, static_cast<int>(over_white >> shift & 0xff) - static_cast<int>(over_black >> shift & 0xff));
    }
    const uint32_t alpha = static_cast<uint32_t>(255 - std::clamp(gap, 0, 255));
    uint32_t pixel = alpha << 24;
    for (int shift = 0; shift <= 16; shift += 8) pixel |= std::min(over_black >> shift & 0xff, alpha) << shift;
    layered_frame_[i] = pixel;
    black.pixels()[i] = pixel;
  }
  POINT source{0, 0};
  SIZE size{w, h};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, layered_opacity_, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(window_, screen.get(), nullptr, &size, black.dc(), &source, 0, &blend, ULW_ALPHA);
}

void CPaintManagerUI::PaintTo(HDC dc, const RECT& paint) {
  if (root_ && root_->IsVisible()) root_->DoPaint(dc, paint);
}
