#pragma once
// Registry keys and values. Windows only.
//
// HKEY_LOCAL_MACHINE is read and written in the 32-bit view unless a caller asks for
// another one, so that the 32-bit and the 64-bit build see the same values. String values
// are written without a terminating zero.
#if defined(_WIN32)
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_handle.h"

enum class RegView {
  kStandard,  // the 32-bit view under HKEY_LOCAL_MACHINE, no view flag under other roots
  k32,
  k64,
};

class RegKey {
 public:
  RegKey() = default;
  // An empty key when it cannot be opened.
  static RegKey Open(HKEY root, std::wstring_view path, REGSAM access, RegView view = RegView::kStandard);
  // Creates the key and its missing parents first.
  static RegKey Create(HKEY root, std::wstring_view path, REGSAM access, RegView view = RegView::kStandard);

  explicit operator bool() const { return static_cast<bool>(key_); }
  HKEY get() const { return key_.get(); }

  // A REG_SZ or REG_EXPAND_SZ value (not expanded), up to its first zero; nothing when
  // missing or of another type.
  std::optional<std::wstring> ReadString(std::wstring_view name) const;
  // A REG_DWORD value; nothing when missing or of another type.
  std::optional<DWORD> ReadDword(std::wstring_view name) const;
  bool WriteString(std::wstring_view name, std::wstring_view text) const;
  bool WriteDword(std::wstring_view name, DWORD value) const;
  bool DeleteValue(std::wstring_view name) const;
  // The names of the direct subkeys, in the order the registry lists them.
  std::vector<std::wstring> SubkeyNames() const;

 private:
  explicit RegKey(HKEY key) : key_(key) {}
  winh::UniqueKey key_;
};

// The access flag that selects `view` under `root`.
REGSAM RegViewFlag(HKEY root, RegView view);

// Deletes the key at `path` with everything below it. True when it is gone afterwards.
bool DeleteRegTree(HKEY root, std::wstring_view path, RegView view = RegView::kStandard);

// A 32-bit number under HKEY_CURRENT_USER; 0 when missing.
DWORD ReadUserNumber(std::wstring_view key_path, std::wstring_view value_name);
// Sets it when the key exists and can be opened; the key is not created.
bool WriteUserNumber(std::wstring_view key_path, std::wstring_view value_name, DWORD value);

#endif  // _WIN32
