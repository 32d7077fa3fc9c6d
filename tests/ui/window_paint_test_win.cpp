// What a rendered window shows: the colour alpha rules, images from the package and
// from a resource (alpha, nine-grid, dest), missing images, and inline markup.
#include <gtest/gtest.h>

#include "tests/ui/support/window_harness_win.h"

using uitest::TestWindow;

namespace {

constexpr uint32_t kWhite = 0xffffff;
constexpr uint32_t kRed = 0xff0000;
constexpr uint32_t kGreen = 0x00ff00;
constexpr uint32_t kBlue = 0x0000ff;

const char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="240,200">
  <Font id="1" name="Segoe UI" size="28" bold="true"/>
  <VerticalLayout name="lay_main" bkcolor="#ffffffff">
    <Label name="clear" float="true" pos="0,0,40,40" bkcolor="#00ff0000"/>
    <Label name="six" float="true" pos="40,0,80,40" bkcolor="#0000ff"/>
    <Label name="opaque" float="true" pos="80,0,120,40" bkcolor="#ff00ff00"/>
    <Label name="half" float="true" pos="120,0,160,40" bkcolor="#800000ff"/>
    <Label name="border" float="true" pos="160,0,200,40" bordersize="2" bordercolor="#ff0000ff"/>
    <Label name="red_text" float="true" pos="0,40,120,80" text="MMMM" font="1" textcolor="#00ff0000"/>
    <Label name="grey_text" float="true" pos="120,40,240,80" text="MMMM" font="1" textcolor="#7a7b7f"/>
    <Label name="grid" float="true" pos="0,80,60,110" bkimage="file='grid.png' corner='2,2,2,2'"/>
    <Label name="missing" float="true" pos="60,80,100,120" bkimage="checkboxoff-normal.png"/>
    <Label name="dest" float="true" pos="100,80,140,120" bkimage="file='red.png' dest='0,0,16,16'"/>
    <Label name="alpha" float="true" pos="140,80,180,120" bkimage="alpha.png"/>
    <Label name="resource" float="true" pos="180,80,220,120" bkimage="res='136' restype='PNG'"/>
    <Label name="markup" float="true" pos="0,120,240,160" showhtml="true" font="1" textcolor="#ff0000ff"
           text="{c #ff0000}MM{/c}{u}MM{/u}"/>
    <Label name="plain" float="true" pos="0,160,240,200" font="1" textcolor="#ff0000ff"
           text="{c #ff0000}MM{/c}{u}MM{/u}"/>
  </VerticalLayout>
</Window>
)";

// 6 x 6: 2-pixel blue corners, green edges, a red middle.
std::string GridPng() {
  std::vector<uint32_t> px;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool edge_x = x < 2 || x >= 4, edge_y = y < 2 || y >= 4;
      px.push_back(edge_x && edge_y ? 0xff0000ff : edge_x || edge_y ? 0xff00ff00 : 0xffff0000);
    }
  }
  return uitest::MakePng(6, 6, px);
}

class WindowPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::UseSkin({{"test.xml", kLayout, true},
                     {"grid.png", GridPng()},
                     {"red.png", uitest::SolidPng(4, 4, 0xffff0000)},
                     {"alpha.png", uitest::SolidPng(8, 8, 0x80ff0000), true}});
    ASSERT_TRUE(window.Open());
    shot = uitest::CaptureClient(window.GetHWND(), ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_EQ(shot.width, 240);
  }

  TestWindow window;
  uitest::Capture shot;
};

bool Near(uint32_t a, uint32_t b, int tolerance = 12) {
  for (int shift = 0; shift <= 16; shift += 8) {
    if (std::abs(static_cast<int>(a >> shift & 0xff) - static_cast<int>(b >> shift & 0xff)) > tolerance) return false;
  }
  return true;
}

}  // namespace

TEST_F(WindowPaint, BackgroundAlphaZeroIsNotPaintedAndOtherAlphasBlend) {
  EXPECT_EQ(shot.at(20, 20), kWhite) << "alpha 0";
  EXPECT_EQ(shot.at(60, 20), kWhite) << "six digits leave alpha 0";
  EXPECT_EQ(shot.at(100, 20), kGreen);
  EXPECT_TRUE(Near(shot.at(140, 20), 0x7f7fff)) << std::hex << shot.at(140, 20);
  // A 2-pixel frame, nothing inside.
  EXPECT_EQ(shot.at(161, 20), kBlue);
  EXPECT_EQ(shot.at(180, 1), kBlue);
  EXPECT_EQ(shot.at(180, 20), kWhite);
  EXPECT_EQ(shot.at(180, 3), kWhite);
}

TEST_F(WindowPaint, TextIgnoresTheAlphaOfItsColour) {
  EXPECT_GT(shot.Count({0, 40, 120, 80}, kRed, 40), 30);
  EXPECT_GT(shot.Count({120, 40, 240, 80}, 0x7a7b7f, 20), 30);
}

TEST_F(WindowPaint, ImagesFromThePackageAndTheResources) {
  // Nine-grid: corners kept, edges stretched one way, the middle both ways.
  EXPECT_EQ(shot.at(1, 81), kBlue);
  EXPECT_EQ(shot.at(58, 108), kBlue);
  EXPECT_EQ(shot.at(30, 81), kGreen);
  EXPECT_EQ(shot.at(1, 95), kGreen);
  EXPECT_EQ(shot.at(30, 95), kRed);
  // A missing image draws nothing.
  EXPECT_EQ(shot.Count({60, 80, 100, 120}, kWhite, 0), 40 * 40);
  // dest: only the named part of the control.
  EXPECT_EQ(shot.at(108, 88), kRed);
  EXPECT_EQ(shot.at(120, 100), kWhite);
  // Per-pixel alpha over the white background.
  EXPECT_TRUE(Near(shot.at(160, 100), 0xff7f7f)) << std::hex << shot.at(160, 100);
  // The resource image: a solid magenta PNG.
  EXPECT_EQ(shot.at(200, 100), 0xff00ffu);
}

TEST_F(WindowPaint, InlineMarkupColoursUnderlinesAndHidesItsTags) {
  const RECT markup{0, 120, 240, 160}, plain{0, 160, 240, 200};
  EXPECT_GT(shot.Count(markup, kRed, 40), 30);
  EXPECT_GT(shot.Count(markup, kBlue, 40), 30);
  EXPECT_EQ(shot.Count(plain, kRed, 40), 0) << "without showhtml the tags are text";
  // The plain text shows the braces and tag letters, so its ink reaches further right.
  const auto rightmost_ink = [&](const RECT& r) {
    int right = -1;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        if (shot.at(x, y) != kWhite) right = std::max(right, x);
      }
    }
    return right;
  };
  EXPECT_GT(rightmost_ink(plain), rightmost_ink(markup) + 40);
}
