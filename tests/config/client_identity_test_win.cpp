// The client identity in the registry: created once in HKLM (32-bit view only), found in
// any of its three places, never written to the current user's key.
#include "config/client_identity.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace {

// A brand of its own per process, so runs never share keys; removed before and after.
class ClientIdentity : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() const {
    for (const RegView view : {RegView::k32, RegView::k64}) DeleteRegTree(HKEY_LOCAL_MACHINE, root_, view);
    DeleteRegTree(HKEY_CURRENT_USER, root_);
  }
  std::wstring Read(HKEY root, const std::wstring& path, RegView view = RegView::k32) const {
    const RegKey key = RegKey::Open(root, path, KEY_READ, view);
    return key ? key.ReadString(L"ClientSign").value_or(L"") : L"";
  }
  void Write(HKEY root, const std::wstring& path, const std::wstring& sign) const {
    const RegKey key = RegKey::Create(root, path, KEY_WRITE, RegView::k32);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key.WriteString(L"ClientSign", sign));
  }

  const std::wstring brand_ = L"OrbTestBrand" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring root_ = L"Software\\" + brand_;
  const ClientSignKeys keys_ = DefaultClientSignKeys(brand_);
};

}  // namespace

TEST(ClientIdentityKeys, FollowTheBrand) {
  const ClientSignKeys keys = DefaultClientSignKeys(L"Korvane");
  EXPECT_EQ(keys.k1, L"Software\\Korvane\\Korvane Service Kit\\");
  EXPECT_EQ(keys.k2, L"Software\\Korvane\\Zarn\\");
}

TEST_F(ClientIdentity, IsCreatedOnceInBothMachineKeysOfThe32BitView) {
  EXPECT_EQ(LookupClientSign(brand_), L"");
  const std::wstring sign = GetOrCreateClientSign(brand_);
  EXPECT_TRUE(IsClientSignForm(sign)) << std::string(sign.begin(), sign.end());
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, keys_.k1), sign);
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, keys_.k2), sign);
  EXPECT_EQ(Read(HKEY_CURRENT_USER, keys_.k1, RegView::kStandard), L"");
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, keys_.k1, RegView::k64), L"");
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, keys_.k2, RegView::k64), L"");

  // Stored as REG_SZ, two bytes per character, no terminating zero.
  const RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, keys_.k1, KEY_READ, RegView::k32);
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(::RegQueryValueExW(key.get(), L"ClientSign", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 39 * sizeof(wchar_t));

  EXPECT_EQ(GetOrCreateClientSign(brand_), sign);
  EXPECT_EQ(LookupClientSign(brand_), sign);
}

TEST_F(ClientIdentity, NewIdentifiersDiffer) {
  const std::wstring a = NewClientSign();
  const std::wstring b = NewClientSign();
  EXPECT_TRUE(IsClientSignForm(a));
  EXPECT_TRUE(IsClientSignForm(b));
  EXPECT_NE(a, b);
}

TEST_F(ClientIdentity, LookupOrderIsUserThenMachineK1ThenMachineK2) {
  Write(HKEY_LOCAL_MACHINE, keys_.k2, L"{k2}");
  EXPECT_EQ(GetOrCreateClientSign(brand_), L"{k2}");
  EXPECT_EQ(Read(HKEY_LOCAL_MACHINE, keys_.k1), L"");  // found: nothing written

  Write(HKEY_LOCAL_MACHINE, keys_.k1, L"{machine-k1}");
  EXPECT_EQ(LookupClientSign(brand_), L"{machine-k1}");

  Write(HKEY_CURRENT_USER, keys_.k1, L"{user}");
  EXPECT_EQ(LookupClientSign(brand_), L"{user}");
}

TEST_F(ClientIdentity, OversizedOrEmptyValuesCountAsAbsent) {
  Write(HKEY_CURRENT_USER, keys_.k1, std::wstring(kMaxClientSignChars + 1, L'x'));
  Write(HKEY_LOCAL_MACHINE, keys_.k1, L"");
  Write(HKEY_LOCAL_MACHINE, keys_.k2, std::wstring(kMaxClientSignChars, L'y'));
  EXPECT_EQ(LookupClientSign(brand_), std::wstring(kMaxClientSignChars, L'y'));
}
