#include "tests/downloader/system_trust.h"

namespace orbtest {

bool SystemChecksCertificates() { return true; }

}  // namespace orbtest
