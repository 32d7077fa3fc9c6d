#pragma once
// The base of every skinned window: a frameless native window whose content is built
// from a layout document of the skin package when the window is created. A window
// supplies ClassName and LayoutFile and overrides the hooks it needs. Per-message
// handlers get "handled" preset to true; the defaults that leave a message to the
// controls set it to false.
#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "ui/framework/notify_pump.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/ui_defs.h"
#include "ui/framework/window_wnd.h"

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  CPaintManagerUI& GetPaintManager() { return paint_manager_; }
  CControlUI* FindControl(std::wstring_view name) const { return paint_manager_.FindControl(name); }
  bool SetTimer(CControlUI* control, UINT id, UINT elapse_ms) { return paint_manager_.SetTimer(control, id, elapse_ms); }
  bool KillTimer(CControlUI* control, UINT id) { return paint_manager_.KillTimer(control, id); }
  // The size a text needs on one line in a font of this window.
  SIZE MeasureText(std::wstring_view text, int font_id) const { return paint_manager_.MeasureText(text, font_id); }

  // INotifyUI: passes the notification to the message map.
  void Notify(TNotifyUI& msg) override;
  // IMessageFilterUI: Return and Escape key presses go to OnDefaultKey.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // IDialogBuilderCallback: knows no element of its own.
  std::unique_ptr<CControlUI> CreateCustomControl(std::wstring_view element) override;
  // IQueryControlText: keeps every layout text.
  std::wstring QueryControlText(std::wstring_view control, std::wstring_view type) override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Removes the window from its paint manager's filters and notifiers.
  void OnWindowDestroyed(HWND window) override;

  virtual void OnLayoutReady();
  // "closebtn", "minbtn", "maxbtn", "restorebtn" close, minimise, maximise, restore.
  virtual void OnClick(TNotifyUI& msg);
  // True when the control and every one above it is a label or a container: such
  // controls let a press in the caption band drag the window.
  virtual bool IsStaticControl(const CControlUI* control) const;
  // Empty: the layout comes from the skin package; otherwise a resource type.
  virtual std::wstring_view LayoutType() const;
  virtual std::wstring_view LayoutFile() const = 0;
  virtual std::wstring_view PaintManagerName() const;
  // Whether a Return or Escape key press is consumed: Escape is, Return is not.
  virtual bool OnDefaultKey(WPARAM key);

  virtual LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcActivate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HitTest(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseHover(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnChar(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKillFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSetFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Every message no handler above took; leaves it unhandled by default.
  virtual LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // The style the window gets at creation: the current one without the caption bits.
  virtual LONG WindowStyle() const;

  // "click" from any control goes to OnClick.
  std::span<const NotifyMapEntry> GetNotifyMap() const override;

  CPaintManagerUI paint_manager_;
};

// The message box of a layout that cannot be built, then the end of the process with
// exit code 1.
[[noreturn]] void ExitOnLayoutFailure(std::wstring_view layout_file);
