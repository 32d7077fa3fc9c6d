#include "report/analytics_facts.h"

#include <cstdio>

#include "common/text_convert.h"

namespace orb_analytics {

std::string OsVersionText(unsigned major, unsigned minor) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u", major, minor);
  return text;
}

std::string LanguageFromPreferred(std::u16string_view multi_string) {
  std::u16string_view first = multi_string.substr(0, multi_string.find(u'\0'));
  first = first.substr(0, first.find(u'-'));
  const std::wstring wide(first.begin(), first.end());
  return WideToUtf8(wide);
}

int ZoneFromBias(long bias_minutes) { return static_cast<int>(bias_minutes / -60); }

std::string ProgramVersionOrDefault(std::string_view version) {
  return std::string(version.empty() ? kNoProgramVersion : version);
}

}  // namespace orb_analytics
