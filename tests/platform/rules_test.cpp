// The platform rules that are plain text and arithmetic: versions, web addresses, status
// texts, number texts, the program-files rule and the choice among drives.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <limits>
#include <map>
#include <string>

#include "platform/disk.h"
#include "platform/program_files.h"
#include "platform/status_texts.h"
#include "platform/text_format.h"
#include "platform/version_compare.h"
#include "platform/web_address.h"

namespace {

TEST(VersionCompareTest, ComparesUpToFourNumbersWithMissingOnesAsZero) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  };
  const Case cases[] = {
      {L"14.0.8.0", L"14.0.8.1234", -1},
      {L"14.0.8", L"14.0.8.0", 0},
      {L"10.0", L"9.99", 1},                 // numbers, not text
      {L"1.2.3.4.5", L"1.2.3.4.9", 0},       // a fifth component is not looked at
      {L"1.x.9", L"1.0.0.0", 0},             // everything from a non-number on counts as 0
      {L"", L"0.0.0.0", 0},
      {L" 1. 2", L"1.2", 0},                 // blanks before a number are skipped, as %d does
      {L"-1.0", L"0.0", -1},
      {L"99999999999.1", L"2147483647.5", -1},  // saturates instead of overflowing
      {L"2", L"1.9.9.9", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << L" vs " << c.b);
    EXPECT_EQ(CompareVersions(c.a, c.b), c.expected);
    EXPECT_EQ(CompareVersions(c.b, c.a), -c.expected);
  }
}

TEST(WebAddressTest, SchemeAndLengthAfterTrimmingSpaces) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"http://", false},     {L"http://a", true},        {L"https://", false},
      {L" https://a", true},   {L"  http://x.y/  ", true}, {L"https:/x.y", false},
      {L"HTTP://abc", false},  {L"ftp://abc", false},      {L"", false},
      {L"    ", false},        {L"\thttp://abc", false},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(IsWebAddress(text), expected) << '"' << testing::PrintToString(std::wstring(text)) << '"';
  }
}

TEST(StatusTextTest, ShellErrorTextsAroundTheSuccessBoundary) {
  EXPECT_EQ(ShellExecuteErrorText(0), "The operating system is out of memory or resources.");
  EXPECT_EQ(ShellExecuteErrorText(31), "There is no application associated with the given file name extension.");
  EXPECT_EQ(ShellExecuteErrorText(32), "The dynamic-link library was not found.");
  for (const long long unknown : {1LL, 4LL, 25LL, -1LL}) EXPECT_EQ(ShellExecuteErrorText(unknown), "Unknown error");
  for (const long long success : {33LL, 42LL, 1LL << 40}) EXPECT_EQ(ShellExecuteErrorText(success), "");
}

TEST(StatusTextTest, InstallerExitCodeTexts) {
  EXPECT_EQ(InstallerExitCodeText(0), "");
  EXPECT_EQ(InstallerExitCodeText(2),
            "The user clicked Cancel in the wizard before the actual installation started, or chose \"No\" on the "
            "opening \"This will install...\" message box.");
  EXPECT_EQ(InstallerExitCodeText(8),
            "The Preparing to Install stage determined that Setup cannot proceed with installation, and that the "
            "system needs to be restarted in order to correct the problem.");
  for (const long long other : {9LL, -1LL, 259LL}) EXPECT_EQ(InstallerExitCodeText(other), "Unknown error code.");
}

TEST(TextFormatTest, NumbersInTheirTexts) {
  EXPECT_EQ(DecimalText(0), "0");
  EXPECT_EQ(DecimalText(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
  EXPECT_EQ(DecimalWide(-42), L"-42");
  EXPECT_EQ(DecimalWide(std::numeric_limits<std::int64_t>::min()), L"-9223372036854775808");
  EXPECT_EQ(HexWide(0), L"0");
  EXPECT_EQ(HexWide(255), L"FF");
  EXPECT_EQ(HexWide(0xDEADBEEF), L"DEADBEEF");
}

TEST(TextFormatTest, TimeStampIsTheLocalTimeNow) {
  const std::time_t before = std::time(nullptr);
  const std::wstring stamp = TimeStampText();
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(stamp.size(), 14u);
  std::tm parts{};
  parts.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
  parts.tm_mon = std::stoi(stamp.substr(4, 2)) - 1;
  parts.tm_mday = std::stoi(stamp.substr(6, 2));
  parts.tm_hour = std::stoi(stamp.substr(8, 2));
  parts.tm_min = std::stoi(stamp.substr(10, 2));
  parts.tm_sec = std::stoi(stamp.substr(12, 2));
  parts.tm_isdst = -1;
  const std::time_t read = std::mktime(&parts);
  EXPECT_GE(read, before);
  EXPECT_LE(read, after);
}

TEST(ProgramFilesTest, RuleOverTheEnvironment) {
  using Env = std::map<std::wstring, std::wstring>;
  struct Case {
    const char* what;
    Env env;
    bool process_is_64bit;
    ProgramFilesFolders expected;
  };
  const Case cases[] = {
      {"32-bit process on 64-bit Windows",
       {{L"PROCESSOR_ARCHITEW6432", L"AMD64"},
        {L"ProgramFiles(x86)", L"C:\\Program Files (x86)"},
        {L"ProgramFiles", L"C:\\Program Files (x86)"}},
       false,
       {L"C:\\Program Files (x86)\\", L"C:\\Program Files\\"}},
      {"64-bit process",
       {{L"ProgramFiles(x86)", L"C:\\Program Files (x86)"}, {L"ProgramFiles", L"C:\\Program Files"}},
       true,
       {L"C:\\Program Files (x86)\\", L"C:\\Program Files\\"}},
      {"32-bit Windows", {{L"ProgramFiles", L"C:\\Program Files"}}, false, {L"C:\\Program Files\\", L""}},
      {"trailing backslashes become one", {{L"ProgramFiles", L"D:\\Apps\\\\"}}, false, {L"D:\\Apps\\", L""}},
      {"every (x86) goes",
       {{L"PROCESSOR_ARCHITEW6432", L""}, {L"ProgramFiles(x86)", L"E:\\Soft (x86)\\Program Files (x86)"}},
       false,
       {L"E:\\Soft (x86)\\Program Files (x86)\\", L"E:\\Soft\\Program Files\\"}},
      {"missing variable", {}, true, {L"", L""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto lookup = [&c](std::wstring_view name) -> std::optional<std::wstring> {
      const auto found = c.env.find(std::wstring(name));
      if (found == c.env.end()) return std::nullopt;
      return found->second;
    };
    const ProgramFilesFolders folders = ProgramFilesFromEnvironment(lookup, c.process_is_64bit);
    EXPECT_EQ(folders.x86, c.expected.x86);
    EXPECT_EQ(folders.native, c.expected.native);
  }
}

TEST(ProgramFilesTest, DefaultInstallFolderIsProgramFilesWithStandardSettings) {
  EXPECT_EQ(DefaultInstallFolder({L"C:\\Program Files (x86)\\", L"C:\\Program Files\\"}, true), L"C:\\Program Files\\");
  EXPECT_EQ(DefaultInstallFolder({L"C:\\Program Files\\", L""}, false), L"C:\\Program Files\\");
}

TEST(MostFreeDriveTest, LargestWinsAndTheFirstOfEqualOnes) {
  EXPECT_EQ(MostFreeDrive({}), L"");
  EXPECT_EQ(MostFreeDrive({{L"C:\\", 5}, {L"D:\\", 9}, {L"E:\\", 9}, {L"F:\\", 1}}), L"D:\\");
  EXPECT_EQ(MostFreeDrive({{L"C:\\", 0}, {L"D:\\", 0}}), L"C:\\");
}

}  // namespace
