// Real mouse input (the system's input queue, as a person's clicks arrive) on windows
// built from the program's layouts: which control sends "click", the agreement box
// toggling, a disabled button staying silent, and a message box closed with its close
// button ending its modal loop with 8.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/ui/skin/skin_test_support_win.h"
#include "tests/ui/support/window_harness_win.h"

using skintest::SkinWindow;
using Names = std::vector<std::wstring>;

namespace {

POINT OnScreen(HWND window, POINT client) {
  ::ClientToScreen(window, &client);
  return client;
}

// Moves the pointer there and presses and releases the left button.
void SendClickAt(POINT screen) {
  ::SetCursorPos(screen.x, screen.y);
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, input, sizeof(INPUT));
}

void ClickControl(SkinWindow& w, const wchar_t* name) {
  w.GetPaintManager().UpdateLayout();
  const CControlUI* c = w.FindControl(name);
  ASSERT_NE(c, nullptr);
  SendClickAt(OnScreen(w.GetHWND(), uitest::Centre(*c)));
  uitest::Pump(std::chrono::milliseconds(120));
}

class SkinInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(skintest::UseProgramSkin());
    ASSERT_TRUE(main_.Open(nullptr, 60, 60));
    uitest::Pump();
  }

  SkinWindow main_{L"skin.xml", L"orb_skin_input_main"};
};

}  // namespace

TEST_F(SkinInput, ClicksReachTheControlUnderThePointer) {
  ClickControl(main_, L"btn_install");
  ClickControl(main_, L"btn_settings");
  ClickControl(main_, L"btn_minimal");
  EXPECT_EQ(main_.Clicks(), (Names{L"btn_install", L"btn_settings", L"btn_minimal"}));

  // Through the start page's container, which takes no mouse, to the picture below.
  main_.notes.clear();
  SendClickAt(OnScreen(main_.GetHWND(), {100, 200}));
  uitest::Pump(std::chrono::milliseconds(120));
  EXPECT_TRUE(main_.Clicks().empty());
}

TEST_F(SkinInput, AgreementBoxTogglesWithEachClick) {
  auto* box = main_.Find<CCheckBoxUI>(L"cbx_agree");
  std::vector<bool> seen;
  main_.on_click = [&](TNotifyUI& msg) {
    if (msg.sender == box) seen.push_back(box->GetCheck());
  };
  ClickControl(main_, L"cbx_agree");
  EXPECT_TRUE(box->GetCheck());
  const uitest::Capture checked = uitest::CaptureClient(main_.GetHWND(), "agree_checked");
  ClickControl(main_, L"cbx_agree");
  EXPECT_FALSE(box->GetCheck());
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  // Checked, the box is filled blue; unchecked, it is white inside.
  const POINT centre = uitest::Centre(*box);
  const uint32_t fill = checked.at(centre.x - 5, centre.y - 5);
  EXPECT_GT(static_cast<int>(fill & 0xff), static_cast<int>(fill >> 16 & 0xff) + 80) << std::hex << fill;
  const uitest::Capture unchecked = uitest::CaptureClient(main_.GetHWND(), "agree_unchecked");
  EXPECT_EQ(unchecked.Count({centre.x - 5, centre.y - 5, centre.x + 5, centre.y + 5}, 0xffffff, 12), 100);
}

TEST_F(SkinInput, FailurePageDisabledReportButtonSendsNothing) {
  main_.FindControl(L"lay_before")->SetVisible(false);
  main_.FindControl(L"lay_failed")->SetVisible(true);
  uitest::Pump();
  ClickControl(main_, L"btn_send_report");
  ClickControl(main_, L"btn_help");
  main_.FindControl(L"btn_send_report")->SetEnabled(true);
  ClickControl(main_, L"btn_send_report");
  EXPECT_EQ(main_.Clicks(), (Names{L"btn_help", L"btn_send_report"}));
}

TEST_F(SkinInput, MessageBoxCloseButtonEndsTheModalLoopWithEight) {
  SkinWindow box(L"messagebox.xml", L"orb_skin_input_messagebox");
  box.on_click = [&](TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"btn_close") box.Close(8);
    if (name == L"btn_ok") box.Close(1);
  };
  ASSERT_TRUE(box.Create(main_.GetHWND(), L"messagebox", WS_POPUP | 0x80B, 0));
  box.CenterWindow();
  box.GetPaintManager().UpdateLayout();
  const POINT close = OnScreen(box.GetHWND(), uitest::Centre(*box.FindControl(L"btn_close")));
  const HWND owner = main_.GetHWND();
  const HWND dialog = box.GetHWND();

  // The click arrives once the modal loop runs and has disabled the owner.
  std::atomic<bool> clicked{false};
  std::thread person([&] {
    for (int i = 0; i < 300 && ::IsWindowEnabled(owner); ++i) ::Sleep(10);
    ::Sleep(100);
    SendClickAt(close);
    clicked = true;
    // A click that never arrives must fail the test, not hang it.
    for (int i = 0; i < 300 && ::IsWindow(dialog); ++i) ::Sleep(10);
    if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_CLOSE, 99, 0);
  });
  const UINT code = box.ShowModal();
  person.join();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(code, 8u);
  EXPECT_EQ(box.Clicks(), (Names{L"btn_close"}));
  EXPECT_TRUE(::IsWindowEnabled(owner));
}
