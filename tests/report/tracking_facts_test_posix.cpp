#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "report/tracking_facts.h"
#include "report/tracking_report.h"

namespace {

// Sets TZ for one scope and restores it.
class ScopedZone {
 public:
  explicit ScopedZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old, had_ = true;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedZone() {
    if (had_) {
      ::setenv("TZ", old_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST(TrackingFacts, TimeZoneSignFollowsTheSystemZone) {
  struct Case {
    const char* zone;
    std::int32_t bias;
    std::int32_t hours;
  };
  // POSIX zone texts count hours west: "UTC-8" is eight hours east of Greenwich.
  const Case cases[] = {
      {"UTC-8", -480, 8}, {"EST5", 300, -5}, {"UTC0", 0, 0}, {"IST-5:30", -330, 6}};
  for (const Case& c : cases) {
    const ScopedZone zone(c.zone);
    const TrackFacts facts = SystemTrackFacts();
    EXPECT_EQ(facts.bias_minutes, c.bias) << c.zone;
    EXPECT_EQ(TimeZoneHours(facts.bias_minutes), c.hours) << c.zone;
  }
}

TEST(TrackingFacts, OnlyFactsThisSystemHas) {
  const TrackFacts facts = SystemTrackFacts();
  EXPECT_EQ(facts.own_file_name, "report_tracking_facts_test");
  EXPECT_FALSE(facts.windows_version.empty());
  EXPECT_EQ(facts.ie_version, "-");
  EXPECT_EQ(facts.screen_width, 0);
  EXPECT_EQ(facts.screen_height, 0);
  EXPECT_FALSE(facts.crash.valid);
}

TEST(TrackingFacts, FileStampIsLocalTime) {
  const ScopedZone zone("UTC-8");
  EXPECT_EQ(LocalFileStamp(1767225600), "20260101080000");  // 2026-01-01 00:00 UTC
}

}  // namespace
