#include "report/tracking_summary.h"

#include <gtest/gtest.h>

#include <vector>

#include "report/tracking_tid.h"

namespace {

SummaryTask Task(std::int32_t kind, std::int32_t id) {
  SummaryTask task;
  task.kind = kind;
  task.product_id = id;
  return task;
}

TEST(TrackingSummary, ProductTaskAndTotals) {
  CTrackingStore store(0);
  SummaryTask dotnet = Task(0, kDotNetProductId);
  dotnet.down_start = 1000;
  dotnet.down_end = 1010;
  dotnet.down_state = 3;
  dotnet.install_state = 2;
  dotnet.install_code = -1;
  dotnet.downloaded_bytes = 4000;
  SummaryTask dependent = Task(1, 77);
  dependent.down_start = 990;
  dependent.down_end = 1005;
  dependent.install_start = 1020;
  dependent.install_end = 1030;
  dependent.downloaded_bytes = 1000;
  SummaryTask product = Task(2, 1901);
  product.package_size = 5'000'000'000;
  product.down_start = 1001;
  product.down_end = 1040;  // latest end: 1040 - 990 = 50 s
  product.install_start = 1041;
  product.install_end = 0;  // still installing: ends "now"
  product.down_state = 3;
  product.install_state = 1;
  product.down_code = -1;
  product.last_speed = 123;
  product.downloaded_bytes = 5000;
  product.file_version = L"4.1.0.7";
  product.expected_version = L"4.1.0.8";

  EXPECT_TRUE(SummarizeTasks(store, {dotnet, dependent, product}, false, 1100));
  const std::pair<const char*, const char*> expected[] = {
      {"packagesize", "5000000000"},
      {"downstart", "1001"},
      {"downend", "1040"},
      {"installstart", "1041"},
      {"installend", "0"},
      {"downstatus", "3"},
      {"downcode", "4294967295"},
      {"installstatus", "1"},
      {"installcode", "0"},
      {"prodcutver", "4.1.0.7"},
      {"xmlprodcutver", "4.1.0.8"},
      {"dotnetdownstate", "3"},
      {"dotnetinstallstate", "2"},
      {"dotnetdowncode", "0"},
      {"dotnetinstallcode", "4294967295"},
      {"downtime", "50"},
      {"installtime", "80"},  // 1100 - 1020
      {"downspeed", "200"},   // 10000 bytes / 50 s, not the task's own speed
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(store.GetProperty(key), value) << key;

  const auto records = store.Dependents();
  ASSERT_EQ(records.count(77), 1u);
  EXPECT_EQ(records.at(77).down_start, 990);
  EXPECT_EQ(records.at(77).down_end, 1005);
  EXPECT_EQ(records.at(77).install_start, 1020);
  EXPECT_EQ(records.at(77).install_end, 1030);
}

TEST(TrackingSummary, ForkModeReportsDependentsInsteadOfRecords) {
  CTrackingStore store(0);
  SummaryTask first = Task(1, 10);
  first.down_state = 2;
  SummaryTask second = Task(1, 11);
  second.down_state = 3;  // the last qualifying task wins
  EXPECT_TRUE(SummarizeTasks(store, {first, second}, true, 50));
  EXPECT_EQ(store.GetProperty("downstatus"), "3");
  EXPECT_TRUE(store.Dependents().empty());
}

TEST(TrackingSummary, NothingStartedGivesZeroTimes) {
  CTrackingStore store(0);
  EXPECT_TRUE(SummarizeTasks(store, {Task(2, 1)}, false, 500));
  EXPECT_EQ(store.GetProperty("downtime"), "0");
  EXPECT_EQ(store.GetProperty("installtime"), "0");
  EXPECT_EQ(store.GetProperty("downspeed"), "0");
  CTrackingStore empty(0);
  EXPECT_FALSE(SummarizeTasks(empty, {}, false, 500));
}

TEST(TrackingTid, ReplyRule) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"code":0,"data":"abc123"})", "abc123"},
      {R"({"data":"x","code":0,"more":{"data":"y"}})", "x"},
      {R"({"code": 0,"data":"abc"})", ""},  // the exact text only
      {R"({"code":1,"data":"abc"})", ""},
      {R"({"code":0,"data":""})", ""},
      {R"({"code":0,"data":"cut)", ""},
      {R"({"code":0,"data":null})", ""},
      {"", ""},
  };
  for (const auto& [reply, id] : cases) EXPECT_EQ(ParseTid(reply), id) << reply;
}

}  // namespace
