// Image descriptor keys that place an image inside its control: tiling, a fixed size
// with alignment, padding, and a mask colour drawn transparent.
#include <gtest/gtest.h>

#include "tests/ui/support/window_harness_win.h"

namespace {

constexpr uint32_t kRed = 0xff0000, kBlue = 0x0000ff, kWhite = 0xffffff;

const char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="200,60">
  <VerticalLayout name="lay_main" bkcolor="#ffffffff">
    <Label name="tiled" float="true" pos="0,0,40,10" bkimage="file='halves.png' xtiled='true'"/>
    <Label name="aligned" float="true" pos="50,0,90,40" bkimage="file='red.png' size='10,10' align='right bottom'"/>
    <Label name="padded" float="true" pos="100,0,140,40" bkimage="file='red.png' padding='10,10,10,10'"/>
    <Label name="masked" float="true" pos="150,0,190,20" bkimage="file='halves.png' mask='#0000ff'"/>
  </VerticalLayout>
</Window>
)";

// 4 x 4: the left half red, the right half blue.
std::string HalvesPng() {
  std::vector<uint32_t> px;
  for (int i = 0; i < 16; ++i) px.push_back(i % 4 < 2 ? 0xffff0000 : 0xff0000ff);
  return uitest::MakePng(4, 4, px);
}

}  // namespace

TEST(WindowImage, PlacementKeysPutTheImageWhereTheySay) {
  uitest::UseSkin({{"test.xml", kLayout, true},
                   {"halves.png", HalvesPng()},
                   {"red.png", uitest::SolidPng(4, 4, 0xffff0000)}});
  uitest::TestWindow window;
  ASSERT_TRUE(window.Open());
  const uitest::Capture shot = uitest::CaptureClient(window.GetHWND(), "image_keys");

  // Tiled at its own width: the colours repeat every four pixels across the control.
  for (int x = 0; x < 40; ++x) EXPECT_EQ(shot.at(x, 5), x % 4 < 2 ? kRed : kBlue) << "x " << x;

  // 10 x 10 in the bottom-right corner, nothing elsewhere.
  EXPECT_EQ(shot.Count({80, 30, 90, 40}, kRed, 8), 100);
  EXPECT_EQ(shot.Count({50, 0, 90, 40}, kRed, 8), 100);

  // Inside the padding only.
  EXPECT_EQ(shot.Count({110, 10, 130, 30}, kRed, 8), 400);
  EXPECT_EQ(shot.Count({100, 0, 140, 40}, kRed, 8), 400);

  // The mask colour shows what lies below.
  EXPECT_EQ(shot.Count({150, 0, 170, 20}, kRed, 8), 400);
  EXPECT_EQ(shot.Count({170, 0, 190, 20}, kWhite, 8), 400);
}
