// The engine's facade over real downloads from the test server: the command queue, the
// event dispatch and the ways a task or the whole engine is stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/md5.h"
#include "common/text_convert.h"
#include "downloader/downloader_manager.h"
#include "tests/downloader/facade_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

using namespace std::chrono_literals;
using ns_PLX::DownloadEvent;
using ns_PLX::DownloaderManager;
using ns_PLX::DownloadTaskInfo;

constexpr std::int64_t kSlowSize = 8 << 20;
// 24 connections at this rate need about 7 s for kSlowSize: long enough to act mid-way.
constexpr std::uint64_t kSlowRate = 50000;

ns_PLX::MultiDownloaderSettings FastSettings() {
  ns_PLX::MultiDownloaderSettings settings;
  settings.attempt_pause = 100ms;
  return settings;
}

class FacadeTest : public ::testing::Test {
 protected:
  void SetUp() override { ORB_REQUIRE_TEST_SERVER(server_); }

  struct File {
    std::string name;
    std::wstring url;
    std::filesystem::path target;
    std::filesystem::path temp;
  };
  File Gen(std::int64_t size, const orbtest::Faults& faults = {}) const {
    File file;
    file.name = orbtest::UniqueTag() + ".bin";
    file.url = Utf8ToWide(server_.Url(orbtest::TestServer::GenPath(size, file.name), faults));
    file.target = dir_.path() / file.name;
    file.temp = dir_.path() / (file.name + ".~P2S");
    return file;
  }
  File Slow() const { return Gen(kSlowSize, orbtest::Faults().Rate(kSlowRate)); }
  std::wstring Folder() const { return Utf8ToWide(dir_.narrow()); }
  std::int32_t Add(DownloaderManager& engine, const File& file, std::int32_t id,
                   const std::wstring& md5 = L"") const {
    return engine.AddTask(file.url, Folder(), L"", id, L"1.0", md5, 0);
  }
  static bool HasRecord(const File& file, std::int64_t size) {
    const auto record = orbtest::ReadResumeRecord(file.temp, size);
    return record.has_value() && !record->empty();
  }
  static std::ptrdiff_t IndexOf(const std::vector<std::string>& lines, const std::string& line,
                                std::size_t from = 0) {
    const auto it = std::find(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(), line);
    return it == lines.end() ? -1 : it - lines.begin();
  }

  orbtest::TestServer server_;
  orbtest::TempDir dir_;
  orbtest::EventRecorder events_;
};

// Every kind reaches its own method with its payload; kinds without a method, events
// without their payload and a null event call nothing, and every event is released (the
// leak checker of the sanitizer build watches that).
TEST(FacadeDispatchTest, EachKindCallsItsMethod) {
  using ns_PLX::DownloadProgress;
  struct Case {
    std::unique_ptr<DownloadEvent> event;
    std::string line;  // empty: nothing is called
  };
  DownloadProgress progress;
  progress.file_size = 100;
  progress.downloaded = 40;
  progress.speed = 7;
  std::vector<Case> cases;
  cases.push_back({DownloadEvent::WithWideText(1, 0, L"setup.exe"), "OnFileName 1 setup.exe"});
  cases.push_back({DownloadEvent::Plain(1, 0), ""});
  cases.push_back({DownloadEvent::WithValue(1, 1, 1048576), "OnFileSize 1 1048576"});
  cases.push_back({DownloadEvent::WithValue(1, 1, -1), "OnFileSize 1 -1"});  // sign-extended
  cases.push_back({DownloadEvent::WithNumber(1, 2, 0), "OnSucceeded 1"});
  cases.push_back({DownloadEvent::WithNumber(1, 2, 11), "OnFailed 1 11"});
  cases.push_back({DownloadEvent::Plain(1, 2), ""});
  cases.push_back({DownloadEvent::WithProgress(1, progress), "OnProgress 1 40 100 7"});
  cases.push_back({DownloadEvent::WithValue(1, 4, 4166667), "OnRangeEvent 1 -1 0 4166667"});
  cases.push_back({DownloadEvent::Plain(1, 7), "OnStarted 1"});
  cases.push_back({DownloadEvent::WithText(1, 8, "10.0.0.1"), "OnRangeAddress 1 10.0.0.1"});
  cases.push_back({DownloadEvent::WithNumber(1, 9, 3), "OnAttempt 1 3"});
  cases.push_back({DownloadEvent::Plain(1, 10, 2, 13), "OnAttemptEnd 1 2 13"});
  cases.push_back({DownloadEvent::WithText(1, 11, "0A1B"), "OnFileDigest 1 0A1B"});
  cases.push_back({DownloadEvent::Plain(1, 12), "OnDigestMatched 1"});
  cases.push_back({DownloadEvent::Plain(1, 13, 3, 112), "OnFileError 1 3 112"});
  cases.push_back({DownloadEvent::WithNumber(1, 14, 2), "OnHostFailed 1 2"});
  cases.push_back({DownloadEvent::WithNumber(1, 15, 0), "OnHostRefreshed 1 0"});
  cases.push_back({DownloadEvent::WithText(1, 16, "cdn.example:1.2.3.4,5.6.7.8"),
                   "OnHostAddresses 1 cdn.example 1.2.3.4,5.6.7.8"});
  cases.push_back({DownloadEvent::WithText(1, 16, "no address list"), ""});
  cases.push_back({DownloadEvent::Plain(1, 17), "OnThreadBegin 1"});
  cases.push_back({DownloadEvent::Plain(1, 18, 24, 5242880), "OnTuning 1 24 5242880"});
  cases.push_back({DownloadEvent::Plain(1, 5), ""});
  cases.push_back({DownloadEvent::Plain(1, 6), ""});
  cases.push_back({DownloadEvent::Plain(1, 19), ""});

  DownloaderManager engine;
  orbtest::EventRecorder events;
  engine.SetCallback(&events);
  engine.OnEvent(nullptr, 0);
  for (auto& c : cases) {
    const std::size_t before = events.Count();
    const int kind = c.event->kind;
    engine.OnEvent(c.event.release(), 0);
    const auto lines = events.Lines();
    if (c.line.empty()) {
      EXPECT_EQ(lines.size(), before) << "kind " << kind << " called " << lines.back();
    } else {
      ASSERT_EQ(lines.size(), before + 1) << "kind " << kind;
      EXPECT_EQ(lines.back(), c.line);
    }
  }
  // Without a callback, and in window mode where there are no windows, events are only released.
  const std::size_t answered = events.Count();
  engine.SetWindowTarget(reinterpret_cast<ns_PLX::WindowHandle>(std::uintptr_t{1}), 0x8001);
  engine.OnEvent(DownloadEvent::WithNumber(1, 2, 0).release(), 0);
  engine.SetCallback(nullptr);
  engine.OnEvent(DownloadEvent::WithNumber(1, 2, 0).release(), 0);
  EXPECT_EQ(events.Count(), answered);
  EXPECT_EQ(engine.GetVersionText(), L"");
}

TEST_F(FacadeTest, AddTaskChecksUrlAndId) {
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  struct Case {
    std::wstring url;
    std::int32_t id;
    std::int32_t result;
  };
  const Case cases[] = {{L"", 0, -1}, {L"", -3, -1}, {L"", 5, 5}};
  for (const auto& c : cases) {
    EXPECT_EQ(engine.AddTask(c.url, Folder(), L"", c.id, L"", L"", 0), c.result) << c.id;
  }
  // Accepted without a url, the download then fails on its own thread.
  ASSERT_TRUE(events_.WaitFor("OnFailed 5 "));
  EXPECT_FALSE(events_.Has("OnSucceeded 5"));
  EXPECT_TRUE(events_.LinesOf(0).empty());
  EXPECT_TRUE(events_.LinesOf(-3).empty());
}

TEST_F(FacadeTest, DownloadReportsItsStepsInOrderAndCanBeQueried) {
  constexpr std::int64_t kSize = 1 << 20;
  const File file = Gen(kSize);
  const std::string md5 = Md5Hex(orbtest::GenBytes(0, kSize));
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  ASSERT_EQ(Add(engine, file, 1, Utf8ToWide(md5)), 1);
  ASSERT_TRUE(events_.WaitFor("OnSucceeded 1"));

  const auto lines = events_.LinesOf(1);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], "OnThreadBegin 1");
  EXPECT_EQ(lines[1], "OnStarted 1");
  std::string upper = md5;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  const std::vector<std::string> in_order = {
      "OnFileName 1 " + file.name, "OnFileSize 1 1048576",   "OnAttempt 1 0",
      "OnFileDigest 1 " + upper,   "OnDigestMatched 1",      "OnAttemptEnd 1 0 0"};
  std::size_t from = 0;
  for (const auto& line : in_order) {
    const auto at = IndexOf(lines, line, from);
    ASSERT_GE(at, 0) << "missing or out of order: " << line;
    from = static_cast<std::size_t>(at) + 1;
  }
  EXPECT_EQ(lines.back(), "OnSucceeded 1");
  EXPECT_TRUE(events_.Has("OnProgress 1 1048576 1048576 "));
  EXPECT_EQ(orbtest::FileMd5(file.target), md5);

  // The task stays until it is removed.
  DownloadTaskInfo info;
  ASSERT_TRUE(engine.QueryTask(1, info));
  EXPECT_EQ(info.task_id, 1);
  EXPECT_EQ(info.file_size, kSize);
  EXPECT_EQ(info.downloaded, kSize);
  EXPECT_EQ(info.url, file.url);
  EXPECT_EQ(WideToUtf8(info.file_name), file.name);
  EXPECT_EQ(info.save_folder.substr(0, Folder().size() - 1), Folder().substr(0, Folder().size() - 1));
  EXPECT_EQ(engine.GetTaskCount(), 1);
  EXPECT_TRUE(engine.RemoveTaskIfPresent(1));
  ASSERT_TRUE(orbtest::Eventually([&] { return engine.GetTaskCount() == 0; }));
  EXPECT_FALSE(engine.RemoveTaskIfPresent(1));
  EXPECT_FALSE(engine.QueryTask(1, info));
  // A finished task has no final events left to send.
  EXPECT_EQ(events_.LinesOf(1).back(), "OnSucceeded 1");
}

TEST_F(FacadeTest, QueryTaskBeforeTheSizeIsKnown) {
  const File file = Gen(1 << 20, orbtest::Faults().LatencyMs(3000));
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  ASSERT_EQ(Add(engine, file, 4), 4);
  ASSERT_TRUE(orbtest::Eventually([&] { return engine.GetTaskCount() == 1; }));
  DownloadTaskInfo info;
  ASSERT_TRUE(engine.QueryTask(4, info));
  EXPECT_EQ(info.task_id, 4);
  EXPECT_EQ(info.file_size, -1);
  EXPECT_EQ(info.downloaded, -1);
  EXPECT_FALSE(events_.Has("OnFileSize 4"));
  DownloadTaskInfo unknown;
  EXPECT_FALSE(engine.QueryTask(99, unknown));
  EXPECT_EQ(unknown.task_id, 99);
}

TEST_F(FacadeTest, RemoveTaskDeliversTheFinalEventsAndKeepsTheResumeRecord) {
  const File file = Slow();
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  ASSERT_EQ(Add(engine, file, 1), 1);
  ASSERT_TRUE(events_.WaitFor("OnProgress 1 "));
  ASSERT_TRUE(engine.RemoveTask(1));
  ASSERT_TRUE(events_.WaitFor("OnFailed 1 13"));
  const auto lines = events_.LinesOf(1);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "OnAttemptEnd 1 0 13");
  EXPECT_EQ(lines.back(), "OnFailed 1 13");
  EXPECT_TRUE(orbtest::Eventually([&] { return engine.GetTaskCount() == 0; }));
  EXPECT_TRUE(HasRecord(file, kSlowSize));
  EXPECT_FALSE(std::filesystem::exists(file.target));
}

TEST_F(FacadeTest, CancelTaskIsSilent) {
  const File file = Slow();
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  ASSERT_EQ(Add(engine, file, 1), 1);
  ASSERT_TRUE(events_.WaitFor("OnProgress 1 "));
  ASSERT_TRUE(engine.CancelTask(1));
  // The record is written when the cancelled attempt ends: the download is over then.
  ASSERT_TRUE(orbtest::Eventually([&] { return HasRecord(file, kSlowSize); }));
  ASSERT_TRUE(engine.RemoveTask(1));
  ASSERT_TRUE(orbtest::Eventually([&] { return engine.GetTaskCount() == 0; }));
  std::this_thread::sleep_for(300ms);
  for (const auto& line : events_.LinesOf(1)) {
    EXPECT_EQ(line.rfind("OnAttemptEnd", 0), std::string::npos) << line;
    EXPECT_EQ(line.rfind("OnFailed", 0), std::string::npos) << line;
    EXPECT_EQ(line.rfind("OnSucceeded", 0), std::string::npos) << line;
  }
}

TEST_F(FacadeTest, AddingARunningIdReplacesTheTask) {
  const File first = Slow();
  const File second = Gen(1 << 20);
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  ASSERT_EQ(Add(engine, first, 7), 7);
  ASSERT_TRUE(events_.WaitFor("OnProgress 7 "));
  ASSERT_EQ(Add(engine, second, 7), 7);
  ASSERT_TRUE(events_.WaitFor("OnSucceeded 7"));

  // The old task ends with its final events before the new one begins.
  const auto lines = events_.LinesOf(7);
  const auto attempt_end = IndexOf(lines, "OnAttemptEnd 7 0 13");
  const auto failed = IndexOf(lines, "OnFailed 7 13");
  const auto second_begin = IndexOf(lines, "OnThreadBegin 7", 1);
  ASSERT_GE(attempt_end, 0);
  ASSERT_GE(failed, attempt_end);
  ASSERT_GT(second_begin, failed);
  EXPECT_EQ(IndexOf(lines, "OnFileName 7 " + second.name), IndexOf(lines, "OnFileName 7 " + second.name, failed));
  EXPECT_EQ(engine.GetTaskCount(), 1);
  EXPECT_EQ(orbtest::FileMd5(second.target), Md5Hex(orbtest::GenBytes(0, 1 << 20)));
  EXPECT_TRUE(HasRecord(first, kSlowSize));
}

TEST_F(FacadeTest, RemoveAllTasksEndsEveryTask) {
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  EXPECT_FALSE(engine.RemoveAllTasks());  // nothing held: nothing queued
  const File a = Slow();
  const File b = Slow();
  ASSERT_EQ(Add(engine, a, 1), 1);
  ASSERT_EQ(Add(engine, b, 2), 2);
  ASSERT_TRUE(events_.WaitFor("OnProgress 1 "));
  ASSERT_TRUE(events_.WaitFor("OnProgress 2 "));
  ASSERT_TRUE(engine.RemoveAllTasks());
  EXPECT_TRUE(events_.WaitFor("OnFailed 1 13"));
  EXPECT_TRUE(events_.WaitFor("OnFailed 2 13"));
  EXPECT_TRUE(orbtest::Eventually([&] { return engine.GetTaskCount() == 0; }));
}

// Shutdown ends every download before it returns (they would otherwise run on into the
// process's exit) and refuses what comes after it.
TEST_F(FacadeTest, ShutdownLeavesNothingRunning) {
  DownloaderManager engine(FastSettings());
  engine.SetCallback(&events_);
  const File a = Slow();
  const File b = Slow();
  const File queued = Slow();
  ASSERT_EQ(Add(engine, a, 1), 1);
  ASSERT_EQ(Add(engine, b, 2), 2);
  ASSERT_TRUE(events_.WaitFor("OnProgress 1 "));
  ASSERT_TRUE(events_.WaitFor("OnProgress 2 "));
  ASSERT_EQ(Add(engine, queued, 3), 3);  // may still be in the queue when Shutdown starts
  engine.Shutdown();

  EXPECT_EQ(engine.GetTaskCount(), 0);
  EXPECT_TRUE(events_.Has("OnFailed 1 13"));
  EXPECT_TRUE(events_.Has("OnFailed 2 13"));
  EXPECT_TRUE(HasRecord(a, kSlowSize));
  EXPECT_TRUE(HasRecord(b, kSlowSize));

  const File late = Gen(1 << 20);
  EXPECT_EQ(Add(engine, late, 4), -1);
  EXPECT_FALSE(engine.CancelTask(1));
  EXPECT_FALSE(engine.RemoveTask(1));
  EXPECT_FALSE(engine.RemoveAllTasks());
  const std::size_t count = events_.Count();
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(events_.Count(), count);
  EXPECT_TRUE(events_.LinesOf(4).empty());
  EXPECT_TRUE(server_.Requests(late.name).empty());
  engine.Shutdown();  // twice is harmless
}

TEST_F(FacadeTest, DestroyingWithoutShutdownStopsEverythingSilently) {
  const File file = Slow();
  {
    DownloaderManager engine(FastSettings());
    engine.SetCallback(&events_);
    ASSERT_EQ(Add(engine, file, 1), 1);
    ASSERT_TRUE(events_.WaitFor("OnProgress 1 "));
  }
  // The download was cancelled and waited for; its owner, being destroyed, heard no more.
  EXPECT_TRUE(HasRecord(file, kSlowSize));
  EXPECT_FALSE(events_.Has("OnFailed 1"));
  const std::size_t count = events_.Count();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(events_.Count(), count);
}

// A callback runs on the download thread that a removal waits for; asking the engine from
// there must not hang.
TEST_F(FacadeTest, CallbackMayQueryTheEngineWhileItsTaskIsRemoved) {
  const File file = Slow();
  DownloaderManager engine(FastSettings());
  std::atomic<int> answered{0};
  events_.on_line = [&](const std::string& line) {
    if (line.rfind("OnAttemptEnd 1", 0) != 0) return;
    DownloadTaskInfo info;
    engine.QueryTask(1, info);
    engine.GetTaskCount();
    engine.RemoveTaskIfPresent(1);
    ++answered;
  };
  engine.SetCallback(&events_);
  ASSERT_EQ(Add(engine, file, 1), 1);
  ASSERT_TRUE(events_.WaitFor("OnProgress 1 "));
  ASSERT_TRUE(engine.RemoveTask(1));
  ASSERT_TRUE(events_.WaitFor("OnFailed 1 13", 30s));
  EXPECT_EQ(answered.load(), 1);
  engine.Shutdown();
  events_.on_line = nullptr;
}

}  // namespace
