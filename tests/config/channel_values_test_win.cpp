// Channel registry values: the first product's channel stays the default, each product's
// own value follows its latest channel.
#include "config/channel_values.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace {

class ChannelValues : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() const {
    for (const RegView view : {RegView::k32, RegView::k64}) DeleteRegTree(HKEY_LOCAL_MACHINE, key_, view);
  }
  std::wstring Value(const std::wstring& name, RegView view = RegView::k32) const {
    const RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, key_, KEY_READ, view);
    return key ? key.ReadString(name).value_or(L"<none>") : L"<no key>";
  }

  const std::wstring key_ = L"Software\\OrbTestChannel" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
};

}  // namespace

TEST_F(ChannelValues, FirstChannelStaysDefaultAndEachProductKeepsItsLatest) {
  EXPECT_EQ(ReadDefaultChannel(key_), L"");

  WriteChannelValues(L"1901", L"", L"web", key_);  // no AppID: named after the ProductID
  EXPECT_EQ(ReadDefaultChannel(key_), L"web");
  EXPECT_EQ(Value(L"1901"), L"web");
  EXPECT_EQ(Value(L"1901", RegView::k64), L"<no key>");

  WriteChannelValues(L"1901", L"", L"store", key_);
  WriteChannelValues(L"2000", L"lumetra", L"promo", key_);
  EXPECT_EQ(ReadDefaultChannel(key_), L"web");
  EXPECT_EQ(Value(L"1901"), L"store");
  EXPECT_EQ(Value(L"lumetra"), L"promo");
  EXPECT_EQ(Value(L"2000"), L"<none>");

  WriteChannelValues(L"1901", L"", L"", key_);  // an empty channel overwrites too
  EXPECT_EQ(Value(L"1901"), L"");
  EXPECT_EQ(ReadDefaultChannel(key_), L"web");
}

TEST_F(ChannelValues, ExistingEmptyDefaultIsKept) {
  {
    const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, key_, KEY_WRITE, RegView::k32);
    ASSERT_TRUE(key.WriteString(L"", L""));
  }
  WriteChannelValues(L"1901", L"", L"web", key_);
  EXPECT_EQ(ReadDefaultChannel(key_), L"");
  EXPECT_EQ(Value(L"1901"), L"web");
}

TEST_F(ChannelValues, NoProductNameNeverTouchesTheDefault) {
  WriteChannelValues(L"1901", L"", L"web", key_);
  WriteChannelValues(L"", L"", L"other", key_);
  EXPECT_EQ(ReadDefaultChannel(key_), L"web");
}
