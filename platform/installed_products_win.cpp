#include "platform/installed_products.h"

#include <windows.h>

#include "platform/registry.h"

namespace {

// A string value no longer than `limit` characters; a longer one counts as missing
// rather than being cut.
std::wstring LimitedString(const RegKey& key, std::wstring_view name, size_t limit) {
  std::wstring text = key.ReadString(name).value_or(L"");
  return text.size() <= limit ? text : std::wstring();
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Join(std::wstring_view parent, std::wstring_view child) {
  return std::wstring(parent) + L"\\" + std::wstring(child);
}

}  // namespace

std::wstring MakerProductValue(std::wstring_view brand, std::uint32_t product_id, std::wstring_view value_name) {
  const std::wstring path = L"Software\\" + std::wstring(brand);
  const RegKey products = RegKey::Open(HKEY_LOCAL_MACHINE, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
  if (!products) return {};
  for (const std::wstring& name : products.SubkeyNames()) {
    const RegKey product = RegKey::Open(HKEY_LOCAL_MACHINE, Join(path, name), KEY_QUERY_VALUE);
    if (product.ReadDword(L"PID") != product_id) continue;
    if (product.ReadString(L"InstallInfo").value_or(L"").empty()) continue;
    return LimitedString(product, value_name, 254);
  }
  return {};
}

std::wstring InstalledVersionByUninstallEntry(std::wstring_view product_id, std::wstring_view key64,
                                              std::wstring_view key32) {
  const std::pair<std::wstring_view, RegView> places[] = {{key64, RegView::k64}, {key32, RegView::k32}};
  for (const auto& [path, view] : places) {
    const RegKey entries = RegKey::Open(HKEY_LOCAL_MACHINE, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, view);
    for (const std::wstring& name : entries.SubkeyNames()) {
      const RegKey entry = RegKey::Open(HKEY_LOCAL_MACHINE, Join(path, name), KEY_QUERY_VALUE, view);
      if (entry.ReadString(L"PID") != product_id) continue;
      if (auto version = entry.ReadString(L"Version")) return *version;
    }
  }
  return {};
}

std::wstring CompanionProgramPath(std::wstring_view key_path) {
  for (const RegView view : {RegView::k64, RegView::k32}) {
    const RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, key_path, KEY_QUERY_VALUE, view);
    const std::wstring path = LimitedString(key, L"InstallName", 259);
    if (!path.empty() && IsExistingFile(path)) return path;
  }
  return {};
}

bool IsCompanionInstalled(std::wstring_view key_path) { return !CompanionProgramPath(key_path).empty(); }
