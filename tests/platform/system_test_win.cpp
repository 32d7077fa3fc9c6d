// System facts, the running executable and version resources.
#include <gtest/gtest.h>

#include <regex>

#include "common/text_convert.h"
#include "platform/module_info.h"
#include "platform/program_files.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "tests/platform/platform_test_support.h"

namespace {

TEST(SystemInfoTest, ThisIs64BitWindowsOnAnX64Processor) {
  EXPECT_TRUE(IsWindows64());
  EXPECT_FALSE(IsArm64Processor());  // these test machines are x86-64
}

TEST(SystemInfoTest, WindowsVersionIsThreeNumbers) {
  const std::string version = WideToAnsi(WindowsVersionText());
  EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+)"))) << version;
}

TEST(SystemInfoTest, InternetExplorerVersionOrADash) {
  const std::string real = WideToAnsi(InternetExplorerVersion());
  EXPECT_TRUE(real == "-" || std::regex_match(real, std::regex(R"(\d+(\.\d+)+)"))) << real;

  const pftest::TestKey test;
  EXPECT_EQ(InternetExplorerVersion(test.path()), L"-");
  const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, test.path(), KEY_ALL_ACCESS);
  ASSERT_TRUE(key.WriteString(L"Version", L""));
  EXPECT_EQ(InternetExplorerVersion(test.path()), L"-");
  const std::wstring long_version = L"11.0." + std::wstring(300, L'9');  // once cut by a small buffer
  ASSERT_TRUE(key.WriteString(L"Version", long_version));
  EXPECT_EQ(InternetExplorerVersion(test.path()), long_version);
}

TEST(SystemInfoTest, ProgramFilesWithStandardSettings) {
  const ProgramFilesFolders folders = GetProgramFilesFolders();
  EXPECT_EQ(folders.x86, L"C:\\Program Files (x86)\\");
  EXPECT_EQ(folders.native, L"C:\\Program Files\\");
  EXPECT_EQ(DefaultInstallFolder(folders, IsWindows64()), L"C:\\Program Files\\");
}

TEST(ModuleInfoTest, OwnPathNameAndFolder) {
  const std::wstring path = OwnExecutablePath();
  EXPECT_TRUE(path.ends_with(L"\\platform_system_test.exe")) << WideToAnsi(path);
  EXPECT_EQ(OwnFileName(), L"platform_system_test.exe");
  EXPECT_EQ(OwnFolder() + OwnFileName(), path);
  EXPECT_EQ(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(ModuleInfoTest, FileVersionsFromVersionResources) {
  orbtest::TempDir temp;
  EXPECT_EQ(OwnFileVersion(), L"3.1.4.15");
  EXPECT_EQ(FileVersionText(pftest::Helper(L"orb_test_exit_with.exe").wstring()), L"1.2.3.4");
  EXPECT_EQ(FileVersionText(pftest::Helper(L"orb_test_sleeper.exe").wstring()), L"65535.0.300.7");
  EXPECT_EQ(FileVersionText(temp.write("plain.txt", "no resources here").wstring()), L"");
  EXPECT_EQ(FileVersionText((temp.path() / "missing.exe").wstring()), L"");
}

}  // namespace
