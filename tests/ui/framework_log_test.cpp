// The framework's own log: its line format and the renaming thread, run with a fast
// wake interval and a clock the test controls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "tests/support/temp_dir.h"
#include "ui/framework/core/framework_log.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct FakeClock {
  std::atomic<int> hour{23};
  LogTime operator()() const { return {2025, 3, 3, hour.load(), 5, 7}; }
};

uifw::LogRotation Fast(FakeClock& clock, std::chrono::milliseconds pause) {
  uifw::LogRotation r;
  r.wake_interval = 5ms;
  r.hour = 23;
  r.pause_after_rename = pause;
  r.now = [&clock] { return clock(); };
  return r;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

}  // namespace

TEST(FrameworkLog, LinesAreStampThenMessage) {
  orbtest::TempDir dir;
  FakeClock clock;
  clock.hour = 9;
  const std::string path = dir.narrow() + "vevovozi.log";
  {
    uifw::FrameworkLog log(path, Fast(clock, 1h));
    log.Write("[INFO] %d - OnCreate %d", 4312, 1);
    log.Write("[INFO] second");
  }
  const std::string text = orbtest::TempDir::read(path);
  EXPECT_TRUE(std::regex_match(text, std::regex("\\[2025-03-03 9:05:07\\] \\[INFO\\] 4312 - OnCreate 1\r?\n"
                                                "\\[2025-03-03 9:05:07\\] \\[INFO\\] second\r?\n")))
      << text;
}

TEST(FrameworkLog, RenamesOnlyANonEmptyLogInTheRenameHourThenPauses) {
  orbtest::TempDir dir;
  FakeClock clock;
  const std::string path = dir.narrow() + "vevovozi.log";
  const fs::path dated = dir.path() / "vevovozi.log.2025-03-03";
  const fs::path second = dir.path() / "vevovozi.log.2025-03-03.1";
  const fs::path third = dir.path() / "vevovozi.log.2025-03-03.2";

  uifw::FrameworkLog log(path, Fast(clock, 1000ms));
  dir.write("vevovozi.log", "");
  std::this_thread::sleep_for(60ms);  // a dozen wake-ups in the hour, but the log is empty
  EXPECT_FALSE(fs::exists(dated));
  clock.hour = 22;
  log.Write("before the hour");
  std::this_thread::sleep_for(60ms);
  EXPECT_FALSE(fs::exists(dated));

  clock.hour = 23;
  ASSERT_TRUE(WaitFor([&] { return fs::exists(dated); }));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_NE(orbtest::TempDir::read(dated).find("before the hour"), std::string::npos);

  // Within the pause a new log stays where it is; after it the next free name is used.
  const auto renamed_at = std::chrono::steady_clock::now();
  log.Write("after");
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(fs::exists(path));
  ASSERT_TRUE(WaitFor([&] { return fs::exists(second); }));
  EXPECT_GE(std::chrono::steady_clock::now() - renamed_at, 900ms);
  EXPECT_NE(orbtest::TempDir::read(second).find("after"), std::string::npos);
  EXPECT_FALSE(fs::exists(third));
}

TEST(FrameworkLog, StopsPromptlyDuringALongPause) {
  orbtest::TempDir dir;
  FakeClock clock;
  const std::string path = dir.narrow() + "vevovozi.log";
  const auto start = std::chrono::steady_clock::now();
  {
    uifw::FrameworkLog log(path, Fast(clock, 2h));
    log.Write("x");
    ASSERT_TRUE(WaitFor([&] { return fs::exists(dir.path() / "vevovozi.log.2025-03-03"); }));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(FrameworkLog, ProcessLogLivesInTheTemporaryFolder) {
  const std::string path = uifw::UiLogPath();
  EXPECT_EQ(fs::path(path).filename(), "vevovozi.log");
  EXPECT_EQ(&uifw::UiLog(), &uifw::UiLog());
  EXPECT_EQ(uifw::UiLog().Path(), path);
}
