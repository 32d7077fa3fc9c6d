// The run-state document: the exact bytes written, reading back, and files that are
// damaged, hostile or simply not ours.
#include "config/run_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "common/xml_utf.h"
#include "tests/support/temp_dir.h"

// Readable failures instead of byte dumps; long values are cut.
void PrintTo(const RunStateValues& v, std::ostream* os) {
  for (const std::wstring* s :
       {&v.Status, &v.JoinExp, &v.SelectLang, &v.InstallPath, &v.AgreeExtInstall, &v.TmpPackagePath}) {
    *os << '[';
    for (size_t i = 0; i < std::min<size_t>(s->size(), 40); ++i) {
      const wchar_t c = (*s)[i];
      if (c >= 0x20 && c < 0x7f) {
        *os << static_cast<char>(c);
      } else {
        *os << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
      }
    }
    *os << ']';
  }
}

namespace {

RunStateValues Sample() {
  return {L"1", L"", L"English", L"C:\\Program Files\\Korvane & Co <x>", L"0", L"C:\\dl\\pkg.exe.~P2S"};
}

const std::string kSampleBytes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<config>\r\n"
    "<Status>1</Status>\r\n"
    "<JoinExp/>\r\n"
    "<SelectLang>English</SelectLang>\r\n"
    "<InstallPath>C:\\Program Files\\Korvane &amp; Co &lt;x&gt;</InstallPath>\r\n"
    "<AgreeExtInstall>0</AgreeExtInstall>\r\n"
    "<TmpPackagePath>C:\\dl\\pkg.exe.~P2S</TmpPackagePath>\r\n"
    "</config>\r\n";

RunState StateIn(const orbtest::TempDir& dir) {
  RunState state;
  state.path = (dir.path() / "ORB_DOWNTASK_1901.xml").wstring();
  return state;
}

// Reads `bytes` as the file over a state whose values are `before`.
RunState ReadBytes(const std::string& bytes, const RunStateValues& before = {}) {
  orbtest::TempDir dir;
  RunState state = StateIn(dir);
  dir.write("ORB_DOWNTASK_1901.xml", bytes);
  state.values = before;
  ReadRunConfig(state);
  return state;
}

}  // namespace

TEST(RunState, WritesExactBytesAndReadsThemBack) {
  orbtest::TempDir dir;
  RunState state = StateIn(dir);
  state.values = Sample();
  WriteRunConfig(state, false);
  EXPECT_EQ(orbtest::TempDir::read(state.path), kSampleBytes);

  RunState again = StateIn(dir);
  ReadRunConfig(again);
  EXPECT_EQ(again.values, Sample());
  EXPECT_TRUE(again.resumed);
}

TEST(RunState, FormatsEmptyAndNonAsciiValues) {
  EXPECT_EQ(FormatRunConfig({}),
            L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\r\n<Status/>\r\n<JoinExp/>\r\n<SelectLang/>\r\n"
            L"<InstallPath/>\r\n<AgreeExtInstall/>\r\n<TmpPackagePath/>\r\n</config>\r\n");

  orbtest::TempDir dir;
  RunState state = StateIn(dir);
  state.values.SelectLang = L"\u65e5\u672c\u8a9e";
  state.values.InstallPath = L"D:\\\u00e9t\u00e9\\\xD83D\xDE00";  // UTF-16 units on every build
  WriteRunConfig(state, false);
  const std::string bytes = orbtest::TempDir::read(state.path);
  EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("<SelectLang>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</SelectLang>"), std::string::npos);
  RunState again = StateIn(dir);
  ReadRunConfig(again);
  EXPECT_EQ(again.values, state.values);
  EXPECT_FALSE(again.resumed);
}

TEST(RunState, NothingIsWrittenInForkModeOrWithoutPath) {
  orbtest::TempDir dir;
  RunState state = StateIn(dir);
  state.values = Sample();
  WriteRunConfig(state, true);
  EXPECT_FALSE(std::filesystem::exists(state.path));

  RunState no_path;
  no_path.values = Sample();
  WriteRunConfig(no_path, false);  // must simply do nothing
  ReadRunConfig(no_path);
  EXPECT_FALSE(no_path.resumed);
  EXPECT_EQ(no_path.values, Sample());
}

TEST(RunState, DeleteClearsFlagAndRemovesFileOutsideForkMode) {
  orbtest::TempDir dir;
  RunState state = StateIn(dir);
  state.values = Sample();
  WriteRunConfig(state, false);
  ReadRunConfig(state);
  ASSERT_TRUE(state.resumed);

  DeleteRunConfig(state, true);
  EXPECT_FALSE(state.resumed);
  EXPECT_TRUE(std::filesystem::exists(state.path));

  state.resumed = true;
  DeleteRunConfig(state, false);
  EXPECT_FALSE(state.resumed);
  EXPECT_FALSE(std::filesystem::exists(state.path));
  DeleteRunConfig(state, false);  // already gone: silent
}

TEST(RunState, ResumedFlagFollowsIntegerValueOfStatus) {
  struct Case {
    std::wstring status;
    bool resumed;
  };
  const std::vector<Case> cases = {
      {L"1", true},    {L"01", true},   {L"0001", true},  {L" 1", true},  {L"+1", true},
      {L"1abc", true}, {L"", false},    {L"0", false},    {L"yes", false}, {L"-1", false},
      {L"10", false},  {L"11", false},  {L"2", false},    {L"+", false},   {L"x1", false},
      {L"100000000000000000000000000000001", false},      {L"-0001", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsResumedStatus(c.status), c.resumed) << std::string(c.status.begin(), c.status.end());
  }
}

TEST(RunState, AcceptsAnyOrderIgnoresUnknownAndKeepsMissing) {
  const RunStateValues before{L"", L"old-join", L"Deutsch", L"", L"", L"old-tmp"};
  const RunState state = ReadBytes(
      "<?xml version=\"1.0\"?>\n<config>\n  <InstallPath>D:\\x</InstallPath>\n  <Extra>1</Extra>\n"
      "  <Status>01</Status>\n  <SelectLang>English</SelectLang>\n</config>\n",
      before);
  EXPECT_EQ(state.values, (RunStateValues{L"01", L"old-join", L"English", L"D:\\x", L"", L"old-tmp"}));
  EXPECT_TRUE(state.resumed);
}

// Each of these leaves the values as they were; only the flag is recomputed from them.
TEST(RunState, DamagedOrForeignFilesGiveDefaults) {
  const std::string cut = kSampleBytes.substr(0, kSampleBytes.size() / 2);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"empty file", ""},
      {"truncated", cut},
      {"only the declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"},
      {"other root", "<Product><Status>1</Status></Product>"},
      {"config nested deeper", "<root><config><Status>1</Status></config></root>"},
      {"two roots", "<config><Status>1</Status></config><config/>"},
      {"unclosed child", "<config><Status>1</config>"},
      {"mismatched tags", "<config><Status>1</Statu></config>"},
      {"binary noise", std::string("\x00\xff\xfe<config>\x01\x02", 10)},
      {"unit separator", "<config><Status>1</Status><InstallPath>C:\\a\x1f" "b</InstallPath></config>"},
      {"control character", "<config><Status>1</Status><TmpPackagePath>a\x01" "b</TmpPackagePath></config>"},
      {"line break in a path", "<config><Status>1</Status><InstallPath>C:\\a\r\nb</InstallPath></config>"},
      {"oversized value",
       "<config><Status>1</Status><SelectLang>" + std::string(kMaxRunStateValue + 1, 'a') + "</SelectLang></config>"},
      {"oversized file", "<config><Status>1</Status><!--" + std::string(kMaxRunStateFile, ' ') + "--></config>"},
      {"deep nesting", [] { std::string s = "<config>"; for (int i = 0; i < 20000; ++i) s += "<a>"; return s; }()},
      {"bad entity", "<config><Status>&#xFFFFFFFFF;</Status><JoinExp>&bogus;</JoinExp>"},
  };
  const RunStateValues before{L"0", L"j", L"English", L"C:\\p", L"", L"t"};
  for (const Case& c : cases) {
    const RunState state = ReadBytes(c.bytes, before);
    EXPECT_EQ(state.values, before) << c.what;
    EXPECT_FALSE(state.resumed) << c.what;
  }
}

TEST(RunState, MissingFileLeavesDefaults) {
  orbtest::TempDir dir;
  RunState state = StateIn(dir);
  ReadRunConfig(state);
  EXPECT_EQ(state.values, RunStateValues{});
  EXPECT_FALSE(state.resumed);
}

TEST(RunState, LongestAcceptedValueStillReads) {
  const std::string longest(kMaxRunStateValue, 'a');
  const RunState state = ReadBytes("<config><InstallPath>" + longest + "</InstallPath></config>");
  EXPECT_TRUE(state.values.InstallPath == std::wstring(kMaxRunStateValue, L'a'));
}
