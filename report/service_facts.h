#pragma once
// The facts about the running program that the reports send, supplied from outside so that
// the reports themselves stay portable.
#include <string>

class IReportFacts {
 public:
  virtual ~IReportFacts() = default;
  // The program's own file version, "major.minor.build.revision".
  virtual std::string OwnFileVersion() const = 0;
  // The program's own log: the temporary folder, then Korvane/ORB/kvORB.log.
  virtual std::wstring OwnLogFile() const = 0;
};

// The own log path under a given temporary folder (ending with a separator).
std::wstring OwnLogFileIn(const std::wstring& temp_folder);

#if defined(_WIN32)
// The running program's facts; one process-wide object, never destroyed.
const IReportFacts& SystemReportFacts();
#endif
