#pragma once
// The client identity ("ClientSign"): a random identifier created once per machine and
// sent with every request to the maker's services. The format and its generator are
// portable; where it is kept (the registry) is Windows only.
#include <array>
#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

// xorshift128+ with shifts 23, 17 and 26. An all-zero state yields zeros forever.
class XorShift128Plus {
 public:
  std::array<std::uint64_t, 2> state{};
  std::uint64_t Next();
};

// "{xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxxG}" from the 16 bytes of `first` then `second`,
// least significant byte first, low nibble before high nibble.
std::wstring FormatClientSign(std::uint64_t first, std::uint64_t second);
// Whether `sign` has exactly that form (39 characters, lower-case digits).
bool IsClientSignForm(std::wstring_view sign);

// Longest stored identity a lookup accepts (a 100-byte read buffer with its zero).
inline constexpr size_t kMaxClientSignChars = 49;

#if defined(_WIN32)
// Where the identity is kept. Tests use keys of their own.
struct ClientSignKeys {
  std::wstring k1;  // Software\<brand>\<brand> Service Kit\, under HKCU and HKLM
  std::wstring k2;  // Software\<brand>\Zarn\, under HKLM
};
ClientSignKeys DefaultClientSignKeys(std::wstring_view brand);

// HKCU\k1, then HKLM\k1, then HKLM\k2 (HKLM in its 32-bit view); empty when none holds it.
std::wstring LookupClientSign(const ClientSignKeys& keys);
std::wstring LookupClientSign(std::wstring_view brand);
// The stored identity, or a new one written to HKLM\k1 and HKLM\k2 (never HKCU).
std::wstring GetOrCreateClientSign(const ClientSignKeys& keys);
std::wstring GetOrCreateClientSign(std::wstring_view brand);
// A new identifier from the process-wide generator, reseeded from the system's
// cryptographic source (the previous state is kept when that is unavailable).
std::wstring NewClientSign();
#endif
