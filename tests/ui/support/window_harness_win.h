#pragma once
// Real skinned windows for tests: a window class whose layout and hooks a test sets,
// a skin package built in the test, message pumping, posted mouse input and a pixel
// capture of the rendered client area.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/ui/support/skin_builder.h"
#include "ui/framework/ui_framework.h"

namespace uitest {

// Installs a skin package holding `members` (a layout is usually one of them).
void UseSkin(const std::vector<ZipMember>& members);

struct Noted {
  std::wstring type;
  std::wstring sender;
  WPARAM wParam = 0;
};

class TestWindow : public WindowImplBase {
 public:
  explicit TestWindow(std::wstring layout = L"test.xml", std::wstring class_name = L"orb_test_window")
      : layout_(std::move(layout)), class_name_(std::move(class_name)) {}
  ~TestWindow() override;

  // The program creates its windows with style 0x80B; tests add WS_POPUP because wine
  // without a window manager waits two seconds for each overlapped window it hides.
  static constexpr DWORD kTestStyle = WS_POPUP | 0x80B;

  // Creates the window and shows it without activating it; false when it could not
  // be created.
  bool Open(HWND owner = nullptr, DWORD style = kTestStyle);

  std::vector<Noted> notes;  // every notification, in order
  int layout_ready = 0;
  std::function<void(TNotifyUI&)> on_click;  // in addition to recording
  std::function<std::unique_ptr<CControlUI>(std::wstring_view)> custom;
  std::vector<WPARAM> default_keys;  // every key OnDefaultKey saw

  void Notify(TNotifyUI& msg) override;
  std::unique_ptr<CControlUI> CreateCustomControl(std::wstring_view element) override;

  template <class T>
  T* Find(std::wstring_view name) const {
    return dynamic_cast<T*>(FindControl(name));
  }

  using WindowImplBase::HitTest;

 protected:
  std::wstring_view ClassName() const override { return class_name_; }
  std::wstring_view LayoutFile() const override { return layout_; }
  void OnLayoutReady() override { ++layout_ready; }
  void OnClick(TNotifyUI& msg) override;
  bool OnDefaultKey(WPARAM key) override;

 private:
  std::wstring layout_;
  std::wstring class_name_;
};

// Runs the thread's messages until `done` or the time is up; true when done.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5));
void Pump(std::chrono::milliseconds time = std::chrono::milliseconds(50));

POINT Centre(const CControlUI& control);
// Posts what a real press and release at `point` (client coordinates) delivers.
void PostMouseMove(HWND window, POINT point);
void PostClick(HWND window, POINT point);
void PostPress(HWND window, POINT point);
void PostRelease(HWND window, POINT point);
// Posts a key press (down and up) to `window`; the pump's TranslateMessage makes its
// character, as for a real key.
void PostKey(HWND window, UINT vk);
void PostText(HWND window, std::wstring_view text);
// The notifications of one type, by sender name.
std::vector<std::wstring> Senders(const std::vector<Noted>& notes, std::wstring_view type);

// The client area as the window shows it, 0x00RRGGBB per pixel.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // Pixels in the rectangle whose colour is within `tolerance` per channel of `rgb`.
  int Count(const RECT& r, uint32_t rgb, int tolerance = 24) const;
};
// Paints the window now and reads its client area back from the screen. With
// ORB_UI_CAPTURE_DIR set the capture is also saved there as <name>.bmp.
Capture CaptureClient(HWND window, const std::string& name);

}  // namespace uitest
