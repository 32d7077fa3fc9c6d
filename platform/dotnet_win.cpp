#include "platform/dotnet.h"

#include <windows.h>

#include <cwchar>
#include <optional>

#include "platform/registry.h"

namespace {

std::wstring Join(std::wstring_view parent, std::wstring_view child) {
  return std::wstring(parent) + L"\\" + std::wstring(child);
}

// Leading decimal digits as a number, like the C library's wtoi; 0 when there are none.
int LeadingNumber(std::wstring_view text) {
  long long value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    if (value < 1000000000) value = value * 10 + (c - L'0');
  }
  return static_cast<int>(value);
}

// The text between the first and the second "." (or the end); empty without a ".".
std::wstring_view SecondComponent(std::wstring_view text) {
  const size_t first = text.find(L'.');
  if (first == std::wstring_view::npos) return {};
  const std::wstring_view rest = text.substr(first + 1);
  return rest.substr(0, rest.find(L'.'));
}

// The installed version's major number u and minor number v of one NDP subkey, when it
// counts: named "v2…", "v3…" or "v4…" (major text exactly one digit) and installed.
struct Installed {
  int major = 0;
  int minor = 0;
};
std::optional<Installed> ReadInstalled(std::wstring_view setup_key, const std::wstring& name) {
  if (name.size() < 2 || name[0] != L'v') return std::nullopt;
  const std::wstring_view after_v = std::wstring_view(name).substr(1);
  const std::wstring_view major_text = after_v.substr(0, after_v.find(L'.'));
  if (major_text != L"2" && major_text != L"3" && major_text != L"4") return std::nullopt;
  const int major = major_text[0] - L'0';
  std::wstring path = Join(setup_key, name);
  if (major == 4) path = Join(path, L"Full");
  const RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE);
  if (key.ReadDword(L"Install") != 1u) return std::nullopt;
  const std::wstring version = key.ReadString(L"Version").value_or(L"");
  return Installed{major, LeadingNumber(SecondComponent(version))};
}

// Sets a DWORD for the life of the object and puts the earlier state back afterwards.
class NoGuiFromShim {
 public:
  explicit NoGuiFromShim(std::wstring_view framework_key)
      : key_(RegKey::Open(HKEY_LOCAL_MACHINE, framework_key, KEY_QUERY_VALUE | KEY_SET_VALUE)),
        before_(key_.ReadDword(kName)) {
    if (key_ && before_.value_or(0) == 0) changed_ = key_.WriteDword(kName, 1);
  }
  ~NoGuiFromShim() {
    if (!changed_) return;
    if (before_) {
      key_.WriteDword(kName, *before_);
    } else {
      key_.DeleteValue(kName);
    }
  }
  NoGuiFromShim(const NoGuiFromShim&) = delete;
  NoGuiFromShim& operator=(const NoGuiFromShim&) = delete;

 private:
  static constexpr std::wstring_view kName = L"NoGuiFromShim";
  const RegKey key_;
  const std::optional<DWORD> before_;
  bool changed_ = false;
};

class QuietErrorMode {
 public:
  QuietErrorMode()
      : before_(::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietErrorMode() { ::SetErrorMode(before_); }
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  const UINT before_;
};

}  // namespace

bool IsDotNet20Present(std::wstring_view framework_key) {
  const bool policy = RegKey::Open(HKEY_LOCAL_MACHINE, Join(framework_key, L"policy\\v2.0"), KEY_QUERY_VALUE) ||
                      RegKey::Open(HKEY_LOCAL_MACHINE, Join(framework_key, L"policy\\v2.0.50727"), KEY_QUERY_VALUE);
  if (!policy) return false;
  const RegKey framework = RegKey::Open(HKEY_LOCAL_MACHINE, framework_key, KEY_QUERY_VALUE);
  return !framework.ReadString(L"InstallRoot").value_or(L"").empty();
}

bool IsDotNetVersionSatisfied(std::wstring_view required, std::wstring_view setup_key) {
  const int w = LeadingNumber(required.substr(0, required.find(L'.')));
  const int d = LeadingNumber(SecondComponent(required));
  if (w < 2 || w > 4) return false;
  const RegKey setup = RegKey::Open(HKEY_LOCAL_MACHINE, setup_key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
  for (const std::wstring& name : setup.SubkeyNames()) {
    const auto installed = ReadInstalled(setup_key, name);
    if (!installed) continue;
    const int u = installed->major;
    const int v = installed->minor;
    if (u <= 3 && (w < u || (w == u && v >= d))) return true;
    if (u == 4 && w == 4 && v >= d) return true;
  }
  return false;
}

bool RunDotNetChecker(const std::wstring& command_line, std::wstring_view framework_key,
                      std::chrono::milliseconds limit) {
  if (command_line.empty() || !IsDotNet20Present(framework_key)) return false;
  const NoGuiFromShim no_gui(framework_key);
  const QuietErrorMode quiet;
  return RunHiddenWait(command_line, limit);
}
