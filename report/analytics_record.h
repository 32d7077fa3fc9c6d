#pragma once
// One analytics record: an event checked and merged with the super properties, as the
// JSON text the collector receives.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "report/analytics_value.h"

namespace orb_analytics {

inline constexpr std::string_view kLibVersion = "0.8";
inline constexpr std::size_t kMaxNameLength = 100;
inline constexpr std::size_t kMaxDistinctIdLength = 255;

// 1 to 100 characters, starting with a letter, "$" or "_", continuing with letters,
// digits, "$" or "_". On failure the message names `label` ("Event Name", "Property Key").
bool CheckName(std::string_view name, std::string_view label);

// Not empty and at most 255 characters; the message names it "Distinct ID".
bool CheckDistinctId(std::string_view id);

// The record's text (members in key order), or nothing when the event is dropped: an
// invalid property key, a "$time" that is not a date-time, a "$project" that is not a
// string, or an invalid event name. `now_ms` is used unless "$time" gives the time.
std::optional<std::string> BuildRecord(std::string_view distinct_id, const PropertiesNode& super,
                                       std::string_view event, const PropertiesNode& properties,
                                       std::int64_t now_ms);

}  // namespace orb_analytics
