// Starting programs and finding them, with the helper programs built beside the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "common/text_convert.h"
#include "platform/process.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace std::chrono_literals;
using pftest::Helper;
using pftest::Quoted;

const wchar_t kExitWith[] = L"orb_test_exit_with.exe";
const wchar_t kSleeper[] = L"orb_test_sleeper.exe";

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(RunExeTest, ReturnsTheExitCodeAndLogsTheCall) {
  const pftest::LogCapture log;
  const std::wstring program = Helper(kExitWith).wstring();
  EXPECT_EQ(RunExe(program, L"7", false), 7);
  EXPECT_EQ(RunExe(program, L"0", true), 0);
  const std::string path = WideToAnsi(program);
  const std::string text = log.Text();
  EXPECT_NE(text.find(" - [INFO] RunExe: \r\n path=[" + path + "] \r\n param=[7] \r\n hide=[0], block=[1].\r\n"),
            std::string::npos)
      << text;
  const auto lines = log.Messages();
  EXPECT_TRUE(Contains(lines, "[INFO] RunExe ret=[7].")) << text;
  EXPECT_TRUE(Contains(lines, "[INFO] RunExe ret=[0].")) << text;
}

TEST(RunExeTest, AMissingProgramStartsNothing) {
  const pftest::LogCapture log;
  orbtest::TempDir temp;
  const std::wstring missing = (temp.path() / L"missing.exe").wstring();
  EXPECT_EQ(RunExe(missing, L"", false), -1);
  const auto lines = log.Messages();
  EXPECT_TRUE(Contains(lines, "[ERROR] RunExe failed! err=[2]")) << log.Text();
  EXPECT_EQ(log.Text().find("RunExe ret="), std::string::npos);

  // Without the lock the shell is asked; it reports the missing file in its own message
  // box, which a person would close, and the answer is the same.
  const pftest::DialogCloser person(::GetCurrentThreadId(), IDOK);
  EXPECT_EQ(RunExe(missing, L"", true), -1);
  EXPECT_EQ(log.Messages().back(), "[ERROR] RunExe failed! err=[2]");
}

TEST(RunExeTest, TheProgramFileStaysInPlaceWhileItRunsUnlessTheLockIsSkipped) {
  // A running program's file can be renamed (the usual first step of replacing it);
  // the lock prevents that.
  for (const bool skip_lock : {false, true}) {
    SCOPED_TRACE(skip_lock ? "lock skipped" : "locked");
    orbtest::TempDir temp;
    const auto copy = pftest::HelperCopy(kSleeper, temp.path(), pftest::UniqueName(L"running-") + L".exe");
    const auto moved = temp.path() / L"moved.exe";
    auto run = std::async(std::launch::async, [&] { return RunExe(copy.wstring(), L"1500", skip_lock); });
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(::MoveFileW(copy.c_str(), moved.c_str()) != FALSE, skip_lock);
    EXPECT_EQ(run.get(), 0);
    EXPECT_TRUE(::MoveFileW(skip_lock ? moved.c_str() : copy.c_str(), (temp.path() / L"after.exe").c_str()));
  }
}

TEST(RunHiddenWaitTest, TrueOnlyForExitCodeZero) {
  orbtest::TempDir temp;
  const auto spaced = temp.path() / L"with space";
  std::filesystem::create_directory(spaced);
  const auto copy = pftest::HelperCopy(kExitWith, spaced, L"exit with.exe");
  const std::wstring exit_with = Quoted(Helper(kExitWith));
  const std::pair<std::wstring, bool> cases[] = {
      {exit_with + L" 0", true},
      {exit_with + L" 3", false},
      {exit_with + L" -1", false},
      {Quoted(copy) + L" 0", true},
      {exit_with + L" " + std::wstring(2000, L'a') + L" 3", false},  // the code comes last, far
      {exit_with + L" " + std::wstring(2000, L'a') + L" 0", true},   // beyond 260 characters
      {Quoted(temp.path() / L"missing.exe"), false},
      {L"", false},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(RunHiddenWait(line), expected) << testing::PrintToString(line.substr(0, 120));
  }
}

TEST(RunHiddenWaitTest, AProgramOverTheLimitIsTerminated) {
  orbtest::TempDir temp;
  const std::wstring name = pftest::UniqueName(L"slow-") + L".exe";
  const auto copy = pftest::HelperCopy(kSleeper, temp.path(), name);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RunHiddenWait(Quoted(copy) + L" 30000", 1s));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 900ms);
  EXPECT_LT(took, 10s);
  std::uint32_t pid = 0;
  EXPECT_FALSE(FindProcessByPath(name, pid)) << "still running as " << pid;
  EXPECT_TRUE(RunHiddenWait(Quoted(copy) + L" 100", 10s));
  EXPECT_EQ(kHiddenRunLimit, 20s);
}

TEST(FindProcessByPathTest, FindsOtherProcessesByPartOfTheirPath) {
  orbtest::TempDir temp;
  const std::wstring name = pftest::UniqueName(L"findme-") + L".exe";
  const auto copy = pftest::HelperCopy(kSleeper, temp.path(), name);
  const pftest::ChildProcess child(Quoted(copy) + L" 30000");
  ASSERT_TRUE(child.started());

  std::uint32_t pid = 0;
  EXPECT_TRUE(FindProcessByPath(name, pid));
  EXPECT_EQ(pid, child.pid());
  pid = 0;
  EXPECT_TRUE(FindProcessByPath(copy.wstring(), pid));
  EXPECT_EQ(pid, child.pid());

  std::uint32_t untouched = 12345;
  EXPECT_FALSE(FindProcessByPath(L"", untouched));
  EXPECT_FALSE(FindProcessByPath(name + L"x", untouched));
  EXPECT_EQ(untouched, 12345u);
  // The running test itself is never the answer.
  std::wstring self(32768, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  EXPECT_FALSE(FindProcessByPath(self, untouched));
}

}  // namespace
