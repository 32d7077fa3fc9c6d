#include "report/service_facts.h"

#include "app/log/log_os.h"
#include "common/text_convert.h"
#include "platform/module_info.h"

namespace {

class SystemFacts final : public IReportFacts {
 public:
  std::string OwnFileVersion() const override { return WideToUtf8(::OwnFileVersion()); }
  // Kept wide: a temporary folder outside the ANSI code page must still be found.
  std::wstring OwnLogFile() const override { return OwnLogFileIn(logos::TempFolder()); }
};

}  // namespace

const IReportFacts& SystemReportFacts() {
  static const SystemFacts facts;  // no state: nothing to lose at exit
  return facts;
}
