#include "downloader/range_downloader.h"

#include <curl/curl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <utility>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "tests/downloader/log_tail.h"
#include "tests/downloader/test_file.h"
#include "tests/downloader/transfer_peers.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

using ns_PLX::CRangeDownloader;
using ns_PLX::RangeSettings;
using namespace std::chrono_literals;

bool IsFinal(std::int32_t status) {
  return status == ns_PLX::kRangeCancelled || status == ns_PLX::kRangeSucceeded ||
         status == ns_PLX::kRangeFailed;
}

// Polls like the owner does; the limit only guards the test run.
std::int32_t WaitFinal(const CRangeDownloader& range, std::chrono::seconds limit = 60s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!IsFinal(range.Status()) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  return range.Status();
}

void WaitReceived(const CRangeDownloader& range, std::int64_t bytes) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (range.Received() < bytes && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
}

// The file holds generated content exactly on [first, first + length) and zeros elsewhere.
::testing::AssertionResult HoldsOnly(const std::string& file, std::int64_t first,
                                     std::int64_t length) {
  for (std::size_t i = 0; i < file.size(); ++i) {
    const auto at = static_cast<std::int64_t>(i);
    const bool inside = at >= first && at < first + length;
    const char want = inside ? static_cast<char>(orbtest::GenByte(i)) : '\0';
    if (file[i] != want) {
      return ::testing::AssertionFailure()
             << "byte " << i << " is " << int(static_cast<unsigned char>(file[i])) << ", want "
             << int(static_cast<unsigned char>(want)) << (inside ? " (inside)" : " (outside)");
    }
  }
  return ::testing::AssertionSuccess();
}

struct Fetch {
  std::unique_ptr<CRangeDownloader> range;
  bool started = false;
};

Fetch StartRange(const std::string& url, std::int64_t start, std::int64_t end,
                 std::int64_t file_size, std::int32_t buffer, ns_PLX::IFileWriter* writer,
                 const std::string& address = {}, RangeSettings settings = {}) {
  Fetch fetch{std::make_unique<CRangeDownloader>(std::move(settings))};
  if (!fetch.range->Init(url, start, end, address, L"package.bin")) return fetch;
  fetch.range->SetFileSize(file_size);
  fetch.range->SetBufferSize(buffer);
  fetch.range->SetWriter(writer);
  fetch.range->SetReported(false);
  fetch.started = fetch.range->Start();
  return fetch;
}

// std::regex: gtest's own matcher has no brackets on Windows.
bool AnyMatches(const std::vector<std::string>& lines, const std::string& pattern) {
  const std::regex compiled(pattern);
  for (const std::string& line : lines) {
    if (std::regex_match(line, compiled)) return true;
  }
  return false;
}

std::string AddressText(const void* object) {
  char text[32];
  std::snprintf(text, sizeof(text), "%p", object);
  return text;
}

// --- a range lands at its offset ---------------------------------------------------------

struct OffsetCase {
  const char* name;
  std::int64_t file_size;
  std::int64_t start;
  std::int64_t end;  // negative: open
  std::int32_t buffer;
  const char* range_header;
};

class RangeAtOffset : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(RangeAtOffset, IsWrittenWhereItBelongsAndCountedExactly) {
  const OffsetCase& c = GetParam();
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  orbtest::TestFile file(dir.path() / "package.bin", c.file_size);
  const std::string path = orbtest::TestServer::GenPath(c.file_size, orbtest::UniqueTag() + ".bin");
  const orbtest::LogTail log;

  Fetch fetch = StartRange(server.Url(path), c.start, c.end, c.file_size, c.buffer, &file);
  ASSERT_TRUE(fetch.started);
  ASSERT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeSucceeded);

  const std::int64_t last = c.end >= 0 ? c.end : c.file_size - 1;
  const std::int64_t length = last - c.start + 1;
  const CRangeDownloader& range = *fetch.range;
  EXPECT_EQ(range.Received(), length);
  EXPECT_EQ(range.Saved(), length);
  EXPECT_EQ(range.Remaining(), 0);
  EXPECT_EQ(range.NextOffset(), last + 1);
  EXPECT_EQ(range.EffectiveEnd(), last);
  EXPECT_EQ(range.ResponseCode(), 206);
  EXPECT_FALSE(range.RangesUnsupported());
  EXPECT_EQ(file.StoredBytes(), length);
  EXPECT_TRUE(HoldsOnly(file.Content(), c.start, length));

  const auto requests = server.Requests(path);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].range, c.range_header);
  EXPECT_EQ(requests[0].Header("User-Agent"),
            "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)");

  const std::string self = AddressText(fetch.range.get());
  const auto lines = log.Lines();
  EXPECT_THAT(lines, ::testing::Contains("[INFO] easy=[" + self + "], init, host=[], range(" +
                                         std::to_string(c.start) + "~" + std::to_string(c.end) +
                                         ")"));
  EXPECT_TRUE(AnyMatches(lines, "\\[INFO\\] easy=\\[" + self + "\\], success\\. range\\(" +
                                     std::to_string(c.start) + "~" + std::to_string(c.end) +
                                     "\\), downloaded=\\[" + std::to_string(length) +
                                     "\\], undownloaded=\\[0\\], saved=\\[" +
                                     std::to_string(length) + "\\], speed=\\[[0-9]+ B/s\\]\\."))
      << ::testing::PrintToString(lines);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, RangeAtOffset,
    ::testing::Values(
        // blocks gathered in the buffer and flushed when it fills
        OffsetCase{"Middle", 3 * 1048576 + 123, 1048576 + 7, 2 * 1048576 + 100, 256 * 1024,
                   "bytes=1048583-2097252"},
        // the end left open: the file size decides the last byte
        OffsetCase{"OpenEnd", 1048576, 700000, -1, 64 * 1024, "bytes=700000-"},
        OffsetCase{"FromZeroOpenEnd", 200000, 0, -1, 1048576, "bytes=0-"},
        // blocks larger than the buffer go straight to the writer
        OffsetCase{"BufferSmallerThanBlocks", 300000, 1000, 250000, 1000, "bytes=1000-250000"},
        OffsetCase{"HundredBytes", 100, 0, 99, 1048576, "bytes=0-99"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- pinning -------------------------------------------------------------------------------

TEST(RangePinning, AddressDecidesWhereAnUnresolvableNameGoes) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  const std::string tag = orbtest::UniqueTag();
  const std::string host = "pinned-" + tag + ".invalid:" + std::to_string(server.Port());
  const std::string path = orbtest::TestServer::GenPath(50000, tag + ".bin");
  const std::string url = "http://" + host + path;

  {
    orbtest::TestFile file(dir.path() / "pinned.bin", 50000);
    Fetch fetch = StartRange(url, 0, 49999, 50000, 1048576, &file, "127.0.0.1");
    ASSERT_TRUE(fetch.started);
    EXPECT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeSucceeded);
    EXPECT_EQ(fetch.range->Address(), "127.0.0.1");
    EXPECT_TRUE(HoldsOnly(file.Content(), 0, 50000));
    const auto requests = server.Requests(path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Host"), host);
  }
  {
    orbtest::TestFile file(dir.path() / "unpinned.bin", 50000);
    Fetch fetch = StartRange(url, 0, 49999, 50000, 1048576, &file);
    ASSERT_TRUE(fetch.started);
    EXPECT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeFailed);
    EXPECT_EQ(fetch.range->TransferResult(), CURLE_COULDNT_RESOLVE_HOST);
    EXPECT_EQ(fetch.range->Remaining(), 50000);
    EXPECT_TRUE(file.Calls().empty());
  }
  // Something that is not an address cannot pin anything.
  CRangeDownloader range;
  EXPECT_FALSE(range.Init(url, 0, 99, "127.0.0", L"x"));
  EXPECT_FALSE(range.Start());
}

// --- a connection that stops ----------------------------------------------------------------

struct StallCase {
  const char* name;
  std::uint64_t stall_after;
  std::chrono::seconds low_speed_time;
  std::int32_t result;
};

class RangeStall : public ::testing::TestWithParam<StallCase> {};

TEST_P(RangeStall, FailsWellBeforeTheServerGoesOnKeepingWhatArrived) {
  const StallCase& c = GetParam();
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  constexpr std::int64_t kSize = 1 << 20;
  orbtest::TestFile file(dir.path() / "stall.bin", kSize);
  const std::string path = orbtest::TestServer::GenPath(kSize, orbtest::UniqueTag() + ".bin");
  RangeSettings settings;
  settings.stall_timeout = 1s;
  settings.low_speed_time = c.low_speed_time;

  const auto begin = std::chrono::steady_clock::now();
  Fetch fetch = StartRange(server.Url(path, orbtest::Faults().StallAfter(c.stall_after, 30)), 0,
                           kSize - 1, kSize, 1048576, &file, {}, settings);
  ASSERT_TRUE(fetch.started);
  ASSERT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeFailed);
  // The server would go on after 30 s; the range gave up long before.
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 20s);
  EXPECT_EQ(fetch.range->TransferResult(), c.result);
  const auto stalled = static_cast<std::int64_t>(c.stall_after);
  EXPECT_EQ(fetch.range->Received(), stalled);
  EXPECT_EQ(fetch.range->Saved(), stalled);  // the buffer was written before giving up
  EXPECT_EQ(fetch.range->Remaining(), kSize - stalled);
  EXPECT_TRUE(HoldsOnly(file.Content(), 0, stalled));
}

INSTANTIATE_TEST_SUITE_P(
    Stalls, RangeStall,
    ::testing::Values(
        // after data: the stall rule
        StallCase{"AfterData", 65536, 60s, CURLE_ABORTED_BY_CALLBACK},
        // before any data only the low-speed rule applies
        StallCase{"BeforeData", 0, 2s, CURLE_OPERATION_TIMEDOUT}),
    [](const auto& info) { return std::string(info.param.name); });

// --- a connection that breaks; a writer that fails -------------------------------------------

// What a failed range reports is exactly what the writer holds: fetching again from its
// next offset completes the range.
void ExpectRefetchCompletes(const std::string& url, const CRangeDownloader& failed,
                            orbtest::TestFile& file, std::int64_t file_size) {
  file.FailFromCall(-1, false);
  EXPECT_EQ(failed.Received(), failed.Saved());
  EXPECT_EQ(failed.Remaining(), failed.EffectiveEnd() - failed.NextOffset() + 1);
  EXPECT_TRUE(HoldsOnly(file.Content(), failed.RangeStart(), failed.Saved()));

  Fetch again = StartRange(url, failed.NextOffset(), failed.EffectiveEnd(), file_size, 64 * 1024,
                           &file);
  ASSERT_TRUE(again.started);
  ASSERT_EQ(WaitFinal(*again.range), ns_PLX::kRangeSucceeded);
  EXPECT_EQ(again.range->Received(), failed.Remaining());
  EXPECT_TRUE(HoldsOnly(file.Content(), failed.RangeStart(),
                        failed.EffectiveEnd() - failed.RangeStart() + 1));
}

struct BreakCase {
  const char* name;
  orbtest::Faults faults;
  bool all_sent_arrive;  // a closed connection delivers everything sent before it
};

class RangeBreak : public ::testing::TestWithParam<BreakCase> {};

TEST_P(RangeBreak, CountsExactlyTheStoredBytes) {
  const BreakCase& c = GetParam();
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  constexpr std::int64_t kSize = 2 << 20;
  constexpr std::int64_t kStart = 100000;
  orbtest::TestFile file(dir.path() / "break.bin", kSize);
  const std::string path = orbtest::TestServer::GenPath(kSize, orbtest::UniqueTag() + ".bin");

  Fetch fetch = StartRange(server.Url(path, c.faults), kStart, kSize - 1, kSize, 1048576, &file);
  ASSERT_TRUE(fetch.started);
  ASSERT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeFailed);
  EXPECT_NE(fetch.range->TransferResult(), CURLE_OK);
  EXPECT_LE(fetch.range->Received(), 300000);
  if (c.all_sent_arrive) {
    EXPECT_EQ(fetch.range->Received(), 300000);
  }
  EXPECT_EQ(file.StoredBytes(), fetch.range->Saved());
  ExpectRefetchCompletes(server.Url(path), *fetch.range, file, kSize);
}

INSTANTIATE_TEST_SUITE_P(Breaks, RangeBreak,
                         ::testing::Values(BreakCase{"Reset", orbtest::Faults().ResetAfter(300000),
                                                     false},
                                           BreakCase{"Close", orbtest::Faults().CloseAfter(300000),
                                                     true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WriteFailureCase {
  const char* name;
  std::int64_t length;  // of the range
  std::int32_t buffer;
  int fail_from_call;   // -1: the first buffer cannot be had
  bool partial;
};

class RangeWriteFailure : public ::testing::TestWithParam<WriteFailureCase> {};

TEST_P(RangeWriteFailure, EndsTheRangeAtTheFirstUnsavedByte) {
  const WriteFailureCase& c = GetParam();
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  constexpr std::int64_t kStart = 5000;
  const std::int64_t size = kStart + c.length + 777;
  orbtest::TestFile file(dir.path() / "write.bin", size);
  const std::string path = orbtest::TestServer::GenPath(size, orbtest::UniqueTag() + ".bin");
  RangeSettings settings;
  if (c.fail_from_call < 0) {
    // Only the first request for memory fails: a block must not be skipped over.
    auto requests = std::make_shared<int>(0);
    settings.allocate_buffer = [requests](std::size_t size) {
      return (*requests)++ == 0 ? std::unique_ptr<char[]>() : std::make_unique<char[]>(size);
    };
  } else {
    file.FailFromCall(c.fail_from_call, c.partial);
  }
  const orbtest::LogTail log;

  // Slow enough that the transfer is still going when a write fails.
  Fetch fetch = StartRange(server.Url(path, orbtest::Faults().Rate(4 << 20)), kStart,
                           kStart + c.length - 1, size, c.buffer, &file, {}, settings);
  ASSERT_TRUE(fetch.started);
  ASSERT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeFailed);
  const CRangeDownloader& range = *fetch.range;

  const auto calls = file.Calls();
  if (c.fail_from_call < 0) {
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(range.Saved(), 0);
    EXPECT_THAT(log.Lines(), ::testing::Contains("[ERROR] easy=[" + AddressText(&range) +
                                                 "], new buf failed! size=[" +
                                                 std::to_string(c.buffer) + "]."));
  } else {
    // Nothing is written after the failing call, so no block lands at a wrong offset.
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(c.fail_from_call) + 1);
    std::int64_t expected_offset = kStart;
    for (const auto& call : calls) {
      EXPECT_EQ(call.offset, expected_offset);
      expected_offset += call.stored;
    }
    EXPECT_EQ(range.Saved(), file.StoredBytes());
    EXPECT_EQ(range.NextOffset(), expected_offset);
  }
  EXPECT_GT(range.Remaining(), 0);
  ExpectRefetchCompletes(server.Url(path), range, file, size);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RangeWriteFailure,
    ::testing::Values(
        // a buffer flush refused in the middle of the range
        WriteFailureCase{"RefusedFlush", 1 << 20, 64 * 1024, 2, false},
        WriteFailureCase{"PartialFlush", 1 << 20, 64 * 1024, 2, true},
        // a block larger than the buffer written directly
        WriteFailureCase{"RefusedDirectWrite", 1 << 20, 1000, 5, false},
        // the last flush, when the range is complete, must not turn into a success
        WriteFailureCase{"RefusedLastFlush", 30000, 1 << 20, 0, false},
        WriteFailureCase{"NoBuffer", 1 << 20, 64 * 1024, -1, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- answers that are not the range asked for --------------------------------------------------

struct AnswerCase {
  const char* name;
  std::int64_t file_size;
  std::int64_t start;
  std::int64_t end;
  orbtest::Faults faults;
  bool odd_server;  // the server whose 206 starts elsewhere
  std::int32_t status;
  std::int32_t response_code;
  bool ranges_unsupported;
  std::int64_t stored;  // bytes that must reach the file
};

constexpr std::int32_t kFailed = ns_PLX::kRangeFailed;

class RangeAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(RangeAnswer, OnlyTheRangeAskedForIsWritten) {
  const AnswerCase& c = GetParam();
  orbtest::TestServer server;
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TEST_SERVER(server);
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  orbtest::TempDir dir;
  orbtest::TestFile file(dir.path() / "answer.bin", c.file_size);
  const std::string url =
      c.odd_server
          ? peers.OddUrl() + "/shifted/" + std::to_string(c.file_size)
          : server.Url(orbtest::TestServer::GenPath(c.file_size, orbtest::UniqueTag() + ".bin"),
                       c.faults);
  const orbtest::LogTail log;

  Fetch fetch = StartRange(url, c.start, c.end, c.file_size, 1048576, &file);
  ASSERT_TRUE(fetch.started);
  ASSERT_EQ(WaitFinal(*fetch.range), c.status);
  const CRangeDownloader& range = *fetch.range;
  EXPECT_EQ(range.ResponseCode(), c.response_code);
  EXPECT_EQ(range.RangesUnsupported(), c.ranges_unsupported);
  EXPECT_EQ(range.Received(), c.stored);
  EXPECT_EQ(range.Saved(), c.stored);
  EXPECT_EQ(file.StoredBytes(), c.stored);
  if (c.stored == 0) {
    EXPECT_TRUE(file.Calls().empty());
  }
  EXPECT_TRUE(HoldsOnly(file.Content(), c.start, c.stored));
  if (c.response_code == 404 || c.response_code == 416) {
    EXPECT_THAT(log.Lines(), ::testing::Contains("[WARN] easy=[" + AddressText(&range) +
                                                 "], http code=[" +
                                                 std::to_string(c.response_code) + "]."));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RangeAnswer,
    ::testing::Values(
        // the whole file where a later part was asked for
        AnswerCase{"WholeFileForLaterRange", 5000, 1000, 1999, orbtest::Faults().IgnoreRange(),
                   false, kFailed, 200, true, 0},
        AnswerCase{"WholeFileForOpenLaterRange", 5000, 1000, -1, orbtest::Faults().IgnoreRange(),
                   false, kFailed, 200, true, 0},
        AnswerCase{"RangeBeyondTheFile", 5000, 10000, 10999, orbtest::Faults(), false, kFailed, 416,
                   true, 0},
        AnswerCase{"ShiftedPartialContent", 5000, 1000, 1999, orbtest::Faults(), true, kFailed,
                   206, true, 0},
        AnswerCase{"ErrorPage", 5000, 1000, 1999, orbtest::Faults().Status(404), false, kFailed,
                   404, false, 0},
        // from byte 0 the whole file serves the range: cut at its end, the rest refused
        AnswerCase{"WholeFileForFirstRange", 150, 0, 99, orbtest::Faults().IgnoreRange(), false,
                   ns_PLX::kRangeSucceeded, 200, false, 100}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the owner's hands: cancel, split, destroy ----------------------------------------------

TEST(RangeControl, CancelWritesTheBufferAndStops) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  constexpr std::int64_t kSize = 8 << 20;
  orbtest::TestFile file(dir.path() / "cancel.bin", kSize);
  const std::string path = orbtest::TestServer::GenPath(kSize, orbtest::UniqueTag() + ".bin");
  const orbtest::LogTail log;

  Fetch fetch = StartRange(server.Url(path, orbtest::Faults().Rate(400000)), 0, kSize - 1, kSize,
                           4 << 20, &file);
  ASSERT_TRUE(fetch.started);
  WaitReceived(*fetch.range, 100000);
  EXPECT_TRUE(file.Calls().empty());  // all of it is still in the buffer
  fetch.range->Cancel();
  ASSERT_EQ(WaitFinal(*fetch.range, 10s), ns_PLX::kRangeCancelled);
  const CRangeDownloader& range = *fetch.range;
  EXPECT_GE(range.Received(), 100000);
  EXPECT_EQ(range.Saved(), range.Received());
  EXPECT_GT(range.Remaining(), 0);
  EXPECT_EQ(range.TransferResult(), CURLE_ABORTED_BY_CALLBACK);
  EXPECT_TRUE(HoldsOnly(file.Content(), 0, range.Saved()));
  EXPECT_THAT(log.Lines(),
              ::testing::Contains(::testing::StartsWith("[WARN] easy=[" + AddressText(&range) +
                                                        "], cancel, range(0~" +
                                                        std::to_string(kSize - 1) + ")")));
  // Final statuses stay.
  fetch.range->Cancel();
  EXPECT_EQ(range.Status(), ns_PLX::kRangeCancelled);
}

TEST(RangeControl, ShortenedRangeSucceedsAtItsNewEnd) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  constexpr std::int64_t kSize = 8 << 20;
  orbtest::TestFile file(dir.path() / "split.bin", kSize);
  const std::string path = orbtest::TestServer::GenPath(kSize, orbtest::UniqueTag() + ".bin");

  Fetch fetch = StartRange(server.Url(path, orbtest::Faults().Rate(400000)), 0, kSize - 1, kSize,
                           64 * 1024, &file);
  ASSERT_TRUE(fetch.started);
  WaitReceived(*fetch.range, 100000);
  const std::int64_t new_end = fetch.range->Received() + 300000;
  EXPECT_FALSE(fetch.range->ShortenEnd(kSize - 1));  // not lower
  ASSERT_TRUE(fetch.range->ShortenEnd(new_end));
  EXPECT_EQ(fetch.range->EffectiveEnd(), new_end);

  ASSERT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeSucceeded);
  EXPECT_EQ(fetch.range->Received(), new_end + 1);
  EXPECT_EQ(fetch.range->Saved(), new_end + 1);
  EXPECT_EQ(fetch.range->Remaining(), 0);
  EXPECT_TRUE(HoldsOnly(file.Content(), 0, new_end + 1));  // nothing past the new end
}

TEST(RangeControl, DestroyingARunningRangeStopsIt) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  constexpr std::int64_t kSize = 8 << 20;
  orbtest::TestFile file(dir.path() / "destroy.bin", kSize);
  const std::string path = orbtest::TestServer::GenPath(kSize, orbtest::UniqueTag() + ".bin");

  Fetch fetch = StartRange(server.Url(path, orbtest::Faults().StallAfter(70000, 30)), 0,
                           kSize - 1, kSize, 1048576, &file);
  ASSERT_TRUE(fetch.started);
  WaitReceived(*fetch.range, 70000);
  fetch.range.reset();  // cancels and joins while the server stalls
  EXPECT_TRUE(HoldsOnly(file.Content(), 0, file.StoredBytes()));
  EXPECT_EQ(file.StoredBytes(), 70000);
}

TEST(RangeRedirect, FinalUrlIsReportedAndItsRangeWritten) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  constexpr std::int64_t kSize = 300000;
  orbtest::TestFile file(dir.path() / "moved.bin", kSize);
  const std::string target = orbtest::TestServer::GenPath(kSize, orbtest::UniqueTag() + ".bin");
  const std::string url = server.Url(orbtest::TestServer::RedirectPath(302, target));

  Fetch fetch = StartRange(url, 1000, 199999, kSize, 65536, &file);
  ASSERT_TRUE(fetch.started);
  ASSERT_EQ(WaitFinal(*fetch.range), ns_PLX::kRangeSucceeded);
  EXPECT_EQ(fetch.range->EffectiveUrl(), server.Url(target));
  EXPECT_TRUE(HoldsOnly(file.Content(), 1000, 199000));

  // Without a redirect there is no final URL to report.
  orbtest::TestFile direct(dir.path() / "direct.bin", kSize);
  Fetch plain = StartRange(server.Url(target), 0, 999, kSize, 65536, &direct);
  ASSERT_TRUE(plain.started);
  ASSERT_EQ(WaitFinal(*plain.range), ns_PLX::kRangeSucceeded);
  EXPECT_EQ(plain.range->EffectiveUrl(), "");
}

TEST(RangeControl, LifecycleRefusesOutOfOrderCalls) {
  CRangeDownloader never_initialised;
  EXPECT_FALSE(never_initialised.Start());
  EXPECT_EQ(never_initialised.Status(), ns_PLX::kRangeCreated);

  // Offsets no file can have are refused before anything is computed with them.
  for (const auto& [start, end] : {std::pair<std::int64_t, std::int64_t>{-1, 10},
                                   {0, INT64_MAX}, {INT64_MAX - 1, -1}}) {
    CRangeDownloader range;
    EXPECT_FALSE(range.Init("http://127.0.0.1:9/x", start, end, {}, L"x")) << start << "~" << end;
  }
  CRangeDownloader sized;
  EXPECT_FALSE(sized.SetFileSize(INT64_MAX));
  EXPECT_FALSE(sized.SetFileSize(-5));

  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  orbtest::TestFile file(dir.path() / "order.bin", 1000);
  CRangeDownloader range;
  ASSERT_TRUE(range.Init(server.Url(orbtest::TestServer::GenPath(1000)), 0, 999, {}, L"x"));
  EXPECT_FALSE(range.Init(server.Url(orbtest::TestServer::GenPath(1000)), 0, 999, {}, L"x"));
  EXPECT_FALSE(range.SetBufferSize(0));
  ASSERT_TRUE(range.SetWriter(&file));
  ASSERT_TRUE(range.Start());
  EXPECT_FALSE(range.Start());
  EXPECT_FALSE(range.SetBufferSize(4096));
  EXPECT_FALSE(range.SetFileSize(5));
  EXPECT_EQ(WaitFinal(range), ns_PLX::kRangeSucceeded);
  EXPECT_FALSE(range.ShortenEnd(10));  // ended ranges keep their end
}

// --- certificates ---------------------------------------------------------------------------

// The stand-in resolvers serve 1000 bytes over TLS with a certificate for resolver.test
// signed by the test authority. With that authority as the trusted root, libcurl checks the
// chain and the name itself on every system (wine's Schannel does neither on its own).
struct TlsCase {
  const char* name;
  bool by_name;  // https://resolver.test pinned to 127.0.0.1, else https://127.0.0.1
  bool trust_authority;
  std::int32_t status;
};

class RangeTls : public ::testing::TestWithParam<TlsCase> {};

TEST_P(RangeTls, CertificateAndNameAreChecked) {
  const TlsCase& c = GetParam();
  orbtest::TransferPeers peers;
  ORB_REQUIRE_TRANSFER_PEERS(peers);
  orbtest::TempDir dir;
  const std::string port = std::to_string(peers.PrimaryPort());
  const std::string url =
      "https://" + std::string(c.by_name ? "resolver.test" : "127.0.0.1") + ":" + port + "/p.bin";
  RangeSettings settings;
  // An authority that did not sign the server's certificate stands for "not trusted".
  settings.ca_file = c.trust_authority ? peers.CaFile() : peers.OtherCaFile();

  orbtest::TestFile file(dir.path() / "tls.bin", 1000);
  Fetch fetch = StartRange(url, 0, 999, 1000, 1048576, &file, c.by_name ? "127.0.0.1" : "",
                           settings);
  ASSERT_TRUE(fetch.started);
  ASSERT_EQ(WaitFinal(*fetch.range), c.status);
  if (c.status == ns_PLX::kRangeFailed) {
    EXPECT_NE(fetch.range->TransferResult(), CURLE_OK);
    EXPECT_EQ(fetch.range->Received(), 0);
    EXPECT_TRUE(file.Calls().empty());
  } else {
    EXPECT_EQ(file.StoredBytes(), 1000);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, RangeTls,
    ::testing::Values(TlsCase{"TrustedAndNamed", true, true, ns_PLX::kRangeSucceeded},
                      TlsCase{"NameDoesNotMatchAddress", false, true, ns_PLX::kRangeFailed},
                      TlsCase{"AuthorityNotTrusted", true, false, ns_PLX::kRangeFailed}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
