// Typing into text fields on real windows: the native edit window, "textchanged",
// focus notifications, the placeholder, read-only fields, the rich edit's wrapping and
// multi-line input, Tab order and the Return and Escape keys.
#include <gtest/gtest.h>

#include "tests/ui/support/window_harness_win.h"

using uitest::Centre;
using uitest::Senders;
using uitest::TestWindow;
using Names = std::vector<std::wstring>;

namespace {

const char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="320,260">
  <Font id="1" name="Segoe UI" size="24" bold="true"/>
  <VerticalLayout name="lay_main" bkcolor="#ffffffff">
    <Edit name="first" float="true" pos="10,10,0,0" width="200" height="32" font="1"
          textcolor="#ff000000" tipvalue="MMMM" tipvaluecolor="#ff00ff"/>
    <Edit name="hidden" float="true" pos="10,50,0,0" width="200" height="32" visible="false"/>
    <Edit name="off" float="true" pos="10,50,0,0" width="90" height="32" enabled="false"/>
    <Edit name="locked" float="true" pos="110,50,0,0" width="100" height="32" readonly="true" text="fixed"/>
    <RichEdit name="notes" float="true" pos="10,90,0,0" width="120" height="100" bkcolor="#ffe0e0e0"/>
    <RichEdit name="paper" float="true" pos="140,90,0,0" width="170" height="100" transparent="true"
              readonly="true"/>
    <Edit name="second" float="true" pos="10,200,0,0" width="200" height="32"/>
    <Button name="ok" float="true" pos="220,200,0,0" width="80" height="32"/>
  </VerticalLayout>
</Window>
)";

class WindowEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::UseSkin({{"test.xml", kLayout, true}});
    ASSERT_TRUE(window.Open());
    window.GetPaintManager().UpdateLayout();
    hwnd = window.GetHWND();
  }

  template <class T = CEditUI>
  T& Get(const wchar_t* name) {
    T* c = window.Find<T>(name);
    if (!c) throw std::runtime_error("no such control");
    return *c;
  }

  // Clicks the field and waits until its native window has the focus.
  HWND Focus(const wchar_t* name) {
    CEditUI& edit = Get(name);
    uitest::PostClick(hwnd, Centre(edit));
    uitest::PumpUntil([&] { return edit.GetNativeWindow() && ::GetFocus() == edit.GetNativeWindow(); });
    return edit.GetNativeWindow();
  }

  TestWindow window;
  HWND hwnd = nullptr;
};

}  // namespace

TEST_F(WindowEdit, TypingChangesTheTextAndSendsTextChanged) {
  CEditUI& first = Get(L"first");
  EXPECT_EQ(first.GetNativeWindow(), nullptr);  // none until the user edits
  const HWND native = Focus(L"first");
  ASSERT_NE(native, nullptr);
  EXPECT_TRUE(::IsWindowVisible(native));
  EXPECT_EQ(Senders(window.notes, L"setfocus"), Names{L"first"});

  uitest::PostText(native, L"ab");
  uitest::PostKey(native, VK_BACK);
  uitest::PostText(native, L"c");
  EXPECT_EQ(first.GetText(), L"ac");
  EXPECT_EQ(Senders(window.notes, L"textchanged"), (Names{L"first", L"first", L"first", L"first"}));

  // The program's own text goes into the native window without a notification.
  first.SetText(L"set");
  wchar_t shown[16]{};
  ::GetWindowTextW(native, shown, 16);
  EXPECT_STREQ(shown, L"set");
  EXPECT_EQ(Senders(window.notes, L"textchanged").size(), 4u);

  // A click elsewhere ends the editing: the native window goes, the text stays.
  uitest::PostClick(hwnd, {300, 20});
  uitest::PumpUntil([&] { return !::IsWindowVisible(native); });
  EXPECT_FALSE(::IsWindowVisible(native));
  EXPECT_EQ(Senders(window.notes, L"killfocus"), Names{L"first"});
  EXPECT_EQ(first.GetText(), L"set");
  EXPECT_EQ(window.GetPaintManager().GetFocus(), nullptr);
}

TEST_F(WindowEdit, PlaceholderIsDrawnOnlyWhileTheFieldIsEmptyAndNotEdited) {
  const RECT field = Get(L"first").GetPos();
  constexpr uint32_t kTip = 0xff00ff;
  EXPECT_GT(uitest::CaptureClient(hwnd, "edit_empty").Count(field, kTip), 20);

  Get(L"first").SetText(L"MMMM");
  EXPECT_EQ(uitest::CaptureClient(hwnd, "edit_text").Count(field, kTip), 0);

  Get(L"first").SetText(L"");
  Focus(L"first");  // the caret sits in an empty native field
  EXPECT_EQ(uitest::CaptureClient(hwnd, "edit_focused").Count(field, kTip), 0);
}

TEST_F(WindowEdit, ReadOnlyAndDisabledFieldsRefuseTyping) {
  const HWND locked = Focus(L"locked");
  ASSERT_NE(locked, nullptr);  // focusable: its text can still be selected and copied
  uitest::PostText(locked, L"xyz");
  uitest::PostKey(locked, VK_BACK);
  EXPECT_EQ(Get(L"locked").GetText(), L"fixed");

  uitest::PostClick(hwnd, Centre(Get(L"off")));
  EXPECT_EQ(Get(L"off").GetNativeWindow(), nullptr);
  EXPECT_NE(window.GetPaintManager().GetFocus(), &Get(L"off"));
  EXPECT_TRUE(Senders(window.notes, L"textchanged").empty());
}

TEST_F(WindowEdit, RichEditWrapsLongTextAndTakesSeveralLines) {
  auto& paper = Get<CRichEditUI>(L"paper");
  paper.SetText(L"a read-only text long enough to need several lines in a narrow field");
  uitest::Pump();
  ASSERT_NE(paper.GetNativeWindow(), nullptr);  // shown whenever it has text
  EXPECT_TRUE(::IsWindowVisible(paper.GetNativeWindow()));
  EXPECT_GT(paper.GetLineCount(), 2);

  auto& notes = Get<CRichEditUI>(L"notes");
  const HWND native = Focus(L"notes");
  ASSERT_NE(native, nullptr);
  uitest::PostText(native, L"one");
  uitest::PostKey(native, VK_RETURN);
  uitest::PostText(native, L"two");
  EXPECT_EQ(notes.GetText(), L"one\r\ntwo");
  EXPECT_EQ(notes.GetLineCount(), 2);
  EXPECT_TRUE(window.default_keys.empty());  // Return belongs to the field here
}

TEST_F(WindowEdit, TabMovesTheFocusInDocumentOrderPastHiddenAndDisabledFields) {
  HWND native = Focus(L"first");
  ASSERT_NE(native, nullptr);
  Names order;
  for (int i = 0; i < 5; ++i) {
    uitest::PostKey(native, VK_TAB);
    CControlUI* focus = window.GetPaintManager().GetFocus();
    ASSERT_NE(focus, nullptr);
    order.push_back(focus->GetName());
    native = dynamic_cast<CEditUI&>(*focus).GetNativeWindow();
    EXPECT_EQ(::GetFocus(), native);
  }
  EXPECT_EQ(order, (Names{L"locked", L"notes", L"paper", L"second", L"first"}));
  EXPECT_EQ(Get(L"first").GetText(), L"");  // Tab typed nothing

  // From the window itself Tab starts at the first field.
  uitest::PostClick(hwnd, {300, 20});
  uitest::PostKey(hwnd, VK_TAB);
  EXPECT_EQ(window.GetPaintManager().GetFocus(), &Get(L"first"));
}

TEST_F(WindowEdit, ReturnAndEscapeReachOnDefaultKeyFromAFieldAndFromTheWindow) {
  const HWND native = Focus(L"first");
  ASSERT_NE(native, nullptr);
  uitest::PostText(native, L"x");
  uitest::PostKey(native, VK_RETURN);
  uitest::PostKey(native, VK_ESCAPE);
  EXPECT_EQ(window.default_keys, (std::vector<WPARAM>{VK_RETURN, VK_ESCAPE}));
  EXPECT_EQ(Get(L"first").GetText(), L"x");

  uitest::PostClick(hwnd, {300, 20});
  uitest::PostKey(hwnd, VK_RETURN);
  EXPECT_EQ(window.default_keys.size(), 3u);
  EXPECT_EQ(window.default_keys.back(), static_cast<WPARAM>(VK_RETURN));
}

TEST_F(WindowEdit, FieldThatGoesAwayWhileEditedLeavesNoWindowBehind) {
  const HWND native = Focus(L"second");
  ASSERT_NE(native, nullptr);
  Get(L"second").SetVisible(false);
  uitest::Pump();
  EXPECT_FALSE(::IsWindowVisible(native));
  EXPECT_EQ(window.GetPaintManager().GetFocus(), nullptr);

  auto* root = window.Find<CContainerUI>(L"lay_main");
  ASSERT_TRUE(root->Remove(&Get(L"second")));
  EXPECT_FALSE(::IsWindow(native));
  uitest::Pump();  // and the window still runs
}
