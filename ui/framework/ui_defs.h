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

// Lets a window supply texts by control name; empty means "keep the layout's".
class IQueryControlText {
 public:
  virtual std::wstring QueryControlText(std::wstring_view control, std::wstring_view type) = 0;

 protected:
  ~IQueryControlText() = default;
};
