// The combo's drop-down list on a real window: opening and closing, picking an entry
// with the mouse and with the keys, and the entries' colours.
#include <gtest/gtest.h>

#include "tests/ui/support/window_harness_win.h"

using uitest::Centre;
using uitest::TestWindow;

namespace {

const char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200">
  <Font id="1" name="Segoe UI" size="18" bold="true"/>
  <VerticalLayout name="lay_main" bkcolor="#ffffffff">
    <Combo name="lang" float="true" pos="10,10,0,0" width="160" height="24" itemtextpadding="4,0,0,0"
           itemselectedbkcolor="#ff0000ff" itemhotbkcolor="#ff00ff00">
      <ListLabelElement text="English" height="24" font="1" textcolor="#ffff0000"/>
      <ListLabelElement text="Deutsch" height="24" font="1" textcolor="#ffff0000"/>
      <ListLabelElement text="Francais" height="24" font="1" textcolor="#ffff0000"/>
      <ListLabelElement text="Italiano" height="24" font="1" textcolor="#ffff0000"/>
    </Combo>
    <Combo name="off" float="true" pos="200,10,0,0" width="80" height="24" enabled="false">
      <ListLabelElement text="one" height="20"/>
    </Combo>
  </VerticalLayout>
</Window>
)";

class WindowCombo : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::UseSkin({{"test.xml", kLayout, true}});
    ASSERT_TRUE(window.Open());
    window.GetPaintManager().UpdateLayout();
    hwnd = window.GetHWND();
    combo = window.Find<CComboUI>(L"lang");
    ASSERT_NE(combo, nullptr);
  }

  HWND OpenList() {
    uitest::PostClick(hwnd, Centre(*combo));
    uitest::PumpUntil([&] { return combo->GetDropWindow() != nullptr; });
    return combo->GetDropWindow();
  }

  std::vector<WPARAM> Selections() const {
    std::vector<WPARAM> out;
    for (const auto& n : window.notes) {
      if (n.type == L"itemselect") out.push_back(n.wParam);
    }
    return out;
  }

  TestWindow window;
  HWND hwnd = nullptr;
  CComboUI* combo = nullptr;
};

}  // namespace

TEST_F(WindowCombo, ClickOpensTheListBelowAndAClickOnAnEntryPicksIt) {
  const HWND list = OpenList();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(::IsWindowVisible(list));
  RECT on_screen{};
  ::GetWindowRect(list, &on_screen);
  POINT below{combo->GetPos().left, combo->GetPos().bottom};
  ::ClientToScreen(hwnd, &below);
  EXPECT_EQ(on_screen.left, below.x);
  EXPECT_EQ(on_screen.top, below.y);
  EXPECT_EQ(on_screen.right - on_screen.left, combo->GetWidth());
  EXPECT_EQ(on_screen.bottom - on_screen.top, 4 * 24 + 2);
  EXPECT_TRUE(uitest::Senders(window.notes, L"click").empty());
  EXPECT_EQ(::GetForegroundWindow() == list, false);  // the list never takes the activation

  uitest::PostClick(list, {40, 1 + 2 * 24 + 12});  // the third entry
  EXPECT_EQ(combo->GetDropWindow(), nullptr);
  EXPECT_FALSE(::IsWindow(list));
  EXPECT_EQ(Selections(), std::vector<WPARAM>{2});
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(combo->GetText(), L"Francais");
}

TEST_F(WindowCombo, ArrowKeysMoveTheSelectionAndReturnOrEscapeClose) {
  // The keys go where the keyboard focus is: the combo's window, which hands them on.
  ASSERT_NE(OpenList(), nullptr);
  uitest::PostKey(hwnd, VK_DOWN);
  uitest::PostKey(hwnd, VK_DOWN);
  uitest::PostKey(hwnd, VK_UP);
  uitest::PostKey(hwnd, VK_END);
  uitest::PostKey(hwnd, VK_DOWN);  // already the last: nothing changes
  EXPECT_EQ(Selections(), (std::vector<WPARAM>{0, 1, 0, 3}));
  uitest::PostKey(hwnd, VK_RETURN);
  EXPECT_EQ(combo->GetDropWindow(), nullptr);
  EXPECT_EQ(combo->GetText(), L"Italiano");
  EXPECT_TRUE(window.default_keys.empty());  // the list's Return is not the window's

  ASSERT_NE(OpenList(), nullptr);
  uitest::PostKey(hwnd, VK_ESCAPE);
  EXPECT_EQ(combo->GetDropWindow(), nullptr);
  EXPECT_EQ(combo->GetCurSel(), 3);
  EXPECT_EQ(Selections().size(), 4u);
  EXPECT_TRUE(window.default_keys.empty());
  EXPECT_TRUE(::IsWindow(hwnd));  // Escape closed the list, not the window
}

TEST_F(WindowCombo, ListShowsTheEntriesColours) {
  combo->SelectItem(1, false, false);
  const HWND list = OpenList();
  ASSERT_NE(list, nullptr);
  uitest::PostMouseMove(list, {40, 1 + 3 * 24 + 12});  // over the last entry
  const uitest::Capture shot = uitest::CaptureClient(list, "combo_list");
  const auto row = [&](int i) { return RECT{1, 1 + i * 24, shot.width - 1, 1 + (i + 1) * 24}; };
  EXPECT_GT(shot.Count(row(1), 0x0000ff, 8), 1000);  // selected
  EXPECT_GT(shot.Count(row(3), 0x00ff00, 8), 1000);  // under the mouse
  EXPECT_GT(shot.Count(row(0), 0xffffff, 8), 2000);  // neither
  EXPECT_GT(shot.Count(row(0), 0xff0000, 40), 10);   // the entry's own text colour
}

TEST_F(WindowCombo, SecondClickAClickElsewhereOrLostFocusCloseAndADisabledComboStaysShut) {
  ASSERT_NE(OpenList(), nullptr);
  uitest::PostClick(hwnd, Centre(*combo));
  EXPECT_EQ(combo->GetDropWindow(), nullptr);

  ASSERT_NE(OpenList(), nullptr);
  uitest::PostClick(hwnd, {150, 150});
  EXPECT_EQ(combo->GetDropWindow(), nullptr);

  ASSERT_NE(OpenList(), nullptr);
  ::SetFocus(nullptr);
  uitest::Pump();
  EXPECT_EQ(combo->GetDropWindow(), nullptr);

  auto* off = window.Find<CComboUI>(L"off");
  uitest::PostClick(hwnd, Centre(*off));
  EXPECT_EQ(off->GetDropWindow(), nullptr);
  EXPECT_TRUE(Selections().empty());

  // Entries removed while the list is open take the list with them.
  ASSERT_NE(OpenList(), nullptr);
  combo->RemoveAll();
  EXPECT_EQ(combo->GetDropWindow(), nullptr);
}
