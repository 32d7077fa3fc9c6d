#pragma once
// Records and interfaces shared by the controls, the paint manager and the windows.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

class CControlUI;

// A notification from a control to its window's notifiers.
struct TNotifyUI {
  std::wstring type;  // "click", "itemselect", "textchanged", "setfocus", "killfocus", "timer"
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse{};  // client coordinates
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Mouse and timer input as the paint manager hands it to one control.
enum class UiEventType { kMouseEnter, kMouseLeave, kMouseMove, kButtonDown, kButtonUp, kDoubleClick };

struct TEventUI {
  UiEventType type = UiEventType::kMouseMove;
  DWORD timestamp = 0;
  POINT mouse{};  // client coordinates
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

// Sees every message of the window before the controls do.
class IMessageFilterUI {
 public:
  virtual LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

// Offered each element name the builder does not know.
class IDialogBuilderCallback {
 public:
  virtual std::unique_ptr<CControlUI> CreateCustomControl(std::wstring_view element) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

// A control that shows a native child window of its own (a text field while typing, a
// browser). The paint manager keeps such windows placed and shown with their control,
// hands them the keyboard focus and passes them the messages their window receives
// about them (WM_COMMAND, WM_CTLCOLOR*).
class INativeHostUI {
 public:
  virtual HWND GetNativeWindow() const = 0;
  // Places, shows or hides the native window to match the control.
  virtual void SyncNativeWindow() = 0;
  // Whether a click or Tab may give the control the keyboard focus now.
  virtual bool CanTakeFocus() const = 0;
  // Gives the native window the keyboard focus (creating it if needed).
  virtual void TakeNativeFocus() = 0;
  // A message of the skinned window whose lParam is the native window.
  virtual bool HandleNativeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

 protected:
  ~INativeHostUI() = default;
};

// Keyboard messages for a hosted control before the window sees them (a browser's
// accelerators: Tab inside a page, copy, select all). S_OK: consumed.
class ITranslateAccelerator {
 public:
  virtual LRESULT TranslateAccelerator(MSG* msg) = 0;

 protected:
  ~ITranslateAccelerator() = default;
};

// Lets a window supply texts by control name; empty means "keep the layout's".
class IQueryControlText {
 public:
  virtual std::wstring QueryControlText(std::wstring_view control, std::wstring_view type) = 0;

 protected:
  ~IQueryControlText() = default;
};
