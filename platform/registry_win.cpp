// Registry access over the advapi32 calls, with sized buffers throughout.
#include "platform/registry.h"

#include <algorithm>
#include <cwchar>

namespace {

// The API needs zero-terminated names; an empty name is the key's default value.
std::wstring Z(std::wstring_view text) { return std::wstring(text); }

// Key paths are sometimes written with a trailing backslash; the key is the same.
std::wstring KeyPath(std::wstring_view path) {
  while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  return std::wstring(path);
}

}  // namespace

REGSAM RegViewFlag(HKEY root, RegView view) {
  switch (view) {
    case RegView::k32:
      return KEY_WOW64_32KEY;
    case RegView::k64:
      return KEY_WOW64_64KEY;
    case RegView::kStandard:
      break;
  }
  return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0;
}

RegKey RegKey::Open(HKEY root, std::wstring_view path, REGSAM access, RegView view) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, KeyPath(path).c_str(), 0, access | RegViewFlag(root, view), &key) != ERROR_SUCCESS) {
    return {};
  }
  return RegKey(key);
}

RegKey RegKey::Create(HKEY root, std::wstring_view path, REGSAM access, RegView view) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, KeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        access | RegViewFlag(root, view), nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return {};
  }
  return RegKey(key);
}

std::optional<std::wstring> RegKey::ReadString(std::wstring_view name) const {
  if (!key_) return std::nullopt;
  const std::wstring value_name = Z(name);
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = ::RegQueryValueExW(key_.get(), value_name.c_str(), nullptr, &type, nullptr, &size);
  // The value may grow between the two calls: ask again with the size it reports.
  for (int attempt = 0; attempt < 4 && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA); ++attempt) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    rc = ::RegQueryValueExW(key_.get(), value_name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got);
    if (rc == ERROR_SUCCESS) {
      if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
      text.resize(got / sizeof(wchar_t));  // an odd last byte is no character
      text.resize(std::wcslen(text.c_str()));
      return text;
    }
    size = got;
  }
  return std::nullopt;
}

std::optional<DWORD> RegKey::ReadDword(std::wstring_view name) const {
  if (!key_) return std::nullopt;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (::RegQueryValueExW(key_.get(), Z(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return std::nullopt;
  }
  return value;
}

bool RegKey::WriteString(std::wstring_view name, std::wstring_view text) const {
  if (!key_ || text.size() >= MAXDWORD / sizeof(wchar_t)) return false;
  // The system counts a zero that follows the data in memory as the value's terminator and
  // stores it too; a non-zero unit after the data keeps the value exactly as counted.
  std::wstring data(text);
  data.push_back(L'\x1');
  return ::RegSetValueExW(key_.get(), Z(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(text.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegKey::WriteDword(std::wstring_view name, DWORD value) const {
  if (!key_) return false;
  return ::RegSetValueExW(key_.get(), Z(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

bool RegKey::DeleteValue(std::wstring_view name) const {
  return key_ && ::RegDeleteValueW(key_.get(), Z(name).c_str()) == ERROR_SUCCESS;
}

std::vector<std::wstring> RegKey::SubkeyNames() const {
  std::vector<std::wstring> names;
  if (!key_) return names;
  DWORD longest = 0;
  if (::RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
    return names;
  }
  // Key names are at most 255 characters; the reported longest one decides when larger.
  std::wstring name(std::max<DWORD>(longest, 255) + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG rc = ::RegEnumKeyExW(key_.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

bool DeleteRegTree(HKEY root, std::wstring_view path, RegView view) {
  const std::wstring full = KeyPath(path);
  const size_t slash = full.find_last_of(L'\\');
  const std::wstring parent_path = slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
  const std::wstring leaf = slash == std::wstring::npos ? full : full.substr(slash + 1);
  if (leaf.empty()) return false;
  const RegKey parent = RegKey::Open(root, parent_path, KEY_ALL_ACCESS, view);
  if (!parent) return !RegKey::Open(root, full, KEY_READ, view);
  const LONG rc = ::RegDeleteTreeW(parent.get(), leaf.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

DWORD ReadUserNumber(std::wstring_view key_path, std::wstring_view value_name) {
  return RegKey::Open(HKEY_CURRENT_USER, key_path, KEY_QUERY_VALUE).ReadDword(value_name).value_or(0);
}

bool WriteUserNumber(std::wstring_view key_path, std::wstring_view value_name, DWORD value) {
  return RegKey::Open(HKEY_CURRENT_USER, key_path, KEY_SET_VALUE).WriteDword(value_name, value);
}
