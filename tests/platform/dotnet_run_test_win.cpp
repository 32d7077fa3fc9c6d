// The .NET checker run: the framework's own dialog is switched off for the run and the
// registry and error mode are as before afterwards.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/dotnet.h"
#include "platform/registry.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace std::chrono_literals;
using pftest::Quoted;

// A framework key that says .NET 2.0 is present.
std::wstring MakeFramework(const pftest::TestKey& test, const wchar_t* leaf) {
  const std::wstring framework = test.Sub(leaf);
  const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, framework, KEY_ALL_ACCESS);
  EXPECT_TRUE(key.WriteString(L"InstallRoot", L"C:\\Windows\\Microsoft.NET\\Framework\\"));
  EXPECT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, framework + L"\\policy\\v2.0", KEY_ALL_ACCESS));
  return framework;
}

std::optional<DWORD> NoGui(const std::wstring& framework) {
  return RegKey::Open(HKEY_LOCAL_MACHINE, framework, KEY_QUERY_VALUE).ReadDword(L"NoGuiFromShim");
}

// A checker that succeeds exactly when NoGuiFromShim is 1 while it runs.
std::wstring Probe(const std::wstring& framework) {
  return Quoted(pftest::Helper(L"orb_test_exit_with.exe")) + L" --expect-dword " + Quoted(framework) +
         L" NoGuiFromShim 1";
}

TEST(DotNetCheckerTest, NoGuiFromShimIsOneDuringTheRunAndAsBeforeAfterwards) {
  const pftest::TestKey test;
  struct Case {
    const wchar_t* leaf;
    std::optional<DWORD> before;
  };
  const Case cases[] = {{L"absent", std::nullopt}, {L"zero", 0u}, {L"one", 1u}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.leaf)));
    const std::wstring framework = MakeFramework(test, c.leaf);
    if (c.before) RegKey::Open(HKEY_LOCAL_MACHINE, framework, KEY_SET_VALUE).WriteDword(L"NoGuiFromShim", *c.before);
    EXPECT_TRUE(RunDotNetChecker(Probe(framework), framework));
    EXPECT_EQ(NoGui(framework), c.before);
  }
}

TEST(DotNetCheckerTest, AnswersTheCheckersExitCodeAndRestoresTheErrorMode) {
  const pftest::TestKey test;
  const std::wstring framework = MakeFramework(test, L"fw");
  const std::wstring exit_with = Quoted(pftest::Helper(L"orb_test_exit_with.exe"));
  const UINT mode_before = ::GetErrorMode();
  EXPECT_TRUE(RunDotNetChecker(exit_with + L" 0", framework));
  EXPECT_FALSE(RunDotNetChecker(exit_with + L" 255", framework));
  EXPECT_FALSE(RunDotNetChecker(Quoted(pftest::Helper(L"orb_test_sleeper.exe")) + L" 30000", framework, 1s));
  EXPECT_EQ(::GetErrorMode(), mode_before);
}

TEST(DotNetCheckerTest, NothingRunsWithoutACommandLineOrWithoutNet20) {
  const pftest::TestKey test;
  const std::wstring framework = MakeFramework(test, L"fw");
  EXPECT_FALSE(RunDotNetChecker(L"", framework));

  const std::wstring bare = test.Sub(L"no-policy");
  ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, bare, KEY_ALL_ACCESS).WriteString(L"InstallRoot", L"C:\\x\\"));
  EXPECT_FALSE(RunDotNetChecker(Quoted(pftest::Helper(L"orb_test_exit_with.exe")) + L" 0", bare));
  EXPECT_EQ(NoGui(bare), std::nullopt);
}

}  // namespace
