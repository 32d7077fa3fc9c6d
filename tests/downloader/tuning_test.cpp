#include "downloader/tuning.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "downloader/address_table.h"
#include "downloader/memory_status.h"
#include "downloader/tcp_stats.h"
#include "tests/downloader/log_tail.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

struct MemoryCase {
  std::optional<std::uint64_t> free_memory;
  ns_PLX::MemoryTuning tuning;
  std::int32_t refetch_buffer;
};

class MemoryTuning : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryTuning, ConnectionsAndBuffersFollowFreeMemory) {
  const MemoryCase& c = GetParam();
  EXPECT_EQ(ns_PLX::TuneForMemory(c.free_memory), c.tuning);
  EXPECT_EQ(ns_PLX::RefetchBufferSize(c.free_memory), c.refetch_buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Memory, MemoryTuning,
    ::testing::Values(
        MemoryCase{std::nullopt, {24, 5242880}, 5242880},  // unknown: the defaults
        MemoryCase{8000 * kMiB, {24, 5242880}, 5242880},
        MemoryCase{120 * kMiB, {24, 5242880}, 5242880},
        MemoryCase{120 * kMiB - 1, {24, 5242879}, 5242880},
        MemoryCase{60 * kMiB, {24, 2621440}, 5242880},
        MemoryCase{24 * kMiB, {24, 1048576}, 5242880},
        MemoryCase{10 * kMiB, {10, 1048576}, 5242880},
        MemoryCase{5 * kMiB, {5, 1048576}, 5242880},
        // a re-fetch then gets less than 1 MiB, which the owner refuses
        MemoryCase{500000, {1, 1048576}, 500000},
        MemoryCase{0, {1, 1048576}, 0}));

struct DecisionCase {
  const char* name;
  int n;
  std::uint64_t bytes;
  std::uint64_t tcp;
  ns_PLX::ConnectionBaselines before;
  int result;
  ns_PLX::ConnectionBaselines after;
};

class ConnectionDecision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(ConnectionDecision, FollowsTheShareOfTcpTraffic) {
  const DecisionCase& c = GetParam();
  ns_PLX::ConnectionBaselines baselines = c.before;
  EXPECT_EQ(ns_PLX::DecideConnections(c.n, c.bytes, c.tcp, ns_PLX::kTunedConnections, baselines),
            c.result);
  EXPECT_EQ(baselines.bytes, c.after.bytes);
  EXPECT_EQ(baselines.tcp, c.after.tcp);
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, ConnectionDecision,
    ::testing::Values(
        DecisionCase{"HalfTheTrafficAddsOne", 20, 1500, 3000, {1000, 2000}, 1, {1500, 3000}},
        DecisionCase{"NeverBeyond48", 49, 1500, 3000, {1000, 2000}, 0, {1500, 3000}},
        DecisionCase{"At48NoMore", 48, 1500, 3000, {1000, 2000}, 0, {1500, 3000}},
        DecisionCase{"MostTrafficGivesBackAnAddedOne", 30, 1900, 3000, {1000, 2000}, -1,
                     {1900, 3000}},
        DecisionCase{"MostTrafficKeepsTheTunedCount", 24, 1900, 3000, {1000, 2000}, 0,
                     {1900, 3000}},
        DecisionCase{"BetweenThresholdsKeeps", 20, 1800, 3000, {1000, 2000}, 0, {1800, 3000}},
        DecisionCase{"MoreBytesThanTcpKeeps", 20, 5000, 3000, {1000, 2000}, 0, {5000, 3000}},
        // no new TCP reading: nothing is decided and nothing moves
        DecisionCase{"TcpUnchanged", 20, 1500, 2000, {1000, 2000}, 0, {1000, 2000}},
        DecisionCase{"TcpUnreadable", 20, 1500, 0, {1000, 2000}, 0, {1000, 2000}},
        // a counter that went backwards (restart, 32-bit wrap) only starts a new measure
        DecisionCase{"TcpWentBackwards", 20, 1500, 500, {1000, 2000}, 0, {1500, 500}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionDecisionLog, NamesCountAndFlow) {
  const orbtest::LogTail log;
  ns_PLX::ConnectionBaselines baselines{1000, 2000};
  ns_PLX::DecideConnections(60, 1500, 3000, ns_PLX::kTunedConnections, baselines);
  EXPECT_THAT(log.Lines(), ::testing::Contains("[INFO] thread_cnt=[48], flow_rate=[0.50]."));
}

TEST(AddressTable, LeastUsedFirstInTextOrder) {
  ns_PLX::AddressTable table;
  EXPECT_EQ(ns_PLX::PickAddress(table), "");
  ns_PLX::FillAddressTable(table, {"9.9.9.9", "10.0.0.2", "10.0.0.10"});
  std::vector<std::string> picks;
  for (int i = 0; i < 4; ++i) picks.push_back(ns_PLX::PickAddress(table));
  // byte-wise text order: "10.0.0.10" < "10.0.0.2" < "9.9.9.9"
  EXPECT_THAT(picks, ::testing::ElementsAre("10.0.0.10", "10.0.0.2", "9.9.9.9", "10.0.0.10"));
  table["9.9.9.9"] = 0;
  EXPECT_EQ(ns_PLX::PickAddress(table), "9.9.9.9");
  ns_PLX::FillAddressTable(table, {"1.1.1.1"});
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(table.at("1.1.1.1"), 0);
}

TEST(BlockedRedirect, PrivateAddressWithBlockingPage) {
  struct Case {
    const char* url;
    bool blocked;
  };
  for (const Case& c : {Case{"http://10.1.2.3/disable.htm", true},
                        Case{"http://192.168.0.1/cgi/disable.html?u=x", true},
                        Case{"http://172.16.0.1/disable.htm", true},
                        Case{"http://blocker.invalid/disable.htm", false},
                        Case{"http://10.1.2.3/setup.exe", false}, Case{"", false}}) {
    EXPECT_EQ(ns_PLX::IsBlockedRedirect(c.url), c.blocked) << c.url;
  }
}

// The system seams read live values on every system the tests run on.
TEST(SystemFacts, MemoryAndTcpStatisticsAreReadable) {
  const std::optional<std::uint64_t> free_memory = ns_PLX::FreePhysicalMemory();
  ASSERT_TRUE(free_memory.has_value());
  EXPECT_GT(*free_memory, 0u);

  const std::optional<std::uint64_t> segments = ns_PLX::TcpReceivedSegments();
  ASSERT_TRUE(segments.has_value());
  EXPECT_GT(*segments, 0u);
  EXPECT_GE(ns_PLX::TcpReceivedEstimate(), *segments * ns_PLX::kSegmentBytes);
}

}  // namespace
