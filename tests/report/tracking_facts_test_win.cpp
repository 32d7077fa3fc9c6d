#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "report/tracking_facts.h"

namespace {

TEST(TrackingFacts, SystemFactsUnderWindows) {
  const TrackFacts facts = SystemTrackFacts();
  EXPECT_EQ(facts.own_file_name, "report_tracking_facts_test.exe");
  EXPECT_TRUE(facts.windows64);  // a 64-bit process always is
  EXPECT_NE(facts.windows_version.find('.'), std::string::npos) << facts.windows_version;
  EXPECT_FALSE(facts.ie_version.empty());
  EXPECT_EQ(facts.lcid, ::GetSystemDefaultLCID());
  EXPECT_GT(facts.screen_width, 0);
  EXPECT_GT(facts.screen_height, 0);
  TIME_ZONE_INFORMATION zone{};
  ::GetTimeZoneInformation(&zone);
  EXPECT_EQ(facts.bias_minutes, zone.Bias);
}

TEST(TrackingFacts, FileStampIsFourteenDigits) {
  const std::string stamp = LocalFileStamp(1767225600);  // 2026-01-01 00:00 UTC
  ASSERT_EQ(stamp.size(), 14u);
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_TRUE(stamp.rfind("2025123", 0) == 0 || stamp.rfind("20260101", 0) == 0) << stamp;
}

}  // namespace
