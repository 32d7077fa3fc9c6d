#include "report/tracking_facts.h"

#include <windows.h>

#include <ctime>

#include "platform/module_info.h"
#include "platform/system_info.h"
#include "report/tracking_text.h"

TrackFacts SystemTrackFacts() {
  TrackFacts facts;
  facts.windows_version = WideToUtf8Lenient(WindowsVersionText());
  facts.windows64 = IsWindows64();
  facts.ie_version = WideToUtf8Lenient(InternetExplorerVersion());
  TIME_ZONE_INFORMATION zone{};
  if (::GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) facts.bias_minutes = zone.Bias;
  facts.lcid = ::GetSystemDefaultLCID();
  facts.screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  facts.screen_height = ::GetSystemMetrics(SM_CYSCREEN);
  facts.own_version = WideToUtf8Lenient(OwnFileVersion());
  facts.own_file_name = WideToUtf8Lenient(OwnFileName());
  return facts;
}

std::string LocalFileStamp(std::int64_t time) {
  const auto t = static_cast<__time64_t>(time);
  std::tm local{};
  if (::_localtime64_s(&local, &t) != 0) return {};
  char text[32];
  const std::size_t n = std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return std::string(text, n);
}
