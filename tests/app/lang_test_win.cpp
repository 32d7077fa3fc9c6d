// The string table from this executable's resource, and the locale default under a
// German user locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/lang/lang_table.h"
#include "app/log/simple_log.h"
#include "tests/support/temp_dir.h"

TEST(LangResource, LoadsTheEmbeddedStringTable) {
  LangTable table;
  ASSERT_TRUE(table.loadLangXML(L"Acme"));
  EXPECT_EQ(table.StringCount(), 88u);
  EXPECT_EQ(table.GetText(L"Btn_Install"), L"Install");
  EXPECT_EQ(table.GetText(L"privacy_wnd_tip"), L"To protect your interests and rights, please read and agree to the Acme");
}

// Runs as its own ctest entry under LANG=de_DE.UTF-8: wine takes the user locale from the
// Unix environment of the wine process, so a child started from inside wine would inherit
// this process's locale instead.
TEST(LangLocale, GermanUserLocaleSelectsDeutsch) {
  const char* const expect = std::getenv("ORB_EXPECT_GERMAN_LOCALE");
  if (!expect) GTEST_SKIP() << "runs only as the German-locale ctest entry";
  orbtest::TempDir temp;
  const simpleLog& log = OpenProcessLog(temp.narrow() + "lang_locale.log");
  const LangTable table;
  EXPECT_EQ(table.CurrentName(), L"Deutsch");
  EXPECT_EQ(table.CodeOf(table.CurrentName()), L"DEU");
  const std::string text = orbtest::TempDir::read(log.FileName());
  EXPECT_NE(text.find("[INFO] InitLangCode GetUserDefaultLCID: 1031\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[INFO] InitLangCode set: 7\r\n"), std::string::npos) << text;
}
