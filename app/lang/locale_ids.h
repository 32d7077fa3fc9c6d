#pragma once
// The system's and the user's default locale identifiers (LCID); 0 where the OS has none.
#include <cstdint>

struct LocaleIds {
  std::uint32_t system_default = 0;
  std::uint32_t user_default = 0;
};

LocaleIds CurrentLocaleIds();
