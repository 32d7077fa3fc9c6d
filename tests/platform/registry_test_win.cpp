// Registry access against Wine's real registry, in keys of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "platform/compat_layer.h"
#include "platform/registry.h"
#include "tests/platform/platform_test_support.h"

namespace {

using pftest::TestKey;

// What the registry holds, read without the code under test.
struct RawValue {
  LONG status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::wstring bytes;  // the data as wide units, odd bytes dropped
  DWORD size = 0;
};
RawValue Raw(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& name) {
  RawValue raw;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return raw;
  std::wstring buffer(4096, L'\0');
  raw.size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  raw.status = ::RegQueryValueExW(key, name.c_str(), nullptr, &raw.type, reinterpret_cast<BYTE*>(buffer.data()),
                                  &raw.size);
  ::RegCloseKey(key);
  if (raw.status == ERROR_SUCCESS) raw.bytes.assign(buffer.data(), raw.size / sizeof(wchar_t));
  return raw;
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

void SetRaw(const RegKey& key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

TEST(RegistryTest, MachineKeysHaveTwoViewsAndTheStandardOneIs32Bit) {
  const TestKey test;
  ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, test.path(), KEY_ALL_ACCESS, RegView::k32).WriteString(L"v", L"32"));
  ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, test.path(), KEY_ALL_ACCESS, RegView::k64).WriteString(L"v", L"64"));
  EXPECT_EQ(Raw(HKEY_LOCAL_MACHINE, test.path(), KEY_WOW64_32KEY, L"v").bytes, L"32");
  EXPECT_EQ(Raw(HKEY_LOCAL_MACHINE, test.path(), KEY_WOW64_64KEY, L"v").bytes, L"64");
  EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, test.path(), KEY_READ).ReadString(L"v"), L"32");
  EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, test.path(), KEY_READ, RegView::k64).ReadString(L"v"), L"64");
  // Under the current user the standard view adds no flag and sees the one key.
  ASSERT_TRUE(RegKey::Create(HKEY_CURRENT_USER, test.path(), KEY_ALL_ACCESS).WriteString(L"v", L"user"));
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, test.path(), KEY_READ).ReadString(L"v"), L"user");
}

TEST(RegistryTest, StringsAreWrittenWithoutTerminatorAndReadWhole) {
  const TestKey test;
  const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, test.path(), KEY_ALL_ACCESS);
  ASSERT_TRUE(key);
  ASSERT_TRUE(key.WriteString(L"short", L"abc"));
  const RawValue raw = Raw(HKEY_LOCAL_MACHINE, test.path(), KEY_WOW64_32KEY, L"short");
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw.size, 6u);

  const std::wstring long_text(5000, L'x');  // far beyond any fixed buffer
  ASSERT_TRUE(key.WriteString(L"long", long_text));
  EXPECT_EQ(key.ReadString(L"long"), long_text);

  // Values written by others: with a terminator, with an odd byte, unexpanded, empty.
  SetRaw(key, L"terminated", REG_SZ, L"abc", 8);
  SetRaw(key, L"odd", REG_SZ, L"abc", 7);
  SetRaw(key, L"expand", REG_EXPAND_SZ, L"%TEMP%\\x", 18);
  SetRaw(key, L"empty", REG_SZ, L"", 0);
  EXPECT_EQ(key.ReadString(L"terminated"), L"abc");
  EXPECT_EQ(key.ReadString(L"odd"), L"abc");
  EXPECT_EQ(key.ReadString(L"expand"), L"%TEMP%\\x");
  EXPECT_EQ(key.ReadString(L"empty"), L"");
  EXPECT_EQ(key.ReadString(L"missing"), std::nullopt);

  ASSERT_TRUE(key.WriteDword(L"number", 7));
  EXPECT_EQ(key.ReadString(L"number"), std::nullopt);
  EXPECT_EQ(key.ReadDword(L"short"), std::nullopt);
  EXPECT_EQ(key.ReadDword(L"number"), 7u);
  EXPECT_TRUE(key.DeleteValue(L"number"));
  EXPECT_EQ(key.ReadDword(L"number"), std::nullopt);
}

TEST(RegistryTest, SubkeysAreListedAndATreeIsDeletedInItsViewOnly) {
  const TestKey test;
  for (const wchar_t* name : {L"b", L"a", L"c\\deep"}) {
    ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, test.Sub(name), KEY_ALL_ACCESS, RegView::k32));
  }
  ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, test.Sub(L"other"), KEY_ALL_ACCESS, RegView::k64));
  const auto names = RegKey::Open(HKEY_LOCAL_MACHINE, test.path(), KEY_READ).SubkeyNames();
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"b", L"c"}));
  EXPECT_TRUE(RegKey().SubkeyNames().empty());

  EXPECT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, test.path(), RegView::k32));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, test.path(), KEY_WOW64_32KEY));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, test.Sub(L"other"), KEY_WOW64_64KEY));
  EXPECT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, test.path(), RegView::k32));  // already gone
}

TEST(RegistryTest, UserNumbersNeedAnExistingKey) {
  const TestKey test;
  const std::wstring path = test.Sub(L"Internet Settings");
  EXPECT_EQ(ReadUserNumber(path, L"SecureProtocols"), 0u);
  EXPECT_FALSE(WriteUserNumber(path, L"SecureProtocols", 0xA80));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path, 0));

  ASSERT_TRUE(RegKey::Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS));
  EXPECT_TRUE(WriteUserNumber(path, L"SecureProtocols", 0xA80));
  EXPECT_EQ(ReadUserNumber(path, L"SecureProtocols"), 0xA80u);
  const RawValue raw = Raw(HKEY_CURRENT_USER, path, 0, L"SecureProtocols");
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));

  ASSERT_TRUE(RegKey::Open(HKEY_CURRENT_USER, path, KEY_SET_VALUE).WriteString(L"text", L"12"));
  EXPECT_EQ(ReadUserNumber(path, L"text"), 0u);
}

TEST(RegistryTest, CompatLayerGoesIntoBothViewsCutTo49Characters) {
  const TestKey test;
  const std::wstring layers = test.path() + L"\\Layers\\";  // written with its trailing backslash
  const std::wstring package = L"C:\\Users\\Public\\Documents\\Korvane\\setup.exe";
  const std::wstring long_layer = L"~ RUNASADMIN WIN7RTM HIGHDPIAWARE DISABLEDXMAXIMIZEDWINDOWEDMODE";
  std::wstring pair_at_cut(48, L'L');
  pair_at_cut += L"\xD83D\xDE00";  // the 49th unit starts a surrogate pair
  struct Case {
    std::wstring name;
    std::wstring layer;
    std::wstring stored;
  };
  const Case cases[] = {
      {package, L"WIN7RTM", L"WIN7RTM"},
      {package + L"2", long_layer, long_layer.substr(0, 49)},
      {package + L"3", pair_at_cut, std::wstring(48, L'L')},
  };
  for (const auto& c : cases) {
    SetCompatLayer(c.name, c.layer, layers);
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      const RawValue raw = Raw(HKEY_LOCAL_MACHINE, test.path() + L"\\Layers", view, c.name);
      EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(raw.bytes, c.stored) << "view " << view;
    }
  }
}

}  // namespace
