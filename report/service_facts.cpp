#include "report/service_facts.h"

#include "app/log/log_os.h"

std::wstring OwnLogFileIn(const std::wstring& temp_folder) {
  const std::wstring sep(1, logos::kWidePathSeparator);
  return temp_folder + L"Korvane" + sep + L"ORB" + sep + L"kvORB.log";
}
