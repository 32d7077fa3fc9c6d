// Posted mouse input on real windows: clicks, disabled controls, check boxes, states
// drawn under the mouse, timers, combo selection, modal loops and placement.
#include <gtest/gtest.h>

#include "tests/ui/support/window_harness_win.h"

using uitest::Centre;
using uitest::TestWindow;

namespace {

const char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,220" caption="0,0,0,30">
  <VerticalLayout name="lay_main" bkcolor="#ffffffff">
    <Button name="ok" float="true" pos="10,40,0,0" width="80" height="30"
            normalimage="blue.png" hotimage="green.png" pushedimage="red.png" cursor="hand"/>
    <Button name="off" float="true" pos="100,40,0,0" width="80" height="30" enabled="false"
            normalimage="blue.png" disabledimage="grey.png"/>
    <CheckBox name="cbx" float="true" pos="10,80,0,0" width="16" height="16"
              normalimage="file='blue.png' dest='0,0,16,16'" selectedimage="file='red.png' dest='0,0,16,16'"/>
    <Label name="label" float="true" pos="190,40,290,70" text="label"/>
    <Button name="under" float="true" pos="10,120,0,0" width="100" height="40"/>
    <Label name="cover" float="true" pos="60,120,0,0" width="100" height="40" mouse="false"/>
    <Button name="top" float="true" pos="200,120,0,0" width="60" height="40"/>
    <Combo name="combo" float="true" pos="10,170,0,0" width="100" height="24">
      <ListLabelElement text="one" height="20"/>
      <ListLabelElement text="two" height="20"/>
    </Combo>
    <Button name="closebtn" float="true" pos="270,190,0,0" width="20" height="20"/>
    <Container name="overlay" float="true" pos="0,0,300,220" mouse="false">
      <Button name="inner" float="true" pos="200,80,0,0" width="40" height="20"/>
    </Container>
  </VerticalLayout>
</Window>
)";

class WindowInput : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::UseSkin({{"test.xml", kLayout, true},
                     {"blue.png", uitest::SolidPng(4, 4, 0xff0000ff)},
                     {"green.png", uitest::SolidPng(4, 4, 0xff00ff00)},
                     {"red.png", uitest::SolidPng(4, 4, 0xffff0000)},
                     {"grey.png", uitest::SolidPng(4, 4, 0xff808080)}});
    ASSERT_TRUE(window.Open());
    window.GetPaintManager().UpdateLayout();
    hwnd = window.GetHWND();
  }

  CControlUI& Get(const wchar_t* name) {
    CControlUI* c = window.FindControl(name);
    if (!c) throw std::runtime_error("no such control");
    return *c;
  }

  std::vector<std::wstring> Clicks() const {
    std::vector<std::wstring> out;
    for (const auto& n : window.notes) {
      if (n.type == L"click") out.push_back(n.sender);
    }
    return out;
  }

  TestWindow window;
  HWND hwnd = nullptr;
};

using Names = std::vector<std::wstring>;

}  // namespace

TEST_F(WindowInput, ClickReachesTheMessageMapOnlyForEnabledControlsUnderTheMouse) {
  std::vector<std::wstring> handled;
  window.on_click = [&](TNotifyUI& msg) { handled.push_back(msg.sender->GetName()); };
  uitest::PostClick(hwnd, Centre(Get(L"ok")));
  uitest::PostClick(hwnd, Centre(Get(L"off")));    // disabled
  uitest::PostClick(hwnd, Centre(Get(L"label")));  // not a button
  uitest::PostClick(hwnd, {80, 140});              // through the mouse-transparent cover
  uitest::PostClick(hwnd, {5, 195});               // nothing but the layout
  uitest::PostClick(hwnd, Centre(Get(L"inner")));  // inside the mouse-transparent overlay
  EXPECT_EQ(Clicks(), (Names{L"ok", L"under", L"inner"}));
  EXPECT_EQ(handled, (Names{L"ok", L"under", L"inner"}));
  ASSERT_FALSE(window.notes.empty());
  EXPECT_EQ(window.notes.front().type, L"click");
}

TEST_F(WindowInput, ReleasingElsewhereClicksNothing) {
  uitest::PostPress(hwnd, Centre(Get(L"ok")));
  EXPECT_TRUE(static_cast<CButtonUI&>(Get(L"ok")).IsPushed());
  uitest::PostRelease(hwnd, Centre(Get(L"top")));
  uitest::PostPress(hwnd, Centre(Get(L"top")));
  uitest::PostRelease(hwnd, {5, 195});
  EXPECT_TRUE(Clicks().empty());
  // Leaving and coming back before the release still clicks.
  uitest::PostPress(hwnd, Centre(Get(L"top")));
  uitest::PostMouseMove(hwnd, {5, 195});
  uitest::PostRelease(hwnd, Centre(Get(L"top")));
  EXPECT_EQ(Clicks(), (Names{L"top"}));
}

TEST_F(WindowInput, CheckBoxTogglesWithEachClickBeforeItsClickIsSent) {
  auto& box = static_cast<CCheckBoxUI&>(Get(L"cbx"));
  std::vector<bool> seen;
  window.on_click = [&](TNotifyUI&) { seen.push_back(box.GetCheck()); };
  EXPECT_FALSE(box.GetCheck());
  uitest::PostClick(hwnd, Centre(box));
  EXPECT_TRUE(box.GetCheck());
  EXPECT_EQ(uitest::CaptureClient(hwnd, "checked").at(18, 88), 0xff0000u);
  uitest::PostClick(hwnd, Centre(box));
  EXPECT_FALSE(box.GetCheck());
  EXPECT_EQ(uitest::CaptureClient(hwnd, "unchecked").at(18, 88), 0x0000ffu);
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  box.SetEnabled(false);
  uitest::PostClick(hwnd, Centre(box));
  EXPECT_FALSE(box.GetCheck());
}

TEST_F(WindowInput, ButtonsDrawTheirStateUnderTheMouse) {
  auto& ok = static_cast<CButtonUI&>(Get(L"ok"));
  const POINT at = Centre(ok);
  EXPECT_EQ(uitest::CaptureClient(hwnd, "normal").at(at.x, at.y), 0x0000ffu);
  EXPECT_EQ(uitest::CaptureClient(hwnd, "disabled").at(Centre(Get(L"off")).x, Centre(Get(L"off")).y), 0x808080u);
  uitest::PostMouseMove(hwnd, at);
  EXPECT_TRUE(ok.IsHot());
  EXPECT_EQ(uitest::CaptureClient(hwnd, "hot").at(at.x, at.y), 0x00ff00u);
  uitest::PostPress(hwnd, at);
  EXPECT_EQ(uitest::CaptureClient(hwnd, "pushed").at(at.x, at.y), 0xff0000u);
  uitest::PostRelease(hwnd, {5, 195});
  EXPECT_FALSE(ok.IsHot());
  EXPECT_FALSE(ok.IsPushed());
  EXPECT_EQ(uitest::CaptureClient(hwnd, "left").at(at.x, at.y), 0x0000ffu);
}

TEST_F(WindowInput, ControlTimersTickUntilKilled) {
  CControlUI& ok = Get(L"ok");
  ASSERT_TRUE(window.SetTimer(&ok, 1990, 20));
  const auto ticks = [&] {
    int n = 0;
    for (const auto& note : window.notes) n += note.type == L"timer" && note.sender == L"ok" && note.wParam == 1990;
    return n;
  };
  EXPECT_TRUE(uitest::PumpUntil([&] { return ticks() >= 3; }));
  EXPECT_TRUE(window.KillTimer(&ok, 1990));
  uitest::Pump();
  const int after_kill = ticks();
  uitest::Pump(std::chrono::milliseconds(100));
  EXPECT_EQ(ticks(), after_kill);
  EXPECT_FALSE(window.KillTimer(&ok, 1990));
}

TEST_F(WindowInput, ComboEntriesAndSelection) {
  auto& combo = static_cast<CComboUI&>(Get(L"combo"));
  ASSERT_EQ(combo.GetCount(), 2);
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_TRUE(combo.SelectItem(1, false, false));
  EXPECT_EQ(combo.GetText(), L"two");
  EXPECT_TRUE(combo.SelectItem(0));
  auto entry = std::make_unique<CListLabelElementUI>();
  entry->SetText(L"three");
  entry->SetFixedHeight(32);
  EXPECT_TRUE(combo.Add(std::move(entry)));
  EXPECT_EQ(combo.GetItemAt(2)->GetText(), L"three");
  EXPECT_TRUE(combo.RemoveAt(0));
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_EQ(combo.GetCount(), 2);
  combo.RemoveAll();
  EXPECT_EQ(combo.GetCount(), 0);
  uitest::PostClick(hwnd, Centre(combo));
  std::vector<WPARAM> selects;
  for (const auto& n : window.notes) {
    if (n.type == L"itemselect") selects.push_back(n.wParam);
  }
  EXPECT_EQ(selects, std::vector<WPARAM>{0}) << "only the notifying selection";
  EXPECT_TRUE(Clicks().empty());
}

TEST_F(WindowInput, RemovingTheControlUnderTheMouseFromItsClickIsSafe) {
  window.on_click = [&](TNotifyUI& msg) {
    auto* layout = static_cast<CContainerUI*>(window.FindControl(L"lay_main"));
    layout->Remove(msg.sender);
  };
  uitest::PostClick(hwnd, Centre(Get(L"top")));
  EXPECT_EQ(window.FindControl(L"top"), nullptr);
  uitest::PostMouseMove(hwnd, {230, 140});
  EXPECT_EQ(window.GetPaintManager().GetHotControl(), window.FindControl(L"lay_main"));
}

TEST_F(WindowInput, DefaultClickHandlerClosesOnCloseBtn) {
  uitest::PostClick(hwnd, Centre(Get(L"closebtn")));
  EXPECT_TRUE(uitest::PumpUntil([&] { return !::IsWindow(hwnd); }));
  EXPECT_EQ(window.GetHWND(), nullptr);
  EXPECT_NE(window.FindControl(L"ok"), nullptr) << "the controls outlive the native window";
}

namespace {

const char kDialog[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="100,60">
  <VerticalLayout name="lay_main" bkcolor="#ffeeeeee">
    <Button name="btn_close" float="true" pos="70,4,0,0" width="24" height="24"/>
  </VerticalLayout>
</Window>
)";

}  // namespace

TEST_F(WindowInput, ShowModalDisablesTheOwnerAndReturnsTheCloseCode) {
  uitest::UseSkin({{"dialog.xml", kDialog, true}});
  const struct {
    const char* how;
    std::function<void(TestWindow&)> close;
    UINT code;
  } cases[] = {
      {"close button",
       [](TestWindow& d) {
         d.GetPaintManager().UpdateLayout();
         const POINT at = Centre(*d.FindControl(L"btn_close"));
         ::PostMessageW(d.GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
         ::PostMessageW(d.GetHWND(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
       },
       8},
      {"Close(2)", [](TestWindow& d) { d.Close(2); }, 2},
      {"system menu", [](TestWindow& d) { ::PostMessageW(d.GetHWND(), WM_SYSCOMMAND, SC_CLOSE, 0); }, 0},
  };
  for (const auto& c : cases) {
    TestWindow dialog(L"dialog.xml", L"orb_test_dialog");
    bool owner_was_disabled = false;
    dialog.on_click = [&](TNotifyUI& msg) {
      owner_was_disabled = !::IsWindowEnabled(hwnd);
      if (msg.sender->GetName() == L"btn_close") dialog.Close(8);
    };
    ASSERT_TRUE(dialog.Create(hwnd, L"messagebox", TestWindow::kTestStyle, 0));
    dialog.CenterWindow();
    // Queued now, delivered by the modal loop.
    ::PostMessageW(dialog.GetHWND(), WM_NULL, 0, 0);
    c.close(dialog);
    EXPECT_EQ(dialog.ShowModal(), c.code) << c.how;
    EXPECT_FALSE(::IsWindow(dialog.GetHWND())) << c.how;
    EXPECT_TRUE(::IsWindowEnabled(hwnd)) << c.how;
    if (c.code == 8) {
      EXPECT_TRUE(owner_was_disabled);
    }
  }
}

TEST_F(WindowInput, QuitMessageEndsTheModalLoopAndIsPostedAgain) {
  uitest::UseSkin({{"dialog.xml", kDialog, true}});
  TestWindow dialog(L"dialog.xml", L"orb_test_dialog");
  ASSERT_TRUE(dialog.Create(hwnd, L"messagebox", TestWindow::kTestStyle, 0));
  ::PostQuitMessage(3);
  EXPECT_EQ(dialog.ShowModal(), 0u);
  EXPECT_TRUE(::IsWindowEnabled(hwnd));
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(WindowInput, CenterWindowOverTheOwnerKeptInsideTheWorkArea) {
  uitest::UseSkin({{"dialog.xml", kDialog, true}});
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  const struct {
    POINT owner;  // top-left of the 300 x 220 owner
    POINT expected;
  } cases[] = {
      {{100, 100}, {200, 180}},
      {{work.left - 250, 100}, {work.left, 180}},
      {{work.right - 100, work.bottom - 50}, {work.right - 100, work.bottom - 60}},
  };
  for (const auto& c : cases) {
    ::SetWindowPos(hwnd, nullptr, c.owner.x, c.owner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    TestWindow dialog(L"dialog.xml", L"orb_test_dialog");
    ASSERT_TRUE(dialog.Create(hwnd, L"messagebox", TestWindow::kTestStyle, 0));
    dialog.CenterWindow();
    RECT r{};
    ::GetWindowRect(dialog.GetHWND(), &r);
    EXPECT_EQ(r.left, c.expected.x) << c.owner.x << "," << c.owner.y;
    EXPECT_EQ(r.top, c.expected.y) << c.owner.x << "," << c.owner.y;
    EXPECT_EQ(r.right - r.left, 100);
  }
}
