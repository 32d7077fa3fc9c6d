#include "report/analytics_local_time.h"

namespace orb_analytics {

bool LocalTimeOf(std::int64_t seconds, std::tm& out) {
  const __time64_t t = seconds;
  return ::_localtime64_s(&out, &t) == 0;
}

}  // namespace orb_analytics
