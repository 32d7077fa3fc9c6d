#pragma once
// The machine and program facts that the analytics set-up registers as super properties.
// The core takes them as plain values; only the provider reads the system.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orb_analytics {

struct HostFacts {
  std::string os_version;        // "major.minor"
  int os_bits = 32;              // 64 on an x64 or Itanium processor architecture
  std::string os_language;       // "en": the first preferred UI language up to its first "-"
  int time_zone = 0;             // the time-zone bias in minutes divided by -60, truncated
  std::string program_version;   // "a.b.c.d", or "3.0.5" without a version resource
  std::string program_file_name; // UTF-8
};

class IHostFactsProvider {
 public:
  virtual ~IHostFactsProvider() = default;
  virtual HostFacts Read() const = 0;
};

// Reads the running system. Windows only: elsewhere there are no such facts to report.
std::unique_ptr<IHostFactsProvider> MakeSystemFactsProvider();

// The rules, apart from the system calls that feed them.
inline constexpr std::string_view kNoProgramVersion = "3.0.5";
std::string OsVersionText(unsigned major, unsigned minor);
// The first entry of a multi-string value (entries ended by a zero) up to its first "-".
std::string LanguageFromPreferred(std::u16string_view multi_string);
int ZoneFromBias(long bias_minutes);
// The file version as read, kNoProgramVersion when there is none.
std::string ProgramVersionOrDefault(std::string_view version);

}  // namespace orb_analytics
