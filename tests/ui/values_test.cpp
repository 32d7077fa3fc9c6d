// Attribute values of the layout vocabulary: colours, rectangles, image descriptors
// and inline markup.
#include <gtest/gtest.h>

#include "ui/framework/core/image_descriptor.h"
#include "ui/framework/core/inline_markup.h"
#include "ui/framework/core/values.h"

using namespace uifw;

TEST(Values, ColoursAreOneHexNumberAndSixDigitsLeaveAlphaZero) {
  const struct {
    const wchar_t* text;
    std::optional<uint32_t> color;
  } cases[] = {
      {L"#ff3c3c3c", 0xff3c3c3cu}, {L"#7a7b7f", 0x007a7b7fu}, {L"#00FFFFFF", 0x00ffffffu},
      {L"#01ffffff", 0x01ffffffu}, {L"FFd6dbe9", 0xffd6dbe9u}, {L" #fff ", 0xfffu},
      {L"#", std::nullopt},        {L"", std::nullopt},        {L"#12345678a", std::nullopt},
      {L"#ggg", std::nullopt},     {L"red", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseColor(c.text), c.color) << c.text;
  EXPECT_EQ(ColorAlpha(0x7f123456), 0x7fu);
}

TEST(Values, NumbersRectanglesSizesAndBooleans) {
  EXPECT_EQ(ParseRect(L"576,4,0,0"), (UiRect{576, 4, 0, 0}));
  EXPECT_EQ(ParseRect(L" 1, -2 ,3"), (UiRect{1, -2, 3, 0}));
  EXPECT_EQ(ParseRect(L"x,5"), (UiRect{0, 5, 0, 0}));
  EXPECT_EQ(ParseSize(L"600,400"), (UiSize{600, 400}));
  EXPECT_GT(ParseInt(L"99999999999999"), 0);  // saturates instead of wrapping
  EXPECT_EQ(ParseInt(L"+12px"), 12);
  EXPECT_TRUE(ParseBool(L"true"));
  EXPECT_FALSE(ParseBool(L"TRUE"));
  EXPECT_FALSE(ParseBool(L"1"));
}

TEST(Values, AttributeListsStopAtTheFirstDamagedPair) {
  EXPECT_EQ(ParseAttributeList(L" textcolor=\"#ff000000\"  font='2' "),
            (std::vector<NameValue>{{L"textcolor", L"#ff000000"}, {L"font", L"2"}}));
  EXPECT_EQ(ParseAttributeList(L"a=\"1\" b c=\"3\""), (std::vector<NameValue>{{L"a", L"1"}}));
  EXPECT_EQ(ParseAttributeList(L"a=\"unterminated"), std::vector<NameValue>{});
}

TEST(ImageDescriptor, PlainNamesAndKeyValueLists) {
  const ImageDescriptor plain = ParseImageDescriptor(L" close_normal.png ");
  EXPECT_EQ(plain.file, L"close_normal.png");
  EXPECT_FALSE(plain.dest);

  const ImageDescriptor full = ParseImageDescriptor(
      L"file='btn_normal.png' corner='20,0,20,0' dest='0,0,16,16' source='1,2,3,4' fade='300' hole='true' "
      L"mask='#ffff00ff' xtiled='true' unknown='7'");
  EXPECT_EQ(full.file, L"btn_normal.png");
  EXPECT_EQ(full.corner, (UiRect{20, 0, 20, 0}));
  EXPECT_EQ(full.dest, (UiRect{0, 0, 16, 16}));
  EXPECT_EQ(full.source, (UiRect{1, 2, 3, 4}));
  EXPECT_EQ(full.fade, 255);
  EXPECT_TRUE(full.hole);
  EXPECT_EQ(full.mask, 0xffff00ffu);
  EXPECT_TRUE(full.xtiled);
  EXPECT_FALSE(full.ytiled);

  const ImageDescriptor resource = ParseImageDescriptor(L"res='136' restype='PNG'");
  EXPECT_TRUE(resource.file.empty());
  EXPECT_EQ(resource.ImageKey(), L"res:PNG:136");
  EXPECT_TRUE(resource.HasSource());
  EXPECT_FALSE(ParseImageDescriptor(L"").HasSource());
  EXPECT_NE(ParseImageDescriptor(L"a.png").ImageKey(), ParseImageDescriptor(L"res='a.png'").ImageKey());
}

TEST(InlineMarkup, TagsSetFontColourAndUnderlineAndNeverReachTheText) {
  const auto runs = ParseInlineMarkup(L"{f 1}{c #7a7b7f}By downloading, You agree to the {/c}{/f}");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], (MarkupRun{L"By downloading, You agree to the ", 1, 0x7a7b7fu, false}));

  const auto mixed = ParseInlineMarkup(L"a{u}b{l}c{/l}{/u}{f 2}d{f 3}e{/f}f{/f}g{x}h{/x}");
  const std::vector<MarkupRun> expected = {
      {L"a", -1, std::nullopt, false}, {L"bc", -1, std::nullopt, true}, {L"d", 2, std::nullopt, false},
      {L"e", 3, std::nullopt, false},  {L"f", 2, std::nullopt, false},  {L"gh", -1, std::nullopt, false},
  };
  EXPECT_EQ(mixed, expected);
}

TEST(InlineMarkup, BracesThatStartNoTagStayText) {
  const struct {
    const wchar_t* text;
    const wchar_t* shown;
  } cases[] = {
      {L"{F 1}x", L"{F 1}x"},     {L"{1}", L"{1}"},         {L"{fx}y", L"{fx}y"},
      {L"{f 1 never", L"{f 1 never"}, {L"{/", L"{/"},        {L"}{}", L"}{}"},
      {L"{/f}{/c}{/u}ok", L"ok"}, {L"{c red}x{/c}", L"x"},
  };
  for (const auto& c : cases) {
    std::wstring shown;
    for (const auto& run : ParseInlineMarkup(c.text)) shown += run.text;
    EXPECT_EQ(shown, c.shown) << c.text;
  }
}
