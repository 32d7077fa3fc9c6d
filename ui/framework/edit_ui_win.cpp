#include "ui/framework/edit_ui.h"

#include <commctrl.h>

#include "ui/framework/core/values.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/render_win.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;

bool ShiftDown() { return (::GetKeyState(VK_SHIFT) & 0x8000) != 0; }

std::wstring NativeText(HWND window) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

CEditUI::CEditUI() = default;

CEditUI::~CEditUI() {
  if (GetManager()) GetManager()->RemoveNativeHost(this);
  if (native_) {
    // Unhooked first: the control must hear nothing of its window's end.
    ::RemoveWindowSubclass(native_, &CEditUI::NativeProc, kSubclassId);
    ::DestroyWindow(native_);
  }
}

std::wstring_view CEditUI::GetClass() const { return L"EditUI"; }

void CEditUI::SetReadOnly(bool read_only) {
  read_only_ = read_only;
  if (native_) ::SendMessageW(native_, EM_SETREADONLY, read_only, 0);
}

void CEditUI::SetTipValue(std::wstring_view text) {
  tip_value_ = text;
  Invalidate();
}

void CEditUI::SetTipValueColor(uint32_t argb) {
  tip_value_color_ = argb;
  Invalidate();
}

void CEditUI::SetMultiLine(bool multi_line) {
  multi_line_ = multi_line;
  SetWordBreak(multi_line);
  if (native_ && !focused_) {  // the style is fixed at creation: made anew when next needed
    ::RemoveWindowSubclass(native_, &CEditUI::NativeProc, kSubclassId);
    ::DestroyWindow(native_);
    native_ = nullptr;
    SyncNativeWindow();
  }
}

void CEditUI::SetText(std::wstring_view text) {
  CLabelUI::SetText(text);
  PushTextToNative();
  SyncNativeWindow();
}

void CEditUI::PushTextToNative() {
  if (!native_ || NativeText(native_) == GetText()) return;
  pushing_text_ = true;
  ::SetWindowTextW(native_, GetText().c_str());
  pushing_text_ = false;
}

void CEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  using namespace uifw;
  if (name == L"readonly") SetReadOnly(ParseBool(value));
  else if (name == L"tipvalue") SetTipValue(value);
  else if (name == L"tipvaluecolor") {
    if (const auto c = ParseColor(value)) SetTipValueColor(*c);
  } else if (name == L"multiline") {
    SetMultiLine(ParseBool(value));
  } else if (name == L"wantreturn") {
    want_return_ = ParseBool(value);
  } else if (name == L"nativebkcolor") {
    if (const auto c = ParseColor(value)) native_bk_color_ = *c;
  } else if (name == L"password") {
    password_ = ParseBool(value);
    if (native_) ::SendMessageW(native_, EM_SETPASSWORDCHAR, password_ ? L'*' : 0, 0);
    Invalidate();
  } else if (name == L"maxchar") {
    max_char_ = ParseInt(value);
    if (native_) ::SendMessageW(native_, EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(max_char_, 0)), 0);
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

void CEditUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (GetManager() && GetManager() != manager) GetManager()->RemoveNativeHost(this);
  CLabelUI::SetManager(manager, parent);
  if (manager) manager->AddNativeHost(this);
}

void CEditUI::SetPos(const RECT& rect) {
  CLabelUI::SetPos(rect);
  SyncNativeWindow();
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (native_) ::EnableWindow(native_, enabled);
  if (!enabled && focused_ && GetManager()) GetManager()->SetFocus(nullptr);
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  SyncNativeWindow();
}

bool CEditUI::CanTakeFocus() const {
  return GetManager() && GetManager()->GetPaintWindow() && IsShown() && IsEnabled();
}

bool CEditUI::NativeShown() const {
  return GetManager() && GetManager()->GetPaintWindow() && IsShown() &&
         (focused_ || (KeepsNativeWindow() && !GetText().empty()));
}

RECT CEditUI::NativeRect() const {
  RECT r = TextRect();
  if (multi_line_ || !GetManager()) return r;
  // One line, centred in the field as the drawn text is.
  int line = 0;
  {
    const uifw::WindowDc dc(GetManager()->GetPaintWindow());
    const uifw::SelectedObject font(dc.get(), GetManager()->GetFont(GetFont()));
    TEXTMETRICW metrics{};
    if (dc.get() && ::GetTextMetricsW(dc.get(), &metrics)) line = metrics.tmHeight + 2;
  }
  if (line > 0 && line < r.bottom - r.top) {
    r.top += (r.bottom - r.top - line) / 2;
    r.bottom = r.top + line;
  }
  return r;
}

void CEditUI::EnsureNativeWindow() {
  if (native_ || !GetManager() || !GetManager()->GetPaintWindow()) return;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (multi_line_) {
    style |= ES_MULTILINE | ES_AUTOVSCROLL;
    if (want_return_) style |= ES_WANTRETURN;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  if (GetTextAlign() == DT_CENTER) style |= ES_CENTER;
  else if (GetTextAlign() == DT_RIGHT) style |= ES_RIGHT;
  if (password_) style |= ES_PASSWORD;
  if (read_only_) style |= ES_READONLY;
  if (!IsEnabled()) style |= WS_DISABLED;
  const RECT r = NativeRect();
  native_ = ::CreateWindowExW(0, L"EDIT", GetText().c_str(), style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, GetManager()->GetPaintWindow(), nullptr,
                              CPaintManagerUI::GetInstance(), nullptr);
  if (!native_) return;
  native_style_ = style;
  ::SetWindowSubclass(native_, &CEditUI::NativeProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  ::SendMessageW(native_, WM_SETFONT, reinterpret_cast<WPARAM>(GetManager()->GetFont(GetFont())), FALSE);
  ::SendMessageW(native_, EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(max_char_, 0)), 0);
  ::SendMessageW(native_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
}

void CEditUI::SyncNativeWindow() {
  const bool shown = NativeShown();
  if (shown) EnsureNativeWindow();
  if (!native_) return;
  const bool was_shown = ::IsWindowVisible(native_) != FALSE;
  const RECT r = NativeRect();
  ::SetWindowPos(native_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  if (shown != was_shown) Invalidate();  // the drawn text or placeholder comes and goes with it
}

void CEditUI::TakeNativeFocus() {
  EnsureNativeWindow();
  if (!native_) return;
  const RECT r = NativeRect();
  ::SetWindowPos(native_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (::GetFocus() != native_) {
    const auto end = static_cast<WPARAM>(::GetWindowTextLengthW(native_));
    ::SendMessageW(native_, EM_SETSEL, end, static_cast<LPARAM>(end));
    ::SetFocus(native_);
  }
  if (!focused_) SyncNativeWindow();  // the focus went elsewhere: nothing to show
}

bool CEditUI::HandleNativeMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result) {
  if (message == WM_COMMAND) {
    if (HIWORD(wParam) != EN_CHANGE || pushing_text_) return false;
    CLabelUI::SetText(NativeText(native_));
    SyncNativeWindow();
    if (GetManager()) GetManager()->SendNotify(this, L"textchanged");
    result = 0;
    return true;
  }
  // WM_CTLCOLOREDIT, or WM_CTLCOLORSTATIC while read-only or disabled.
  const HDC dc = reinterpret_cast<HDC>(wParam);
  const COLORREF back = uifw::ToColorRef(NativeBackground());
  ::SetTextColor(dc, uifw::ToColorRef(IsEnabled() ? GetTextColor() : GetDisabledTextColor()));
  ::SetBkColor(dc, back);
  if (!native_brush_ || native_brush_color_ != back) {
    native_brush_.reset(::CreateSolidBrush(back));
    native_brush_color_ = back;
  }
  result = reinterpret_cast<LRESULT>(native_brush_.get());
  return true;
}

LRESULT CALLBACK CEditUI::NativeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                                     DWORD_PTR self) {
  return reinterpret_cast<CEditUI*>(self)->OnNativeMessage(window, message, wParam, lParam);
}

LRESULT CEditUI::OnNativeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool takes_return = multi_line_ && want_return_;
  switch (message) {
    case WM_GETDLGCODE:
      return ::DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wParam == VK_TAB) {
        if (GetManager()) GetManager()->SetNextTabControl(!ShiftDown());
        return 0;
      }
      if ((wParam == VK_RETURN && !takes_return) || wParam == VK_ESCAPE) {
        // The window's filters see the key as if pressed on the window itself.
        LRESULT ignored = 0;
        if (GetManager()) GetManager()->PreMessageFilter(message, wParam, lParam, ignored);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\t' || wParam == 0x1b || ((wParam == L'\r' || wParam == L'\n') && !takes_return)) return 0;
      break;
    case WM_SETFOCUS: {
      const LRESULT r = ::DefSubclassProc(window, message, wParam, lParam);
      focused_ = true;
      Invalidate();
      if (GetManager()) {
        GetManager()->NoteNativeFocus(this, true);
        GetManager()->SendNotify(this, L"setfocus");
      }
      return r;
    }
    case WM_KILLFOCUS: {
      const LRESULT r = ::DefSubclassProc(window, message, wParam, lParam);
      focused_ = false;
      if (GetManager()) GetManager()->NoteNativeFocus(this, false);
      SyncNativeWindow();
      if (GetManager()) GetManager()->SendNotify(this, L"killfocus");
      return r;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(window, &CEditUI::NativeProc, kSubclassId);
      native_ = nullptr;
      if (focused_ && GetManager()) GetManager()->NoteNativeFocus(this, false);
      focused_ = false;
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

const std::wstring& CEditUI::TextToDraw() const {
  if (GetText().empty()) return tip_value_;
  if (!password_) return GetText();
  masked_.assign(GetText().size(), L'*');
  return masked_;
}

uint32_t CEditUI::TextColorToDraw() const {
  return GetText().empty() ? tip_value_color_ : CLabelUI::TextColorToDraw();
}

void CEditUI::PaintText(HDC dc) {
  if (!NativeShown()) CLabelUI::PaintText(dc);  // otherwise the native window shows it
}

CRichEditUI::CRichEditUI() {
  SetMultiLine(true);
  SetWantReturn(true);
}

std::wstring_view CRichEditUI::GetClass() const { return L"RichEditUI"; }

void CRichEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"transparent") {
    transparent_ = uifw::ParseBool(value);
    Invalidate();
  } else {
    CEditUI::SetAttribute(name, value);
  }
}

int CRichEditUI::GetLineCount() const {
  const HWND native = GetNativeWindow();
  return native ? static_cast<int>(::SendMessageW(native, EM_GETLINECOUNT, 0, 0)) : 0;
}

void CRichEditUI::PaintBkColor(HDC dc) {
  if (!transparent_) CEditUI::PaintBkColor(dc);
}

uint32_t CRichEditUI::NativeBackground() const {
  if (!transparent_ && (GetBkColor() >> 24) != 0) return GetBkColor();
  for (const CControlUI* c = GetParent(); c; c = c->GetParent()) {
    if ((c->GetBkColor() >> 24) != 0) return c->GetBkColor();
  }
  return CEditUI::NativeBackground();
}
