#include "app/log/simple_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", std::localtime(&now));
  return buf;
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t end; (end = text.find(kLineEnd, at)) != std::string::npos; at = end + strlen(kLineEnd))
    lines.push_back(text.substr(at, end - at));
  EXPECT_EQ(at, text.size()) << "text after the last line end";
  return lines;
}

// One start of the program: construct, open, write a line.
void Start(const std::string& path, const char* message = "[INFO] start, fork=[0].") {
  simpleLog log(path);
  log.Open();
  log.Write(kLogInfo, "%s", message);
}

}  // namespace

TEST(LogStamp, HourUnpaddedMinutesAndSecondsTwoDigits) {
  EXPECT_EQ(FormatLogStamp({2025, 3, 3, 9, 5, 7}), "[2025-03-03 9:05:07]");
  EXPECT_EQ(FormatLogStamp({2025, 12, 31, 23, 59, 0}), "[2025-12-31 23:59:00]");
  EXPECT_EQ(FormatLogStamp({2025, 1, 1, 0, 0, 0}), "[2025-01-01 0:00:00]");
}

TEST(SimpleLog, FirstRunCreatesTheLogWithOneWholeLine) {
  orbtest::TempDir dir;
  const std::string path = dir.narrow() + "kvORB.log";
  Start(path, "[INFO] MessageLoop");

  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"kvORB.log"});
  const auto lines = Lines(orbtest::TempDir::read(path));
  ASSERT_EQ(lines.size(), 1u);
  static const std::regex line(R"(\[\d{4}-\d{2}-\d{2} \d{1,2}:\d{2}:\d{2}\] \d+ - \[INFO\] MessageLoop)");
  EXPECT_TRUE(std::regex_match(lines[0], line)) << lines[0];
}

TEST(SimpleLog, ThreeStartsOnOneDayLeaveNumberedDatedCopies) {
  orbtest::TempDir dir;
  const std::string path = dir.narrow() + "kvORB.log";
  for (int run = 0; run < 4; ++run) Start(path, ("[INFO] run " + std::to_string(run)).c_str());

  const std::string d = Today();
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"kvORB.log", "kvORB_" + d + ".log",
                                                      "kvORB_" + d + "_1.log", "kvORB_" + d + "_2.log"}));
  // Each dated copy holds the run that wrote it.
  EXPECT_NE(orbtest::TempDir::read(dir.path() / ("kvORB_" + d + ".log")).find("run 0"), std::string::npos);
  EXPECT_NE(orbtest::TempDir::read(dir.path() / ("kvORB_" + d + "_2.log")).find("run 2"), std::string::npos);
  EXPECT_NE(orbtest::TempDir::read(path).find("run 3"), std::string::npos);
}

TEST(SimpleLog, PurgeKeepsTheFiveNewestOfItsOwnFilesOnly) {
  orbtest::TempDir dir;
  const auto base = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
  // The current log is the newest; six dated copies, the first two the oldest.
  const std::vector<std::string> mine = {"kvORB_2025-01-01.log", "kvORB_2025-01-02.log", "kvORB_2025-01-03.log",
                                         "kvORB_2025-01-04.log", "kvORB_2025-01-05.log", "kvORB_2025-01-06.log",
                                         "kvORB.log"};
  for (size_t i = 0; i < mine.size(); ++i) {
    fs::last_write_time(dir.write(mine[i], "x"), base + std::chrono::hours(static_cast<int>(i)));
  }
  // Older files of other logs and other kinds are never touched.
  for (const char* other : {"kvForkORB.log", "kvForkORB_2024-01-01.log", "kvORB_notes.txt", "setup.log"}) {
    fs::last_write_time(dir.write(other, "x"), base - std::chrono::hours(100));
  }

  Start(dir.narrow() + "kvORB.log");

  const auto names = Names(dir.path());
  EXPECT_FALSE(names.count("kvORB_2025-01-01.log"));
  EXPECT_FALSE(names.count("kvORB_2025-01-02.log"));
  for (const char* kept : {"kvORB_2025-01-03.log", "kvORB_2025-01-06.log", "kvForkORB.log",
                           "kvForkORB_2024-01-01.log", "kvORB_notes.txt", "setup.log"}) {
    EXPECT_TRUE(names.count(kept)) << kept;
  }
  // Five survivors (the current log now under today's name) plus the new current log.
  EXPECT_TRUE(names.count("kvORB_" + Today() + ".log"));
  EXPECT_TRUE(names.count("kvORB.log"));
  EXPECT_EQ(names.size(), 6u + 4u);
}

TEST(SimpleLog, ForkModeRotatesOnlyItsOwnLog) {
  orbtest::TempDir dir;
  dir.write("kvORB.log", "normal\n");
  dir.write("kvForkORB.log", "fork\n");
  Start(dir.narrow() + "kvForkORB.log");

  EXPECT_EQ(Names(dir.path()),
            (std::set<std::string>{"kvORB.log", "kvForkORB.log", "kvForkORB_" + Today() + ".log"}));
  EXPECT_EQ(orbtest::TempDir::read(dir.path() / "kvORB.log"), "normal\n");
}

TEST(SimpleLog, ConcurrentWritersProduceWholeLines) {
  orbtest::TempDir dir;
  const std::string path = dir.narrow() + "kvORB.log";
  simpleLog log(path);
  log.Open();
  constexpr int kThreads = 4, kLines = 200;
  const std::string payload(300, 'p');
  {
    std::vector<std::jthread> writers;
    for (int t = 0; t < kThreads; ++t)
      writers.emplace_back([&, t] {
        for (int i = 0; i < kLines; ++i) log.Write(kLogWarn, "[WARN] t=[%d] i=[%d] %s", t, i, payload.c_str());
      });
  }
  const auto lines = Lines(orbtest::TempDir::read(path));
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  static const std::regex line(R"(\[[-0-9]+ [0-9:]+\] \d+ - \[WARN\] t=\[(\d)\] i=\[(\d+)\] p{300})");
  std::vector<int> next(kThreads, 0);
  for (const auto& l : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l, m, line)) << l;
    // Each writer's lines appear in its own order.
    const int t = std::stoi(m[1]);
    EXPECT_EQ(std::stoi(m[2]), next[t]++);
  }
}

TEST(SimpleLog, EmptyNameIsAnnouncedAndLinesAreDropped) {
  testing::internal::CaptureStdout();
  simpleLog log("");
  log.Open();
  log.Write(kLogError, "[ERROR] lost");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[simpleLog::Log] log filename is empty\n");
}

TEST(SimpleLog, GlobalLogLineIsSkippedUntilTheLogExists) {
  orbtest::TempDir dir;
  ASSERT_EQ(g_simpleLog, nullptr);
  LogLine(kLogInfo, "[INFO] before");  // must not crash
  simpleLog log(dir.narrow() + "kvORB.log");
  log.Open();
  g_simpleLog = &log;
  LogLine(kLogInfo, "[INFO] value=[%s] n=[%d]", "v", 42);
  g_simpleLog = nullptr;
  const std::string text = orbtest::TempDir::read(dir.path() / "kvORB.log");
  EXPECT_EQ(text.find("before"), std::string::npos);
  EXPECT_NE(text.find(" - [INFO] value=[v] n=[42]"), std::string::npos);
}
