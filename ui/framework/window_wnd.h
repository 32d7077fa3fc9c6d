#pragma once
// A native window owned by a C++ object: registers its class, routes messages to the
// virtual HandleMessage and offers the modal loop and placement operations. The
// object outlives its native window; destroying the object destroys the window.
#include <windows.h>

#include <string_view>

#include "ui/framework/win_handles.h"

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return window_; }
  operator HWND() const { return window_; }

  // Registers the class named by ClassName (reused when it exists) and creates the
  // window. Null on failure.
  HWND Create(HWND parent, std::wstring_view title, DWORD style, DWORD ex_style, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int width = CW_USEDEFAULT, int height = CW_USEDEFAULT, HMENU menu = nullptr);
  // Shows the window, disables its owner and runs a nested loop until the window no
  // longer exists; returns the wParam of the WM_CLOSE that closed it. A quit message
  // ends the loop and is posted again for the outer loop.
  UINT ShowModal();
  // Posts WM_CLOSE with wParam = code.
  void Close(UINT code = IDOK);
  void Show(bool show = true, bool activate = true);  // nothing when there is no window
  // Centred over the owner's window rectangle, or over the work area of the monitor
  // when there is no owner; kept inside that monitor's work area.
  void CenterWindow();
  // Large and small icons from an icon resource of the instance.
  void SetIcon(UINT resource_id);
  void ResizeClient(int width, int height);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

 protected:
  // Slots 0 to 4 of the window base.
  virtual std::wstring_view ClassName() const = 0;
  virtual std::wstring_view SuperClassName() const;  // empty: registered, not superclassed
  virtual UINT ClassStyle() const;
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // After the last message (WM_NCDESTROY); the object may delete itself here.
  virtual void OnWindowDestroyed(HWND window);

  // Detaches the object from its window and destroys the window; derived destructors
  // call it while their members still exist.
  void DestroyNativeWindow();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool RegisterWindowClass() const;

  HWND window_ = nullptr;
  UINT close_code_ = 0;
  bool modal_ = false;
  uifw::UniqueIcon large_icon_;
  uifw::UniqueIcon small_icon_;
};
