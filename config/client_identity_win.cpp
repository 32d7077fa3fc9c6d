#include <windows.h>
#include <wincrypt.h>

#include <mutex>
#include <optional>

#include "config/client_identity.h"
#include "platform/registry.h"

namespace {

constexpr std::wstring_view kValueName = L"ClientSign";

class CryptContext {
 public:
  CryptContext() {
    if (!::CryptAcquireContextW(&handle_, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) handle_ = 0;
  }
  ~CryptContext() {
    if (handle_) ::CryptReleaseContext(handle_, 0);
  }
  CryptContext(const CryptContext&) = delete;
  CryptContext& operator=(const CryptContext&) = delete;
  explicit operator bool() const { return handle_ != 0; }
  HCRYPTPROV get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

// Reporting threads may create the identity while the window thread does.
std::mutex g_generator_mutex;
XorShift128Plus g_generator;

void Reseed(XorShift128Plus& generator) {
  const CryptContext context;
  if (!context) return;
  std::array<BYTE, 16> bytes{};
  if (!::CryptGenRandom(context.get(), static_cast<DWORD>(bytes.size()), bytes.data())) return;
  for (size_t i = 0; i < 2; ++i) {
    std::uint64_t word = 0;
    for (size_t b = 0; b < 8; ++b) word |= static_cast<std::uint64_t>(bytes[8 * i + b]) << (8 * b);
    generator.state[i] = word;
  }
}

std::optional<std::wstring> ReadSign(HKEY root, const std::wstring& path) {
  const RegKey key = RegKey::Create(root, path, KEY_READ, RegView::k32);
  if (!key) return std::nullopt;
  std::optional<std::wstring> sign = key.ReadString(kValueName);
  // Anything larger than the fixed read buffer counts as absent, as it always did.
  if (!sign || sign->empty() || sign->size() > kMaxClientSignChars) return std::nullopt;
  return sign;
}

void WriteSign(const std::wstring& path, const std::wstring& sign) {
  const RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, path, KEY_WRITE, RegView::k32);
  if (key) key.WriteString(kValueName, sign);
}

}  // namespace

ClientSignKeys DefaultClientSignKeys(std::wstring_view brand) {
  const std::wstring b(brand);
  return {L"Software\\" + b + L"\\" + b + L" Service Kit\\", L"Software\\" + b + L"\\Zarn\\"};
}

std::wstring LookupClientSign(const ClientSignKeys& keys) {
  try {
    if (auto sign = ReadSign(HKEY_CURRENT_USER, keys.k1)) return *sign;
    if (auto sign = ReadSign(HKEY_LOCAL_MACHINE, keys.k1)) return *sign;
    if (auto sign = ReadSign(HKEY_LOCAL_MACHINE, keys.k2)) return *sign;
  } catch (...) {
  }
  return {};
}

std::wstring LookupClientSign(std::wstring_view brand) { return LookupClientSign(DefaultClientSignKeys(brand)); }

std::wstring NewClientSign() {
  try {
    const std::lock_guard lock(g_generator_mutex);
    Reseed(g_generator);
    const std::uint64_t first = g_generator.Next();
    const std::uint64_t second = g_generator.Next();
    return FormatClientSign(first, second);
  } catch (...) {
    return FormatClientSign(0, 0);
  }
}

std::wstring GetOrCreateClientSign(const ClientSignKeys& keys) {
  std::wstring sign = LookupClientSign(keys);
  if (!sign.empty()) return sign;
  sign = NewClientSign();
  try {
    WriteSign(keys.k1, sign);
    WriteSign(keys.k2, sign);
  } catch (...) {
  }
  return sign;
}

std::wstring GetOrCreateClientSign(std::wstring_view brand) {
  return GetOrCreateClientSign(DefaultClientSignKeys(brand));
}
