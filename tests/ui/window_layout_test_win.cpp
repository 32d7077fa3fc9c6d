// Layout documents built into real windows: where the controls end up, what is hidden,
// what the builder ignores, and the window-level attributes.
#include <gtest/gtest.h>

#include "tests/ui/support/window_harness_win.h"

using uitest::TestWindow;

namespace {

const char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200" caption="0,0,0,30" bkcolor="#ffff0000" frobnicate="1">
  <Font id="1" name="Segoe UI" size="14" default="true"/>
  <Font id="2" name="No Such Face At All" size="20" bold="true"/>
  <Default name="Button" value="height=&quot;40&quot; textcolor=&quot;#ff112233&quot;"/>
  <VerticalLayout name="lay_main" bkcolor="#ffffffff">
    <Label name="title" height="30" text="Title" bodercolor="#ff000000" enable="false"/>
    <HorizontalLayout name="row" height="40">
      <Button name="a" width="100"/>
      <Button name="b" padding="5,0,5,0"/>
      <Button name="c" width="50" visible="false"/>
      <Button name="d" width="40" textcolor="#ff445566"/>
    </HorizontalLayout>
    <Container name="rest">
      <Label name="r1" height="20"/>
      <Label name="r2"/>
      <Label name="r3"/>
    </Container>
    <Button name="floater" float="true" pos="250,4,0,0" width="24" height="24"/>
    <Label name="sized" float="true" pos="10,150,110,170"/>
    <Label name="late_width" float="true" pos="10,100,110,120" width="20"/>
    <Label name="early_width" float="true" width="20" height="5" pos="10,100,0,0"/>
    <VerticalLayout name="hidden_box" float="true" pos="0,0,300,200" visible="false">
      <Label name="inside_hidden" height="10"/>
    </VerticalLayout>
    < Label name="lbl_error_tip" float="true" pos="1,2,3,4"/>
    <Frobnicator name="unknown_element"><Label name="under_unknown"/></Frobnicator>
    <Special name="custom" float="true" pos="0,180,0,0" width="30" height="20"/>
  </VerticalLayout>
</Window>
)";

class WindowLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::UseSkin({{"test.xml", kLayout, true}});
    window.custom = [](std::wstring_view element) -> std::unique_ptr<CControlUI> {
      if (element == L"Special") return std::make_unique<CLabelUI>();
      return nullptr;
    };
    ASSERT_TRUE(window.Open());
  }

  RECT PosOf(const wchar_t* name) {
    const CControlUI* c = window.FindControl(name);
    EXPECT_NE(c, nullptr) << name;
    return c ? c->GetPos() : RECT{-1, -1, -1, -1};
  }

  TestWindow window;
};

bool Same(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

}  // namespace

TEST(WindowCreation, TheProgramsStyleGivesAFramelessWindowSizedByItsLayout) {
  uitest::UseSkin({{"test.xml", kLayout, true}});
  TestWindow window;
  ASSERT_TRUE(window.Open(nullptr, 0x80B));  // an overlapped window with a caption, as the program asks
  RECT client{}, outer{};
  ::GetClientRect(window.GetHWND(), &client);
  ::GetWindowRect(window.GetHWND(), &outer);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_EQ(outer.right - outer.left, 300) << "no frame";
  EXPECT_EQ(outer.bottom - outer.top, 200) << "no caption";
  const LONG style = ::GetWindowLongW(window.GetHWND(), GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_EQ(style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN), WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  EXPECT_EQ(window.layout_ready, 1);
}

TEST_F(WindowLayout, ControlsSitWhereTheDocumentPutsThem) {
  window.GetPaintManager().UpdateLayout();
  const struct {
    const wchar_t* name;
    RECT pos;
  } expected[] = {
      {L"lay_main", {0, 0, 300, 200}},
      {L"title", {0, 0, 300, 30}},
      // A row: fixed widths first, padding kept, the hidden "c" takes no room.
      {L"row", {0, 30, 300, 70}},
      {L"a", {0, 30, 100, 70}},
      {L"b", {105, 30, 255, 70}},
      {L"d", {260, 30, 300, 70}},
      // A container stacks: fixed heights, then equal shares of the rest.
      {L"rest", {0, 70, 300, 200}},
      {L"r1", {0, 70, 300, 90}},
      {L"r2", {0, 90, 300, 145}},
      {L"r3", {0, 145, 300, 200}},
      // Floating: pos gives the corner, and the size when it has one.
      {L"floater", {250, 4, 274, 28}},
      {L"sized", {10, 150, 110, 170}},
      {L"late_width", {10, 100, 30, 120}},
      {L"early_width", {10, 100, 30, 105}},
      {L"lbl_error_tip", {1, 2, 3, 4}},
      {L"custom", {0, 180, 30, 200}},
  };
  for (const auto& e : expected) {
    const RECT pos = PosOf(e.name);
    EXPECT_TRUE(Same(pos, e.pos)) << std::string(e.name, e.name + wcslen(e.name)) << " at " << Text(pos);
  }
}

TEST_F(WindowLayout, HiddenControlsAndIgnoredDocumentParts) {
  const CControlUI* box = window.FindControl(L"hidden_box");
  const CControlUI* inside = window.FindControl(L"inside_hidden");
  ASSERT_TRUE(box && inside);
  EXPECT_FALSE(box->IsVisible());
  EXPECT_TRUE(inside->IsVisible());
  EXPECT_FALSE(inside->IsShown());
  EXPECT_FALSE(window.FindControl(L"c")->IsShown());

  // Unknown elements (with their children), names and attributes are left out.
  EXPECT_EQ(window.FindControl(L"unknown_element"), nullptr);
  EXPECT_EQ(window.FindControl(L"under_unknown"), nullptr);
  EXPECT_EQ(window.FindControl(L"lbl_tail2"), nullptr);
  EXPECT_TRUE(window.FindControl(L"title")->IsEnabled()) << "enable is not enabled";
  EXPECT_EQ(window.FindControl(L"title")->GetBorderColor(), 0u);
  EXPECT_EQ(window.FindControl(L"title")->GetText(), L"Title");
  EXPECT_EQ(window.FindControl(L"lay_main")->GetClass(), L"VerticalLayoutUI");
  EXPECT_EQ(window.FindControl(L"custom")->GetClass(), L"LabelUI");

  // Default attributes come first, the element's own ones override them.
  EXPECT_EQ(window.Find<CButtonUI>(L"a")->GetTextColor(), 0xff112233u);
  EXPECT_EQ(window.Find<CButtonUI>(L"d")->GetTextColor(), 0xff445566u);
  EXPECT_EQ(window.Find<CButtonUI>(L"a")->GetFixedHeight(), 40);
}

TEST_F(WindowLayout, FontsByIdWithTheDefaultForUnknownIds) {
  CPaintManagerUI& pm = window.GetPaintManager();
  EXPECT_NE(pm.GetFont(1), nullptr);
  EXPECT_EQ(pm.GetDefaultFont(), pm.GetFont(1));
  EXPECT_EQ(pm.GetFont(99), pm.GetFont(1));
  EXPECT_NE(pm.GetFont(2), pm.GetFont(1));
  // A face that does not exist still measures: GDI falls back to an installed one.
  const SIZE big = window.MeasureText(L"Install now", 2);
  const SIZE small = window.MeasureText(L"Install now", 1);
  EXPECT_GT(big.cx, small.cx);
  EXPECT_GT(small.cx, 0);
  EXPECT_GE(big.cy, 20);
}

TEST_F(WindowLayout, ChangesThroughTheControlsLayTheWindowOutAgain) {
  window.FindControl(L"row")->SetVisible(false);
  CControlUI* floater = window.FindControl(L"floater");
  floater->SetFixedXY({5, 6});
  floater->SetAttribute(L"width", L"50");
  window.FindControl(L"r1")->SetAttribute(L"pos", L"0,0,0,30");  // no size: the height stays
  window.FindControl(L"r2")->SetAttributeList(L"height=\"60\" padding=\"0,4,0,0\"");
  uitest::Pump();
  EXPECT_TRUE(Same(PosOf(L"rest"), RECT{0, 30, 300, 200}));
  EXPECT_TRUE(Same(PosOf(L"r1"), RECT{0, 30, 300, 50}));
  EXPECT_TRUE(Same(PosOf(L"r2"), RECT{0, 54, 300, 114}));
  EXPECT_TRUE(Same(PosOf(L"r3"), RECT{0, 114, 300, 200}));
  EXPECT_TRUE(Same(PosOf(L"floater"), RECT{5, 6, 55, 30}));
}

TEST_F(WindowLayout, CaptionBandDragsOnlyOverStaticControls) {
  window.GetPaintManager().UpdateLayout();
  const struct {
    POINT client;
    LRESULT expected;
  } cases[] = {
      {{50, 10}, HTCAPTION},   // the title label in the band
      {{262, 16}, HTCLIENT},   // a button in the band
      {{50, 50}, HTCLIENT},    // a button below the band
      {{50, 80}, HTCLIENT},    // a label below the band
  };
  for (const auto& c : cases) {
    POINT screen = c.client;
    ::ClientToScreen(window.GetHWND(), &screen);
    EXPECT_EQ(::SendMessageW(window.GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), c.expected)
        << c.client.x << "," << c.client.y;
  }
}
