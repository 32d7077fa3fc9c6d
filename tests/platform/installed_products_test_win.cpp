// Installed-product lookups against Wine's real registry.
#include <gtest/gtest.h>

#include <variant>
#include <string>

#include "platform/installed_products.h"
#include "platform/registry.h"
#include "tests/platform/platform_test_support.h"

namespace {

using pftest::TestKey;

struct Value {
  const wchar_t* name;
  std::variant<std::wstring, DWORD> data;
};

void MakeKey(const std::wstring& path, RegView view, std::initializer_list<Value> values) {
  const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, view);
  ASSERT_TRUE(key) << testing::PrintToString(path);
  for (const Value& value : values) {
    if (const auto* text = std::get_if<std::wstring>(&value.data)) {
      ASSERT_TRUE(key.WriteString(value.name, *text));
    } else {
      ASSERT_TRUE(key.WriteDword(value.name, std::get<DWORD>(value.data)));
    }
  }
}

TEST(MakerProductTest, FirstEntryWithTheNumberAndAnInstallInfoAnswers) {
  const TestKey test;  // the brand is the key's last part: Software\<brand>
  const std::wstring brand = test.Leaf();
  MakeKey(test.Sub(L"A"), RegView::k32, {{L"PID", 1901u}, {L"InstallInfo", L""}, {L"Version", L"9.9"}});
  MakeKey(test.Sub(L"B"), RegView::k32, {{L"PID", L"1901"}, {L"InstallInfo", L"x"}, {L"Version", L"8.8"}});
  MakeKey(test.Sub(L"C"), RegView::k32, {{L"PID", 77u}, {L"InstallInfo", L"x"}, {L"Version", L"7.7"}});
  MakeKey(test.Sub(L"D"), RegView::k32,
          {{L"PID", 1901u}, {L"InstallInfo", L"yes"}, {L"Version", L"14.0.8"},
           {L"InstallPath", L"C:\\Program Files\\" + brand + L"\\Lumetra\\"}});
  MakeKey(test.Sub(L"E"), RegView::k32, {{L"PID", 1901u}, {L"InstallInfo", L"yes"}, {L"InstallName", L"later.exe"}});

  EXPECT_EQ(MakerProductValue(brand, 1901, L"Version"), L"14.0.8");
  EXPECT_EQ(MakerProductValue(brand, 1901, L"InstallPath"), L"C:\\Program Files\\" + brand + L"\\Lumetra\\");
  EXPECT_EQ(MakerProductValue(brand, 1901, L"InstallName"), L"");  // D decides, even without the value
  EXPECT_EQ(MakerProductValue(brand, 77, L"Version"), L"7.7");
  EXPECT_EQ(MakerProductValue(brand, 5, L"Version"), L"");
  EXPECT_EQ(MakerProductValue(brand + L"-missing", 1901, L"Version"), L"");
}

TEST(MakerProductTest, LooksInThe32BitViewAndTakesValuesUpTo254Characters) {
  const TestKey test;
  const std::wstring brand = test.Leaf();
  MakeKey(test.Sub(L"P"), RegView::k64, {{L"PID", 1u}, {L"InstallInfo", L"x"}, {L"Version", L"64-bit view"}});
  EXPECT_EQ(MakerProductValue(brand, 1, L"Version"), L"");

  const std::wstring fits(254, L'p');
  MakeKey(test.Sub(L"Q"), RegView::k32,
          {{L"PID", 2u}, {L"InstallInfo", L"x"}, {L"InstallPath", fits}, {L"InstallName", fits + L"n"}});
  EXPECT_EQ(MakerProductValue(brand, 2, L"InstallPath"), fits);
  EXPECT_EQ(MakerProductValue(brand, 2, L"InstallName"), L"");  // too long: missing, never cut
}

TEST(UninstallEntryTest, SearchesThe64BitListThenThe32BitOne) {
  const TestKey test;
  // The 32-bit list is named through WOW6432Node and opened in the 32-bit view, as the
  // system's own list is.
  const std::wstring key64 = test.Sub(L"Uninstall");
  const std::wstring key32 = L"Software\\WOW6432Node\\" + test.Leaf() + L"\\Uninstall";
  MakeKey(key64 + L"\\a", RegView::k64, {{L"PID", L"5"}, {L"Version", L"1.0"}});
  MakeKey(key64 + L"\\b", RegView::k64, {{L"PID", L"123"}});  // no version: passed over
  MakeKey(key64 + L"\\c", RegView::k64, {{L"PID", 123u}, {L"Version", L"number PID"}});
  MakeKey(key64 + L"\\d", RegView::k64, {{L"PID", L"123"}, {L"Version", L"2.0"}});
  MakeKey(test.Sub(L"Uninstall\\a"), RegView::k32, {{L"PID", L"123"}, {L"Version", L"3.0"}});
  MakeKey(test.Sub(L"Uninstall\\b"), RegView::k32, {{L"PID", L"456"}, {L"Version", L"4.0"}});

  EXPECT_EQ(InstalledVersionByUninstallEntry(L"123", key64, key32), L"2.0");
  EXPECT_EQ(InstalledVersionByUninstallEntry(L"456", key64, key32), L"4.0");
  EXPECT_EQ(InstalledVersionByUninstallEntry(L"5", key64, key32), L"1.0");
  EXPECT_EQ(InstalledVersionByUninstallEntry(L"12", key64, key32), L"");  // equal, not a prefix
  EXPECT_EQ(InstalledVersionByUninstallEntry(L"", key64, key32), L"");
}

TEST(UninstallEntryTest, FindsEntriesInTheSystemsOwnLists) {
  const std::wstring entry = pftest::UniqueName(L"OrbTest-");
  const std::wstring path = std::wstring(kUninstallKey64) + L"\\" + entry;
  MakeKey(path, RegView::k64, {{L"PID", entry + L"-64"}, {L"Version", L"6.4"}});
  MakeKey(path, RegView::k32, {{L"PID", entry + L"-32"}, {L"Version", L"3.2"}});
  EXPECT_EQ(InstalledVersionByUninstallEntry(entry + L"-64"), L"6.4");
  EXPECT_EQ(InstalledVersionByUninstallEntry(entry + L"-32"), L"3.2");
  EXPECT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, path, RegView::k64));
  EXPECT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, path, RegView::k32));
}

TEST(CompanionTest, FirstViewNamingAnExistingFileWins) {
  const TestKey test;
  orbtest::TempDir temp;
  const std::wstring program = temp.write("Muse Hub.exe", "MZ").wstring();
  const std::wstring other = temp.write("other.exe", "MZ").wstring();
  const std::wstring hub = test.Sub(L"Muse Hub");

  EXPECT_EQ(CompanionProgramPath(hub), L"");
  EXPECT_FALSE(IsCompanionInstalled(hub));

  MakeKey(hub, RegView::k64, {{L"InstallName", temp.path().wstring()}});  // a folder, not a file
  MakeKey(hub, RegView::k32, {{L"InstallName", program}});
  EXPECT_EQ(CompanionProgramPath(hub), program);
  EXPECT_TRUE(IsCompanionInstalled(hub));

  MakeKey(hub, RegView::k64, {{L"InstallName", other}});
  EXPECT_EQ(CompanionProgramPath(hub), other);

  ASSERT_TRUE(::DeleteFileW(other.c_str()));
  ASSERT_TRUE(::DeleteFileW(program.c_str()));
  EXPECT_FALSE(IsCompanionInstalled(hub));
}

}  // namespace
