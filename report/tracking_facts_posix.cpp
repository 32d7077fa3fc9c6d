#include "report/tracking_facts.h"

#include <sys/utsname.h>

#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

// Seconds east of UTC now, from the C library's own zone rules.
std::int32_t UtcOffsetSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) return 0;
  return static_cast<std::int32_t>(local.tm_gmtoff);
}

}  // namespace

// Only what this system really has: no Internet Explorer, no locale identifier, no
// screen it can name, no version resource.
TrackFacts SystemTrackFacts() {
  TrackFacts facts;
  utsname name{};
  if (::uname(&name) == 0) {
    facts.windows_version = std::string(name.sysname) + " " + name.release;
    facts.windows64 = std::string_view(name.machine).find("64") != std::string_view::npos;
  }
  facts.ie_version = std::string(1, '-');  // as on Windows without one
  facts.bias_minutes = -UtcOffsetSeconds() / 60;
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) facts.own_file_name = exe.filename().string();
  return facts;
}

std::string LocalFileStamp(std::int64_t time) {
  const auto t = static_cast<std::time_t>(time);
  std::tm local{};
  if (::localtime_r(&t, &local) == nullptr) return {};
  char text[32];
  const std::size_t n = std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return std::string(text, n);
}
