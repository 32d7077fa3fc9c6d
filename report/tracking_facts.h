#pragma once
// Facts of the machine and the program that the tracking report carries beside the
// store's own values. Gathered at sending time; tests pass their own.
#include <cstdint>
#include <string>

// The crash filter's record of an unhandled exception; empty until it fills it.
struct TrackCrash {
  bool valid = false;
  std::uint32_t code = 0;
  std::uint64_t address = 0;  // the faulting instruction
  std::uint32_t offset = 0;   // within its image section, 0 when unknown
  std::string module_path;    // UTF-8, empty when unknown
  std::string section;        // UTF-8, empty when unknown
};

struct TrackFacts {
  std::string windows_version;    // "major.minor.build"
  bool windows64 = false;         // the process runs under 64-bit Windows
  std::string ie_version;         // "-" when unknown
  std::int32_t bias_minutes = 0;  // UTC = local time + bias
  std::uint32_t lcid = 0;         // system default locale
  std::int32_t screen_width = 0;  // primary screen, pixels
  std::int32_t screen_height = 0;
  std::string own_version;    // the program's file version
  std::string own_file_name;  // the program's file name without its folder
  TrackCrash crash;
};

// This machine's and this program's facts (everything but the crash record).
TrackFacts SystemTrackFacts();

// `time` (seconds since 1970) as local "%Y%m%d%H%M%S".
std::string LocalFileStamp(std::int64_t time);
