// The system facts as the running Windows gives them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/registry.h"
#include "platform/system_info.h"
#include "report/analytics_facts.h"

namespace {

constexpr const wchar_t* kMuiKey = L"Control Panel\\Desktop\\MuiCached";
constexpr const wchar_t* kMuiValue = L"MachinePreferredUILanguages";

// Puts the user's value back as it was.
class SavedMuiValue {
 public:
  SavedMuiValue() {
    key_ = RegKey::Create(HKEY_CURRENT_USER, kMuiKey, KEY_QUERY_VALUE | KEY_SET_VALUE);
    DWORD bytes = sizeof data_;
    had_ = key_ && ::RegQueryValueExW(key_.get(), kMuiValue, nullptr, &type_, data_, &bytes) == ERROR_SUCCESS;
    bytes_ = bytes;
  }
  ~SavedMuiValue() {
    if (!key_) return;
    if (had_) {
      ::RegSetValueExW(key_.get(), kMuiValue, 0, type_, data_, bytes_);
    } else {
      ::RegDeleteValueW(key_.get(), kMuiValue);
    }
  }
  bool Set(std::wstring_view multi) const {
    return key_ && ::RegSetValueExW(key_.get(), kMuiValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                                    static_cast<DWORD>(multi.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  bool Remove() const { return key_ && ::RegDeleteValueW(key_.get(), kMuiValue) == ERROR_SUCCESS; }

 private:
  RegKey key_;
  bool had_ = false;
  DWORD type_ = 0;
  BYTE data_[1024] = {};
  DWORD bytes_ = 0;
};

TEST(AnalyticsFactsWin, ReadsTheRunningSystem) {
  const auto provider = orb_analytics::MakeSystemFactsProvider();
  SavedMuiValue saved;
  ASSERT_TRUE(saved.Set(std::wstring(L"pt-BR\0en-US\0\0", 14)));
  orb_analytics::HostFacts facts = provider->Read();
  EXPECT_EQ(facts.os_language, "pt");
  // "major.minor" from the system library, which no compatibility shim lowers.
  unsigned major = 0;
  unsigned minor = 0;
  ASSERT_EQ(std::sscanf(facts.os_version.c_str(), "%u.%u", &major, &minor), 2) << facts.os_version;
  EXPECT_EQ(facts.os_version, orb_analytics::OsVersionText(major, minor));
  EXPECT_GE(major, 6u);
  EXPECT_EQ(facts.os_bits, IsWindows64() ? 64 : 32);
  TIME_ZONE_INFORMATION zone{};
  ASSERT_NE(::GetTimeZoneInformation(&zone), TIME_ZONE_ID_INVALID);
  EXPECT_EQ(facts.time_zone, orb_analytics::ZoneFromBias(zone.Bias));
  EXPECT_EQ(facts.program_file_name, "report_analytics_test.exe");
  EXPECT_EQ(facts.program_version, "3.0.5");  // the test has no version resource

  ASSERT_TRUE(saved.Remove());
  EXPECT_EQ(provider->Read().os_language, "");
}

}  // namespace
