#pragma once
// The local calendar time of a moment, on any thread.
#include <cstdint>
#include <ctime>

namespace orb_analytics {

// False when the system cannot convert `seconds` (since 1970).
bool LocalTimeOf(std::int64_t seconds, std::tm& out);

}  // namespace orb_analytics
