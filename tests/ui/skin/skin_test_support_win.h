#pragma once
// The program's own skin in real windows: the package and images from this
// executable's resources (as the program loads them) and a window that builds any of
// its layout documents and records what its controls send.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/framework/ui_framework.h"

namespace skintest {

// The six layout documents and the client size each gives its window.
struct LayoutDocument {
  const wchar_t* file;
  int width;
  int height;
};
inline constexpr LayoutDocument kLayouts[] = {
    {L"skin.xml", 600, 400},       {L"mask.xml", 600, 330},      {L"messagebox.xml", 248, 248},
    {L"privacybox.xml", 248, 264}, {L"redeembox.xml", 288, 344}, {L"selectfolder.xml", 320, 200},
};

// Loads "ZIPRES" 133 of this executable as the skin package; false when it is missing
// or unreadable.
bool UseProgramSkin();

struct Note {
  std::wstring type;
  std::wstring sender;
};

class SkinWindow : public WindowImplBase {
 public:
  SkinWindow(std::wstring layout, std::wstring class_name);
  ~SkinWindow() override;

  // The program's style 0x80B, plus WS_POPUP: wine without a window manager waits
  // for each overlapped window it hides. Shown without activation at (x, y).
  bool Open(HWND owner = nullptr, int x = 0, int y = 0);

  std::vector<Note> notes;  // every notification, in order
  std::function<void(TNotifyUI&)> on_click;

  template <class T = CControlUI>
  T* Find(std::wstring_view name) const {
    return dynamic_cast<T*>(FindControl(name));
  }
  std::vector<std::wstring> Clicks() const;

  void Notify(TNotifyUI& msg) override;
  // "WebBrowserEx" (any case) gets a plain control standing in for the browser, so its
  // place in the layout can be seen; nothing else is known.
  std::unique_ptr<CControlUI> CreateCustomControl(std::wstring_view element) override;

 protected:
  std::wstring_view ClassName() const override { return class_name_; }
  std::wstring_view LayoutFile() const override { return layout_; }
  void OnClick(TNotifyUI& msg) override;

 private:
  std::wstring layout_;
  std::wstring class_name_;
};

// Runs this thread's messages for `ms` milliseconds.
void PumpFor(int ms);

// What the screen shows of the window's client area now, as 0xAARRGGBB rows (alpha 255).
std::vector<uint32_t> GrabClient(HWND window, int& width, int& height);

}  // namespace skintest
