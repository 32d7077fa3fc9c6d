// Layered windows (per-pixel alpha frames, a nearly invisible mask that still takes
// the mouse everywhere) and the drop shadow window that follows its owner.
#include <gtest/gtest.h>

#include "tests/ui/support/window_harness_win.h"

using uitest::TestWindow;

namespace {

// As the mask window's layout: a layered window without an image whose full-size
// label is almost transparent white.
const char kMask[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="200,100" caption="0,0,0,0" bktrans="false" layeredimage="" layeredopacity="255">
  <VerticalLayout name="lay_main">
    <Label name="veil" float="true" pos="0,0,200,100" bkcolor="#01ffffff"/>
    <Button name="btn" float="true" pos="20,20,0,0" width="40" height="20" bkcolor="#ffff0000"/>
    <Label name="half" float="true" pos="100,20,0,0" width="40" height="20" bkcolor="#800000ff"/>
  </VerticalLayout>
</Window>
)";

const char kSparse[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="200,100" bktrans="true">
  <VerticalLayout name="lay_main">
    <Label name="spot" float="true" pos="0,0,0,0" width="20" height="20" bkcolor="#ff00ff00"/>
  </VerticalLayout>
</Window>
)";

const char kShadowed[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="160,120" showshadow="true" shadowsize="6" shadowdarkness="25" shadowposition="0,2"
        shadowcolor="#000000" shadowcorner="0,0,0,0">
  <VerticalLayout name="lay_main" bkcolor="#ffffffff"/>
</Window>
)";

// The next shown window below `window` in z-order.
HWND NextVisible(HWND window) {
  for (HWND next = ::GetWindow(window, GW_HWNDNEXT); next; next = ::GetWindow(next, GW_HWNDNEXT)) {
    if (::IsWindowVisible(next)) return next;
  }
  return nullptr;
}

uint32_t Alpha(uint32_t pixel) { return pixel >> 24; }

const std::vector<uint32_t>& FrameOf(TestWindow& window) {
  const auto& frame = window.GetPaintManager().GetLayeredFrame();
  uitest::PumpUntil([&] { return !frame.empty(); });
  return frame;
}

}  // namespace

TEST(WindowLayered, MaskTakesTheMouseOverItsWholeAreaWhileNearlyInvisible) {
  uitest::UseSkin({{"test.xml", kMask, true}});
  TestWindow window;
  ASSERT_TRUE(window.Open());
  EXPECT_TRUE(::GetWindowLongPtrW(window.GetHWND(), GWL_EXSTYLE) & WS_EX_LAYERED);
  const auto& frame = FrameOf(window);
  ASSERT_EQ(frame.size(), 200u * 100u);
  const auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * 200 + x]; };

  // Every pixel has some alpha, so the system gives every point to the mask.
  uint32_t least = 255;
  for (const uint32_t p : frame) least = std::min(least, Alpha(p));
  EXPECT_GE(least, 1u);
  EXPECT_LE(Alpha(at(5, 5)), 2u);  // the veil: almost invisible
  EXPECT_EQ(at(30, 30), 0xffff0000u);  // an opaque control as it is
  EXPECT_NEAR(static_cast<int>(Alpha(at(110, 30))), 0x80, 3);  // blended ones keep their alpha
  EXPECT_NEAR(static_cast<int>(at(110, 30) & 0xff), 0x80, 3);  // premultiplied blue

  // And the controls under it see the clicks.
  std::vector<std::wstring> clicks;
  window.on_click = [&](TNotifyUI& msg) { clicks.push_back(msg.sender->GetName()); };
  uitest::PostClick(window.GetHWND(), {30, 30});
  EXPECT_EQ(clicks, std::vector<std::wstring>{L"btn"});
}

TEST(WindowLayered, UnpaintedPartsOfALayeredWindowLetTheMouseThrough) {
  uitest::UseSkin({{"test.xml", kSparse, true}});
  TestWindow window;
  ASSERT_TRUE(window.Open());
  const auto& frame = FrameOf(window);
  ASSERT_EQ(frame.size(), 200u * 100u);
  EXPECT_EQ(frame[5 * 200 + 5], 0xff00ff00u);
  EXPECT_EQ(frame[50 * 200 + 100], 0u);
}

TEST(WindowShadow, ShadowFollowsItsOwnerInPlaceVisibilityAndZOrder) {
  uitest::UseSkin({{"test.xml", kShadowed, true}});
  TestWindow window;
  ASSERT_TRUE(window.Open());
  const HWND hwnd = window.GetHWND();
  const HWND shadow = window.GetPaintManager().GetShadowWindow();
  ASSERT_NE(shadow, nullptr);
  EXPECT_NE(::GetWindowLongPtrW(shadow, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);

  const auto expect_placed = [&](const char* step) {
    SCOPED_TRACE(step);
    RECT owner{}, shade{};
    ::GetWindowRect(hwnd, &owner);
    ::GetWindowRect(shadow, &shade);
    EXPECT_EQ(shade.left, owner.left - 6);
    EXPECT_EQ(shade.top, owner.top - 6 + 2);
    EXPECT_EQ(shade.right, owner.right + 6);
    EXPECT_EQ(shade.bottom, owner.bottom + 6 + 2);
    EXPECT_TRUE(::IsWindowVisible(shadow));
    EXPECT_EQ(NextVisible(hwnd), shadow);  // right below its owner
  };
  uitest::Pump();
  expect_placed("shown");

  ::SetWindowPos(hwnd, nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  uitest::Pump();
  expect_placed("moved");
  ::SetWindowPos(hwnd, nullptr, 0, 0, 220, 140, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  uitest::Pump();
  expect_placed("resized");

  window.Show(false);
  uitest::Pump();
  EXPECT_FALSE(::IsWindowVisible(shadow));
  window.Show(true, false);
  uitest::Pump();
  expect_placed("shown again");

  // Another window brought above the owner: the shadow stays right below the owner.
  TestWindow other(L"test.xml", L"orb_test_other");
  ASSERT_TRUE(other.Open());
  ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  uitest::Pump();
  expect_placed("raised");

  ::DestroyWindow(hwnd);
  EXPECT_FALSE(::IsWindow(shadow));
}

TEST(WindowShadow, ShadowFadesOutwardsFromTheOwnersEdge) {
  uifw::ShadowStyle style;
  style.size = 6;
  style.darkness = 100;
  // A 32 x 32 shadow for a 20 x 20 window.
  EXPECT_EQ(uifw::ShadowAlpha(16, 16, 32, 32, style), 100);  // under the window
  const BYTE near_edge = uifw::ShadowAlpha(5, 16, 32, 32, style);
  const BYTE far_out = uifw::ShadowAlpha(1, 16, 32, 32, style);
  EXPECT_GT(near_edge, far_out);
  EXPECT_GT(near_edge, 50);
  EXPECT_LT(far_out, 10);
  EXPECT_EQ(uifw::ShadowAlpha(0, 0, 32, 32, style), 0);  // the corner is beyond reach
  EXPECT_EQ(uifw::ShadowAlpha(31, 16, 32, 32, style), uifw::ShadowAlpha(0, 16, 32, 32, style));
}
