#pragma once
// One per skinned window: owns the window's control tree, fonts and window-level
// layout settings, lays the controls out, paints them through one off-screen buffer
// per paint, turns mouse and timer messages into control events and sends the
// controls' notifications to the window's notifiers.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/framework/control_ui.h"
#include "ui/framework/shadow_window_win.h"
#include "ui/framework/ui_defs.h"
#include "ui/framework/win_handles.h"

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // Process-wide: the module whose resources images may name, and the skin package
  // from which layouts and images are read.
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  static bool SetResourceZip(std::string_view zip_bytes);
  static bool SetResourceZip(UINT resource_id, const wchar_t* resource_type = L"ZIPRES");
  // Pre-translation for the message loop: true when the framework consumed the
  // message (a hosted control's accelerator took a key of its own window).
  static bool TranslateMessage(const MSG* msg);
  // Translators of this thread's hosted controls; they remove themselves.
  static void AddTranslateAccelerator(ITranslateAccelerator* translator);
  static void RemoveTranslateAccelerator(ITranslateAccelerator* translator);

  void Init(HWND window, std::wstring_view name = {});
  HWND GetPaintWindow() const { return window_; }
  const std::wstring& GetName() const { return name_; }

  // The control tree.
  bool AttachDialog(std::unique_ptr<CControlUI> root);
  CControlUI* GetRoot() const { return root_.get(); }
  CControlUI* FindControl(std::wstring_view name) const;  // null when absent
  CControlUI* FindControl(POINT client_point);             // hit test
  void NeedUpdate();
  void UpdateLayout();  // lays the controls out now
  void Invalidate(const RECT& rect);
  // Forgets a control that goes away or hides (hover, press, and unless kept, timers).
  void ReapObjects(CControlUI* control, bool keep_timers = false);

  // The Window element's attributes; unknown names are ignored.
  void SetWindowAttribute(std::wstring_view name, std::wstring_view value);
  SIZE GetInitSize() const { return init_size_; }
  void SetInitSize(int cx, int cy);  // also resizes the window when it exists
  const RECT& GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const RECT& caption) { caption_ = caption; }
  SIZE GetRoundCorner() const { return round_corner_; }
  bool IsLayered() const { return layered_; }
  BYTE GetLayeredOpacity() const { return layered_opacity_; }
  const std::wstring& GetLayeredImage() const { return layered_image_; }
  bool IsShadowShown() const { return shadow_; }
  const uifw::ShadowStyle& GetShadowStyle() const { return shadow_style_; }
  // The shadow's own window once the window has been shown with a shadow, else null.
  HWND GetShadowWindow() const;
  // A layered window's last frame as handed to the system: premultiplied 0xAARRGGBB,
  // row after row, client-sized. Alpha 0 lets the mouse through to what lies below.
  const std::vector<uint32_t>& GetLayeredFrame() const { return layered_frame_; }

  // Fonts by id; an id the document does not define gives the default font.
  void AddFont(int id, std::wstring_view face, int size, bool bold, bool underline, bool italic, bool is_default);
  HFONT GetFont(int id) const;
  HFONT GetDefaultFont() const;
  // The size `text` needs in font `font_id` on one line (or wrapped at `wrap_width`).
  SIZE MeasureText(std::wstring_view text, int font_id, int wrap_width = 0) const;

  // Attributes applied to every control of an element name before its own.
  void AddDefaultAttributeList(std::wstring_view element, std::wstring_view list);
  const std::wstring* GetDefaultAttributeList(std::wstring_view element) const;

  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  void SendNotify(TNotifyUI& msg);
  void SendNotify(CControlUI* sender, std::wstring_view type, WPARAM wParam = 0, LPARAM lParam = 0);
  // An open popup (a combo's list) sees the window's messages before every filter.
  // Clearing with `owner` clears only when that is the popup set.
  void SetPopupFilter(IMessageFilterUI* popup, IMessageFilterUI* owner = nullptr);
  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);

  // Control timers: each tick sends "timer" from the control with wParam = id.
  bool SetTimer(CControlUI* control, UINT id, UINT elapse_ms);
  bool KillTimer(CControlUI* control, UINT id);

  // Keyboard focus among the controls: null while the window itself has it. A control
  // that hosts no native window that can take the focus gives the focus to the window.
  CControlUI* GetFocus() const { return focus_; }
  void SetFocus(CControlUI* control);
  // Tab order: the next (or previous) shown, enabled control that takes the focus, in
  // document order, wrapping round. False when there is none.
  bool SetNextTabControl(bool forward = true);
  // What a native child window reports of its own focus.
  void NoteNativeFocus(CControlUI* control, bool focused);

  // Native child windows of controls; hosts remove themselves before they go away.
  void AddNativeHost(INativeHostUI* host);
  void RemoveNativeHost(INativeHostUI* host);

  // Runs the pre-message filters; true when one of them consumed the message. Native
  // child windows pass their Return and Escape key presses through here, so that a
  // window sees them as its own.
  bool PreMessageFilter(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  CControlUI* GetHotControl() const { return hover_; }
  CControlUI* GetPushedControl() const { return pushed_; }

  // The window's messages for the controls; true when handled, with its result.
  bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Paints the part `paint` of the client area into `dc` as WM_PAINT does.
  void PaintTo(HDC dc, const RECT& paint);

 private:
  struct Timer {
    CControlUI* control;
    UINT id;
    UINT_PTR native;
  };

  void Paint();
  void ApplyLayeredStyle();
  void PaintLayered();
  void FollowShadow();
  void EnsureLayout();
  void SetHover(CControlUI* control, POINT point);
  void SyncNativeHosts();
  INativeHostUI* HostOf(HWND native) const;
  void CollectTabControls(CControlUI* control, std::vector<CControlUI*>& out) const;
  static void SendEvent(CControlUI* control, UiEventType type, POINT point, WPARAM wParam = 0);
  static bool IsInside(const CControlUI* control, const CControlUI* ancestor);

  HWND window_ = nullptr;
  std::wstring name_;
  std::unique_ptr<CControlUI> root_;
  bool layout_dirty_ = true;

  SIZE init_size_{};
  RECT caption_{};
  SIZE round_corner_{};
  bool layered_ = false;
  BYTE layered_opacity_ = 255;
  std::wstring layered_image_;
  bool shadow_ = false;
  uifw::ShadowStyle shadow_style_;
  std::unique_ptr<uifw::ShadowWindow> shadow_window_;
  std::vector<uint32_t> layered_frame_;

  std::map<int, uifw::UniqueFont> fonts_;
  int default_font_id_ = -1;
  mutable uifw::UniqueFont fallback_font_;
  std::map<std::wstring, std::wstring, std::less<>> default_attributes_;

  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> filters_;
  IMessageFilterUI* popup_filter_ = nullptr;
  std::vector<Timer> timers_;
  UINT_PTR next_timer_ = 0x1000;  // clear of the small ids windows use themselves

  CControlUI* hover_ = nullptr;
  CControlUI* pushed_ = nullptr;
  CControlUI* focus_ = nullptr;
  std::vector<INativeHostUI*> native_hosts_;
  bool tracking_leave_ = false;
  POINT last_mouse_{};
};
