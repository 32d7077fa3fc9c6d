#include "report/analytics_local_time.h"

namespace orb_analytics {

bool LocalTimeOf(std::int64_t seconds, std::tm& out) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  if (static_cast<std::int64_t>(t) != seconds) return false;
  return ::localtime_r(&t, &out) != nullptr;
}

}  // namespace orb_analytics
