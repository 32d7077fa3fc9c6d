// The program's layout documents, read from the package embedded in this executable,
// built into real windows: sizes, where each control lands (pos first, then width and
// height), what is hidden, which controls take no mouse, fonts, and what the rendered
// start, settings and download pages show.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/ui/skin/skin_test_support_win.h"
#include "tests/ui/support/window_harness_win.h"
#include "ui/framework/skin_image_win.h"
#include "ui/framework/skin_package_win.h"

using skintest::SkinWindow;

namespace {

struct Place {
  const wchar_t* name;
  const wchar_t* kind;  // GetClass()
  int x, y, width, height;
};

std::string Narrow(std::wstring_view w) { return std::string(w.begin(), w.end()); }

class SkinLayouts : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(skintest::UseProgramSkin()); }

  // Checks the places the document gives; shown controls must also be laid out there.
  static void ExpectPlaces(const SkinWindow& w, std::initializer_list<Place> places) {
    for (const Place& p : places) {
      const CControlUI* c = w.FindControl(p.name);
      ASSERT_NE(c, nullptr) << Narrow(p.name);
      EXPECT_EQ(c->GetClass(), p.kind) << Narrow(p.name);
      EXPECT_EQ(c->GetFixedXY().cx, p.x) << Narrow(p.name);
      EXPECT_EQ(c->GetFixedXY().cy, p.y) << Narrow(p.name);
      EXPECT_EQ(c->GetFixedWidth(), p.width) << Narrow(p.name);
      EXPECT_EQ(c->GetFixedHeight(), p.height) << Narrow(p.name);
      if (c->IsShown()) {
        const RECT expected{p.x, p.y, p.x + p.width, p.y + p.height};
        EXPECT_TRUE(::EqualRect(&c->GetPos(), &expected)) << Narrow(p.name) << " laid out elsewhere";
      }
    }
  }

  static void ExpectVisible(const SkinWindow& w, std::initializer_list<const wchar_t*> names, bool visible) {
    for (const wchar_t* name : names) {
      const CControlUI* c = w.FindControl(name);
      ASSERT_NE(c, nullptr) << Narrow(name);
      EXPECT_EQ(c->IsVisible(), visible) << Narrow(name);
    }
  }
};

LOGFONTW FontOf(SkinWindow& w, int id) {
  LOGFONTW lf{};
  ::GetObjectW(w.GetPaintManager().GetFont(id), sizeof lf, &lf);
  return lf;
}

bool Bluish(uint32_t argb) {
  const int r = argb >> 16 & 0xff, g = argb >> 8 & 0xff, b = argb & 0xff;
  return b > r + 80 && b > g + 20;
}

// Rightmost column in `r` holding a pixel that differs from `background`.
int RightmostInk(const uitest::Capture& shot, const RECT& r, uint32_t background) {
  int right = -1;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (shot.at(x, y) != background) right = std::max(right, x);
    }
  }
  return right;
}

}  // namespace

TEST_F(SkinLayouts, EveryDocumentBuildsAWindowOfItsSize) {
  for (const skintest::LayoutDocument& doc : skintest::kLayouts) {
    SkinWindow w(doc.file, std::wstring(L"orb_skin_") + doc.file);
    ASSERT_TRUE(w.Open()) << Narrow(doc.file);
    RECT client{};
    ::GetClientRect(w.GetHWND(), &client);
    EXPECT_EQ(client.right, doc.width) << Narrow(doc.file);
    EXPECT_EQ(client.bottom, doc.height) << Narrow(doc.file);
    const CControlUI* root = w.FindControl(L"lay_main");
    ASSERT_NE(root, nullptr) << Narrow(doc.file);
    EXPECT_EQ(root, w.GetPaintManager().GetRoot()) << Narrow(doc.file);
    // Only the mask is layered; it alone has no shadow, which would draw a band across
    // the main window it lies on.
    const bool mask = doc.file == std::wstring_view(L"mask.xml");
    EXPECT_EQ(w.GetPaintManager().IsLayered(), mask) << Narrow(doc.file);
    EXPECT_EQ(w.GetPaintManager().IsShadowShown(), !mask) << Narrow(doc.file);
  }
}

TEST_F(SkinLayouts, BackgroundAndWindowIconResourcesDecode) {
  const std::optional<std::string> png = uifw::SkinPackage::ReadResource(L"136", L"PNG");
  ASSERT_TRUE(png);
  const std::unique_ptr<uifw::SkinImage> background = uifw::SkinImage::Decode(*png);
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->Width(), 600);
  EXPECT_EQ(background->Height(), 400);
  // One icon group with an image of its own for each size the shell asks for.
  const std::optional<std::string> group = uifw::SkinPackage::ReadResource(L"101", L"14");  // RT_GROUP_ICON
  ASSERT_TRUE(group);
  ASSERT_GE(group->size(), 6u);
  const auto byte = [&](size_t at) { return static_cast<unsigned char>((*group)[at]); };
  const size_t count = byte(4) | byte(5) << 8;
  ASSERT_EQ(group->size(), 6 + 14 * count);
  std::set<int> sizes;
  for (size_t i = 0; i < count; ++i) sizes.insert(byte(6 + 14 * i) == 0 ? 256 : byte(6 + 14 * i));
  for (const int size : {16, 24, 32, 48, 256}) EXPECT_TRUE(sizes.count(size)) << size;
  const HICON icon = static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(icon, nullptr);
  if (icon) ::DestroyIcon(icon);
}

TEST_F(SkinLayouts, MainWindowControlsSitWhereThePagesNeedThem) {
  SkinWindow w(L"skin.xml", L"orb_skin_main");
  ASSERT_TRUE(w.Open());
  w.GetPaintManager().UpdateLayout();
  ExpectPlaces(w, {
      {L"lab_bk0", L"LabelUI", 0, 0, 600, 440},
      {L"lab_bk", L"LabelUI", 0, 0, 600, 400},
      {L"lay_caption", L"HorizontalLayoutUI", 0, 0, 600, 30},
      {L"btn_minimal", L"ButtonUI", 536, 4, 24, 24},
      {L"btn_close", L"ButtonUI", 568, 4, 24, 24},
      // start page and its settings area
      {L"lay_before", L"VerticalLayoutUI", 0, 0, 600, 440},
      {L"btn_install", L"ButtonUI", 204, 265, 192, 40},
      {L"cbx_agree", L"CheckBoxUI", 150, 331, 16, 16},
      {L"btn_settings", L"ButtonUI", 450, 368, 125, 20},
      {L"btn_downIcon", L"ButtonUI", 570, 375, 8, 8},
      {L"btn_upIcon", L"ButtonUI", 570, 375, 8, 8},
      {L"lbl_install_dir", L"LabelUI", 70, 408, 110, 20},
      {L"lbl_folder_bk", L"LabelUI", 170, 400, 300, 32},
      {L"btn_select_dir", L"ButtonUI", 442, 404, 24, 24},
      {L"lbl_language", L"LabelUI", 24, 408, 131, 20},
      {L"cmb_language", L"ComboUI", 160, 400, 320, 32},
      {L"cbx_ext_install", L"CheckBoxUI", 140, 380, 280, 16},
      // download page
      {L"lay_download", L"VerticalLayoutUI", 0, 0, 600, 400},
      {L"lab_banner", L"LabelUI", 0, 0, 600, 338},
      {L"web_banner", L"ControlUI", 0, 0, 600, 338},
      {L"progress_download", L"ProgressUI", 58, 350, 484, 6},
      {L"lbl_progress_tip", L"LabelUI", 58, 360, 484, 20},
      {L"lbl_progress_value", L"LabelUI", 500, 360, 40, 20},
      {L"lbl_wait_for_time_tip", L"LabelUI", 58, 375, 484, 20},
      // finish page
      {L"lay_after", L"VerticalLayoutUI", 0, 0, 600, 400},
      {L"btn_run", L"ButtonUI", 204, 265, 192, 40},
      {L"edit_package", L"EditUI", 5, 325, 590, 24},
      // failure page
      {L"lab_warn", L"LabelUI", 30, 30, 57, 57},
      {L"lbl_title", L"LabelUI", 5, 2, 585, 28},
      {L"lbl_install_failed", L"LabelUI", 105, 35, 195, 45},
      {L"lbl_tip1", L"LabelUI", 35, 80, 530, 30},
      {L"lbl_tip2", L"LabelUI", 35, 110, 300, 20},
      {L"lbl_tip3", L"LabelUI", 35, 130, 300, 20},
      {L"btn_download_pkg", L"ButtonUI", 35, 150, 195, 20},
      {L"lbl_tip4", L"LabelUI", 232, 150, 50, 20},
      {L"lbl_contact", L"LabelUI", 35, 180, 545, 20},
      {L"edit_contact", L"EditUI", 35, 200, 530, 30},
      {L"edit_remark", L"RichEditUI", 35, 240, 530, 95},
      {L"btn_help", L"ButtonUI", 35, 355, 45, 25},
      {L"btn_send_report", L"ButtonUI", 430, 350, 135, 30},
      // licence area
      {L"lay_license", L"ContainerUI", 0, 0, 600, 536},
      {L"web_license", L"ControlUI", 16, 401, 568, 132},
  });
  // The failure page is the one page that flows: it fills the window.
  w.FindControl(L"lay_failed")->SetVisible(true);
  w.GetPaintManager().UpdateLayout();
  const RECT all{0, 0, 600, 400};
  EXPECT_TRUE(::EqualRect(&w.FindControl(L"lay_failed")->GetPos(), &all));
  EXPECT_EQ(w.Find<CContainerUI>(L"lay_failed")->GetClass(), L"ContainerUI");
  // Attributes the elements do not know change nothing.
  EXPECT_EQ(w.FindControl(L"web_license")->GetBorderColor(), 0u) << "bodercolor is no attribute";
  // Looked up by the program, yet not in the document.
  EXPECT_EQ(w.FindControl(L"lbl_tail2"), nullptr);
  EXPECT_EQ(w.FindControl(L"ExtLayout"), nullptr);
}

TEST_F(SkinLayouts, MainWindowStartsOnTheStartPage) {
  SkinWindow w(L"skin.xml", L"orb_skin_main");
  ASSERT_TRUE(w.Open());
  ExpectVisible(w, {L"lay_before", L"lay_caption", L"btn_install", L"btn_downIcon", L"lbl_folder_bk", L"cbx_agree"}, true);
  ExpectVisible(w, {L"btn_upIcon", L"lbl_install_dir", L"edit_install_dir", L"btn_select_dir", L"lbl_language",
                    L"cmb_language", L"cbx_ext_install", L"lay_download", L"web_banner", L"lay_after", L"lay_failed",
                    L"lay_license", L"lbl_title", L"lbl_agree2", L"btn_privacy2", L"btn_eula2", L"btn_settings2"},
                false);
  // Pages that lie over others take no mouse themselves, so the page below stays usable.
  EXPECT_FALSE(w.FindControl(L"lay_before")->IsMouseEnabled());
  EXPECT_FALSE(w.FindControl(L"lay_license")->IsMouseEnabled());
  EXPECT_TRUE(w.FindControl(L"btn_install")->IsEnabled());
  EXPECT_FALSE(w.FindControl(L"btn_send_report")->IsEnabled());
  EXPECT_FALSE(w.Find<CCheckBoxUI>(L"cbx_agree")->GetCheck());
  EXPECT_TRUE(w.Find<CEditUI>(L"edit_install_dir")->IsReadOnly());
  EXPECT_TRUE(w.Find<CEditUI>(L"edit_package")->IsReadOnly());
  EXPECT_FALSE(w.Find<CEditUI>(L"edit_contact")->IsMultiLine());
  EXPECT_TRUE(w.Find<CLabelUI>(L"cbx_ext_install")->IsShowHtml());
  EXPECT_EQ(w.Find<CLabelUI>(L"lbl_progress_value")->GetTextAlign(), static_cast<UINT>(DT_RIGHT));
  auto* progress = w.Find<CProgressUI>(L"progress_download");
  EXPECT_EQ(progress->GetMinValue(), 0);
  EXPECT_EQ(progress->GetMaxValue(), 100);
  EXPECT_TRUE(progress->IsHorizontal());
  // Colours as written: six digits leave the alpha at 0, text draws regardless.
  EXPECT_EQ(w.Find<CLabelUI>(L"lbl_agree")->GetTextColor(), 0x007a7b7fu);
  EXPECT_EQ(w.Find<CLabelUI>(L"lbl_progress_tip")->GetTextColor(), 0xff7a7b7fu);
  EXPECT_EQ(w.FindControl(L"lay_failed")->GetBkColor(), 0xfff9f9f9u);
  EXPECT_EQ(w.FindControl(L"edit_install_dir")->GetBkColor(), 0u);
}

TEST_F(SkinLayouts, DialogsAndMaskPlaceTheirControls) {
  SkinWindow box(L"messagebox.xml", L"orb_skin_messagebox");
  ASSERT_TRUE(box.Open());
  ExpectPlaces(box, {
      {L"lbl_title", L"LabelUI", 10, 5, 200, 20},
      {L"btn_close", L"ButtonUI", 214, 5, 24, 24},
      {L"lab_icon", L"LabelUI", 94, 24, 56, 56},
      {L"edit_content", L"RichEditUI", 24, 84, 200, 100},
      {L"btn_ok", L"ButtonUI", 24, 180, 200, 32},
      {L"btn_cancel", L"ButtonUI", 24, 220, 200, 32},
  });
  ExpectVisible(box, {L"btn_ok", L"btn_cancel"}, false);
  EXPECT_TRUE(box.Find<CEditUI>(L"edit_content")->IsReadOnly());
  EXPECT_TRUE(box.Find<CRichEditUI>(L"edit_content")->IsTransparent());
  EXPECT_EQ(box.Find<CLabelUI>(L"edit_content")->GetDisabledTextColor(), 0xff3c3c3cu);

  SkinWindow redeem(L"redeembox.xml", L"orb_skin_redeembox");
  ASSERT_TRUE(redeem.Open());
  ExpectPlaces(redeem, {
      {L"lbl_content", L"LabelUI", 24, 32, 240, 90},
      {L"edit_email", L"EditUI", 28, 132, 232, 24},
      {L"lbl_error_tip", L"LabelUI", 24, 168, 240, 48},  // written "< Label"
      {L"lbl_tip", L"LabelUI", 24, 168, 240, 72},
      {L"btn_ok", L"ButtonUI", 24, 248, 240, 32},
      {L"btn_cancel", L"ButtonUI", 24, 288, 240, 32},
      {L"btn_close", L"ButtonUI", 254, 5, 24, 24},
  });
  ExpectVisible(redeem, {L"lbl_error_tip", L"btn_close"}, false);
  EXPECT_EQ(redeem.Find<CLabelUI>(L"lbl_error_tip")->GetTextColor(), 0xffff0000u);
  EXPECT_EQ(redeem.Find<CEditUI>(L"edit_email")->GetTipValueColor(), 0xffc2c2c2u);

  SkinWindow privacy(L"privacybox.xml", L"orb_skin_privacybox");
  ASSERT_TRUE(privacy.Open());
  for (const wchar_t* name : {L"lbl_title", L"lbl_content", L"box_lbl_and", L"box_lbl_tail"}) {
    EXPECT_EQ(privacy.FindControl(name)->GetClass(), L"LabelUI") << Narrow(name);
  }
  for (const wchar_t* name : {L"btn_agree_install", L"btn_not_agree", L"box_btn_privacy", L"box_btn_eula"}) {
    EXPECT_EQ(privacy.FindControl(name)->GetClass(), L"ButtonUI") << Narrow(name);
  }
  EXPECT_EQ(privacy.FindControl(L"box_lbl_tail2"), nullptr);

  SkinWindow mask(L"mask.xml", L"orb_skin_mask");
  ASSERT_TRUE(mask.Open());
  mask.GetPaintManager().UpdateLayout();
  ExpectPlaces(mask, {
      {L"lab_mask", L"LabelUI", 0, 0, 600, 400},
      {L"btn_minimal", L"ButtonUI", 576, 4, 24, 24},
      {L"btn_close", L"ButtonUI", 608, 4, 24, 24},
      {L"lbl_tips_bkg", L"LabelUI", 78, 28, 484, 60},
      {L"lbl_tips", L"LabelUI", 94, 28, 452, 56},
      {L"btn_close_tip", L"ButtonUI", 547, 29, 14, 14},
  });
  const CControlUI* veil = mask.FindControl(L"lab_mask");
  EXPECT_EQ(veil->GetBkColor(), 0x01ffffffu);
  EXPECT_FALSE(veil->IsMouseEnabled());
  EXPECT_TRUE(veil->IsEnabled()) << "enable is no attribute";
  EXPECT_TRUE(mask.GetPaintManager().IsLayered());
  EXPECT_EQ(mask.GetPaintManager().GetLayeredOpacity(), 255);
}

TEST_F(SkinLayouts, FontsOfTheDocuments) {
  SkinWindow w(L"skin.xml", L"orb_skin_main");
  ASSERT_TRUE(w.Open());
  const struct {
    int id;
    int height;
    bool bold;
    bool underline;
  } fonts[] = {{1, 12, false, false}, {5, 18, true, false}, {6, 15, true, false},
               {7, 12, false, true},  {10, 12, false, false}, {11, 12, false, true}};
  for (const auto& f : fonts) {
    const LOGFONTW lf = FontOf(w, f.id);
    EXPECT_EQ(std::wstring_view(lf.lfFaceName), L"Segoe UI") << f.id;
    EXPECT_EQ(lf.lfHeight, -f.height) << f.id;
    EXPECT_EQ(lf.lfWeight >= FW_BOLD, f.bold) << f.id;
    EXPECT_EQ(lf.lfUnderline != 0, f.underline) << f.id;
  }
  EXPECT_EQ(w.GetPaintManager().GetDefaultFont(), w.GetPaintManager().GetFont(1));
  EXPECT_EQ(w.Find<CLabelUI>(L"btn_install")->GetFont(), 6);
  EXPECT_EQ(w.Find<CLabelUI>(L"btn_privacy")->GetFont(), 11);
  EXPECT_EQ(w.Find<CLabelUI>(L"lbl_agree")->GetFont(), 10);

  SkinWindow box(L"messagebox.xml", L"orb_skin_messagebox");
  ASSERT_TRUE(box.Open());
  const LOGFONTW title = FontOf(box, 4);  // a plain notice's bold title
  EXPECT_EQ(title.lfHeight, -14);
  EXPECT_GE(title.lfWeight, FW_BOLD);

  SkinWindow mask(L"mask.xml", L"orb_skin_mask");
  ASSERT_TRUE(mask.Open());
  EXPECT_NE(mask.GetPaintManager().GetFont(14), mask.GetPaintManager().GetDefaultFont()) << "the tip's font exists";
}

TEST_F(SkinLayouts, StartPageShowsItsPictureButtonsAndNoImageWhereThePackageHasNone) {
  SkinWindow w(L"skin.xml", L"orb_skin_main");
  ASSERT_TRUE(w.Open());
  const uitest::Capture start = uitest::CaptureClient(w.GetHWND(), "skin_start");
  ASSERT_EQ(start.width, 600);
  // The background resource: a tinted gradient, not the white label beneath it.
  EXPECT_NE(start.at(5, 395), 0xffffffu);
  EXPECT_NE(start.at(595, 5), 0xffffffu);
  // The blue Install button, the close glyph in the caption.
  EXPECT_TRUE(Bluish(start.at(300, 285))) << std::hex << start.at(300, 285);
  EXPECT_GT(start.Count({568, 4, 592, 28}, 0x7a7b7f, 40), 8);

  // The companion check box and the language combo name images the package lacks.
  auto* companion = w.Find<CCheckBoxUI>(L"cbx_ext_install");
  companion->SetText(L"");
  companion->SetVisible(true);
  w.ResizeClient(600, 440);
  auto* combo = w.Find<CComboUI>(L"cmb_language");
  combo->SetVisible(true);
  const uitest::Capture shown = uitest::CaptureClient(w.GetHWND(), "skin_companion");
  for (int y = 380; y < 396; ++y) {
    for (int x = 140; x < 156; ++x) ASSERT_EQ(shown.at(x, y), start.at(x, y)) << x << "," << y;
  }
  // Inside its border the combo is its plain white background.
  EXPECT_EQ(shown.Count({162, 402, 478, 430}, 0xffffff, 0), 316 * 28);
}

TEST_F(SkinLayouts, SettingsAreaFieldPaintsNoBackgroundOfItsOwn) {
  SkinWindow w(L"skin.xml", L"orb_skin_main");
  ASSERT_TRUE(w.Open());
  w.FindControl(L"lbl_folder_bk")->SetBkImage(L"file='folder_bk.png' corner='5,5,5,5'");
  CControlUI* field = w.FindControl(L"edit_install_dir");
  field->SetAttribute(L"pos", L"174,404,442,428");
  field->SetVisible(true);
  w.ResizeClient(600, 440);
  const uitest::Capture shot = uitest::CaptureClient(w.GetHWND(), "skin_settings");
  ASSERT_EQ(shot.height, 440);
  w.GetPaintManager().UpdateLayout();
  const RECT expected{174, 404, 442, 428};
  EXPECT_TRUE(::EqualRect(&field->GetPos(), &expected));
  // alpha 0: the frame's white shows through the whole (empty) field
  EXPECT_EQ(shot.Count({174, 404, 442, 428}, 0xffffff, 0), 268 * 24);
  // the frame itself: its grey edge at the left and right
  EXPECT_NE(shot.at(170, 416), 0xffffffu);
  EXPECT_NE(shot.at(469, 416), 0xffffffu);
}

TEST_F(SkinLayouts, DownloadPageMarkupHidesItsTagsWherePlainTextShowsThem) {
  const wchar_t* text = L"{f 1}{c #7a7b7f}By downloading, You agree to the {/c}{/f}";
  SkinWindow w(L"skin.xml", L"orb_skin_main");
  ASSERT_TRUE(w.Open());
  w.FindControl(L"lay_before")->SetVisible(false);
  w.FindControl(L"lay_download")->SetVisible(true);
  w.FindControl(L"lbl_wait_for_time_tip")->SetVisible(false);
  const RECT line{0, 375, 600, 395};

  CControlUI* markup = w.FindControl(L"lbl_agree2");
  markup->SetText(text);
  markup->SetFixedXY({58, 375});
  markup->SetFixedWidth(484);
  markup->SetVisible(true);
  const uitest::Capture with_markup = uitest::CaptureClient(w.GetHWND(), "skin_markup");
  markup->SetVisible(false);

  CControlUI* plain = w.FindControl(L"lbl_wait_for_time_tip");
  plain->SetText(text);
  plain->SetVisible(true);
  const uitest::Capture without = uitest::CaptureClient(w.GetHWND(), "skin_plain");

  const int markup_right = RightmostInk(with_markup, line, 0xffffff);
  const int plain_right = RightmostInk(without, line, 0xffffff);
  ASSERT_GT(markup_right, 58) << "the markup text is drawn";
  EXPECT_GT(plain_right, markup_right + 40) << "braces and tag letters take room";
  EXPECT_GT(with_markup.Count(line, 0x7a7b7f, 40), 20) << "grey from the colour tag";
}
