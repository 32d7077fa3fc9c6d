// The language table: locale rows, codes, the shipped string table and the brand rule.
#include "app/lang/lang_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "common/xml_utf.h"
#include "tests/support/temp_dir.h"

namespace {

std::wstring ShippedStrings() {
  const char* const source = std::getenv("ORB_SOURCE_DIR");
  if (!source) return {};
  return XmlUtf8ToWide(orbtest::TempDir::read(std::string(source) + "/resources/lang_en.xml"));
}

const std::wstring kRussian = L"P\u0443\u0441\u0441\u043A\u0438\u0439";

}  // namespace

TEST(LangTable, LocaleRowsChooseTheLanguage) {
  struct Case {
    std::uint32_t lcid;
    int row;
    std::wstring name;
  };
  for (const Case& k : {Case{0x080C, 0, L"Fran\u00E7ais"}, Case{0x0407, 7, L"Deutsch"}, Case{0x0411, 11, L"\u65E5\u672C\u8A9E"},
                        Case{0x200A, 33, L"Espa\u00F1ol"}, Case{0x0419, 40, kRussian}, Case{0x001D, 46, L"Svenska"},
                        Case{0x2401, 64, L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629"}, Case{0x041E, 74, L"\u0E44\u0E17\u0E22"}}) {
    LangTable table;
    EXPECT_EQ(table.SelectByLocale(k.lcid), k.row) << std::hex << k.lcid;
    EXPECT_EQ(table.CurrentName(), k.name);
  }
  for (const std::uint32_t unknown : {0x0409u, 0x0809u, 0u}) {
    LangTable table;
    table.SetCurrentName(L"English");
    EXPECT_EQ(table.SelectByLocale(unknown), -1);
    EXPECT_EQ(table.CurrentName(), L"English");
  }
}

TEST(LangTable, LanguageListAndCodes) {
  const LangTable table;
  ASSERT_EQ(table.Languages().size(), 21u);
  EXPECT_EQ(table.Languages().front(), (LangTable::Language{L"English", L"ENG"}));
  EXPECT_EQ(table.Languages()[7], (LangTable::Language{kRussian, L"RUS"}));
  EXPECT_EQ(table.Languages().back(), (LangTable::Language{L"\u0E44\u0E17\u0E22", L"THA"}));
  struct Case {
    std::wstring name, code;
  };
  for (const Case& k : {Case{L"Bahasa Indonesia", L"INA"}, Case{L"Deutsch", L"DEU"}, Case{kRussian, L"RUS"},
                        Case{L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439", L"ENG"},  // Cyrillic first letter
                        Case{L"\u0924\u0947\u0932\u0941\u0917\u0941", L"ENG"}, Case{L"\u0C24\u0C46\u0C32\u0C41\u0C17\u0C41", L"INDTE"},
                        Case{L"english", L"ENG"}, Case{L"Klingon", L"ENG"}, Case{L"", L"ENG"}}) {
    EXPECT_EQ(table.CodeOf(k.name), k.code);
  }
}

TEST(LangTable, ShippedStringTable) {
  const std::wstring text = ShippedStrings();
  ASSERT_FALSE(text.empty()) << "set ORB_SOURCE_DIR";
  LangTable table;
  ASSERT_TRUE(table.LoadStrings(text, L"Korvane"));
  EXPECT_EQ(table.StringCount(), 88u);
  EXPECT_EQ(table.GetText(L"errmsg_md5"), L"File download or verify failed, please download the setup file again!");
  EXPECT_EQ(table.GetText(L"Lbl_ProgressTip"), L"Installing\u2026Click \"Hide\" to minimize the program (%d%s finished.)");
  EXPECT_EQ(table.GetText(L"Lbl_Check"), L"By clicking \"Install\", you agree to the ");
  EXPECT_EQ(table.GetText(L"new_install_time_tip"), L"Installing (Time remaining:  %02d:%02d:%02d)");
  EXPECT_EQ(table.GetText(L"Lbl_Install_Mhub"), L"{f 1}{c #7a7b7f}Agree to install Korvane Muse Hub{/c}{/f}");
  EXPECT_EQ(table.GetText(L"main_privacy_tip"), L"I have read and agree to the Korvane");
  EXPECT_EQ(table.GetText(L"confirm_stop_download?"), L"Downloading, confirm to stop downloading?");
  // Empty texts read as their key, or as empty on request.
  EXPECT_EQ(table.GetText(L"privacy_wnd_tip_tail"), L"privacy_wnd_tip_tail");
  EXPECT_EQ(table.GetTextOrEmpty(L"main_privacy_tip_tail"), L"");
  EXPECT_EQ(table.GetText(L"Btn_Unknown"), L"Btn_Unknown");
  EXPECT_EQ(table.GetTextOrEmpty(L"Btn_Unknown"), L"");
}

TEST(LangTable, BrandReplacesTheBrandWord) {
  const std::wstring text = ShippedStrings();
  struct Case {
    std::wstring brand, tip, hub;
  };
  for (const Case& k : {Case{L"Acme", L"I have read and agree to the Acme", L"{f 1}{c #7a7b7f}Agree to install Acme Muse Hub{/c}{/f}"},
                        Case{L"KORVANE", L"I have read and agree to the Korvane", L"{f 1}{c #7a7b7f}Agree to install Korvane Muse Hub{/c}{/f}"},
                        Case{L"", L"I have read and agree to the ", L"{f 1}{c #7a7b7f}Agree to install  Muse Hub{/c}{/f}"}}) {
    LangTable table;
    ASSERT_TRUE(table.LoadStrings(text, k.brand));
    EXPECT_EQ(table.GetText(L"main_privacy_tip"), k.tip);
    EXPECT_EQ(table.GetText(L"Lbl_Install_Mhub"), k.hub);
  }
  EXPECT_EQ(ApplyBrand(L"Korvane korvane KorvaneKorvane", L"Korvanex"), L"Korvanex korvane KorvanexKorvanex");
}

TEST(LangTable, DocumentRules) {
  struct Case {
    const wchar_t* text;
    bool loaded;
  };
  for (const Case& k : {Case{L"", false}, Case{L"<Lang><item name='a'>x</item>", false}, Case{L"<Strings><item name='a'>x</item></Strings>", false},
                        Case{L"<Lang/>", true}}) {
    LangTable table;
    EXPECT_EQ(table.LoadStrings(k.text, L"Korvane"), k.loaded) << k.text;
  }
  LangTable table;
  ASSERT_TRUE(table.LoadStrings(L"<Lang><item name='a'>first</item><item name='b'>&lt;b&gt;</item><item name='a'>second</item></Lang>",
                                L"Korvane"));
  EXPECT_EQ(table.GetText(L"a"), L"second");
  EXPECT_EQ(table.GetText(L"b"), L"<b>");
  EXPECT_EQ(table.StringCount(), 2u);
}
