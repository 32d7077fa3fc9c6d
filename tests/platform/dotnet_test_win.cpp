// Installed .NET Framework lookups against registry keys of the test's own.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/dotnet.h"
#include "platform/registry.h"
#include "tests/platform/platform_test_support.h"

namespace {

using pftest::TestKey;

// One subkey of the setup key: "v4" entries keep their values in "Full".
struct Ndp {
  std::wstring name;
  std::optional<DWORD> install;
  std::wstring version;
};

std::wstring MakeSetupKey(const TestKey& test, const std::wstring& leaf, const std::vector<Ndp>& entries) {
  const std::wstring setup = test.Sub(leaf);
  EXPECT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, setup, KEY_ALL_ACCESS));
  for (const Ndp& entry : entries) {
    std::wstring path = setup + L"\\" + entry.name;
    if (entry.name.starts_with(L"v4")) path += L"\\Full";
    const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS);
    EXPECT_TRUE(key);
    if (entry.install) key.WriteDword(L"Install", *entry.install);
    if (!entry.version.empty()) key.WriteString(L"Version", entry.version);
  }
  return setup;
}

TEST(DotNetTest, RequiredVersionAgainstInstalledEntries) {
  const TestKey test;
  struct Case {
    std::vector<Ndp> installed;
    std::vector<std::pair<const wchar_t*, bool>> required;
  };
  const Case cases[] = {
      {{{L"v4", 1, L"4.8.04084"}}, {{L"4.5", true}, {L"4.8", true}, {L"4.9", false}, {L"4", true},
                                    {L"3.5", false}, {L"2.0", false}}},
      {{{L"v4", 1, L"4.0.30319"}}, {{L"4.5", false}, {L"4.0", true}}},
      {{{L"v3.5", 1, L"3.5.30729.4926"}}, {{L"3.5", true}, {L"3.0", true}, {L"3.6", false}, {L"2.0", true},
                                           {L"4.0", false}}},
      {{{L"v2.0.50727", 1, L"2.0.50727.4927"}}, {{L"2.0", true}, {L"3.0", false}}},
      {{{L"v3.5", 0, L"3.5.30729"}, {L"v4", 2, L"4.8.1"}}, {{L"3.5", false}, {L"4.0", false}}},
      {{{L"v3.5", std::nullopt, L"3.5.30729"}}, {{L"3.5", false}}},
      {{{L"v4.0", 1, L"4.8.0"}}, {{L"4.0", true}}},  // any "v4..." name reads its "Full" subkey
      {{{L"v10", 1, L"10.1"}, {L"CDF", 1, L"4.9"}, {L"v", 1, L"4.9"}}, {{L"4.0", false}}},
      {{{L"v2.0.50727", 1, L"2.0"}, {L"v3.5", 1, L"3.5"}, {L"v4", 1, L"4.8"}},
       {{L"5.0", false}, {L"1.1", false}, {L"", false}, {L"x", false}}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::wstring setup = MakeSetupKey(test, L"NDP" + std::to_wstring(n++), c.installed);
    for (const auto& [required, expected] : c.required) {
      EXPECT_EQ(IsDotNetVersionSatisfied(required, setup), expected)
          << "case " << n - 1 << ", required " << testing::PrintToString(std::wstring(required));
    }
  }
  // A setup key that keeps its entries in the 64-bit view only is not seen.
  const RegKey v64 = RegKey::Create(HKEY_LOCAL_MACHINE, test.Sub(L"NDP64\\v4\\Full"), KEY_ALL_ACCESS, RegView::k64);
  v64.WriteDword(L"Install", 1);
  v64.WriteString(L"Version", L"4.8.04084");
  EXPECT_FALSE(IsDotNetVersionSatisfied(L"4.5", test.Sub(L"NDP64")));
}

TEST(DotNetTest, Version20NeedsAPolicyKeyAndAnInstallRoot) {
  const TestKey test;
  struct Case {
    const wchar_t* policy;
    const wchar_t* install_root;  // null: no value
    bool expected;
  };
  const Case cases[] = {
      {L"v2.0", L"C:\\Windows\\Microsoft.NET\\Framework\\", true},
      {L"v2.0.50727", L"C:\\Windows\\Microsoft.NET\\Framework\\", true},
      {L"v2.0", L"", false},
      {L"v2.0", nullptr, false},
      {nullptr, L"C:\\Windows\\Microsoft.NET\\Framework\\", false},
      {L"v4.0", L"C:\\Windows\\Microsoft.NET\\Framework\\", false},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::wstring framework = test.Sub(L"Framework" + std::to_wstring(n++));
    const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, framework, KEY_ALL_ACCESS);
    ASSERT_TRUE(key);
    if (c.install_root) key.WriteString(L"InstallRoot", c.install_root);
    if (c.policy) RegKey::Create(HKEY_LOCAL_MACHINE, framework + L"\\policy\\" + c.policy, KEY_ALL_ACCESS);
    EXPECT_EQ(IsDotNet20Present(framework), c.expected) << "case " << n - 1;
  }
}

}  // namespace
