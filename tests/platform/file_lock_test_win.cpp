// Who holds a file open, through the Restart Manager. Wine's Restart Manager may know
// less than Windows: what it cannot show is skipped, not faked.
#include <windows.h>
#include <restartmanager.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "common/text_convert.h"
#include "platform/file_lock.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace std::chrono_literals;

std::vector<std::string> Warnings(const pftest::LogCapture& log) {
  std::vector<std::string> warnings;
  for (const std::string& line : log.Messages()) {
    if (line.starts_with("[WARN] ")) warnings.push_back(line);
  }
  return warnings;
}

// `count` sleepers holding `file` open.
std::vector<std::unique_ptr<pftest::ChildProcess>> Holders(const std::filesystem::path& file, int count) {
  std::vector<std::unique_ptr<pftest::ChildProcess>> holders;
  for (int i = 0; i < count; ++i) {
    holders.push_back(std::make_unique<pftest::ChildProcess>(pftest::Quoted(pftest::Helper(L"orb_test_sleeper.exe")) +
                                                             L" 30000 " + pftest::Quoted(file)));
  }
  std::this_thread::sleep_for(700ms);  // time to open the file
  for (const auto& holder : holders) {
    DWORD code = 0;
    EXPECT_TRUE(::GetExitCodeProcess(holder->handle(), &code) && code == STILL_ACTIVE) << "holder ended: " << code;
  }
  return holders;
}

// Whether this system's Restart Manager lists a process that holds a file, asked directly.
bool ManagerListsHolders() {
  static const bool lists = [] {
    orbtest::TempDir temp;
    const auto file = temp.write("probe.bin", "data");
    const auto holders = Holders(file, 1);
    DWORD session = 0;
    wchar_t key[CCH_RM_SESSION_KEY + 1] = {};
    if (::RmStartSession(&session, 0, key) != ERROR_SUCCESS) return false;
    LPCWSTR files[] = {file.c_str()};
    UINT needed = 0;
    UINT count = 0;
    DWORD reasons = 0;
    const bool listed = ::RmRegisterResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
                        ::RmGetList(session, &needed, &count, nullptr, &reasons) == ERROR_MORE_DATA && needed > 0;
    ::RmEndSession(session);
    return listed;
  }();
  return lists;
}

TEST(FindLockingProcessesTest, NamesTheOtherProcessHoldingTheFile) {
  if (!ManagerListsHolders()) GTEST_SKIP() << "this Restart Manager lists no process for a held file";
  orbtest::TempDir temp;
  const auto file = temp.write("held.bin", "data");
  const auto holders = Holders(file, 1);
  const pftest::LogCapture log;
  FindLockingProcesses(file.wstring());
  const auto warnings = Warnings(log);
  ASSERT_EQ(warnings.size(), 1u) << log.Text();
  const std::string expected_start = "[WARN] process=[" + std::to_string(holders[0]->pid()) + "][";
  EXPECT_TRUE(warnings[0].starts_with(expected_start)) << warnings[0];
  EXPECT_TRUE(warnings[0].ends_with("] locked the file=[" + WideToUtf8(file.wstring()) + "] ")) << warnings[0];
}

TEST(FindLockingProcessesTest, SilentForItselfAndForNobody) {
  orbtest::TempDir temp;
  const auto own = temp.write("own.bin", "data");
  const auto free = temp.write("free.bin", "data");
  winh::UniqueHandle mine(
      ::CreateFileW(own.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(mine);
  const pftest::LogCapture log;
  FindLockingProcesses(own.wstring());
  FindLockingProcesses(free.wstring());
  FindLockingProcesses((temp.path() / "missing.bin").wstring());
  EXPECT_TRUE(Warnings(log).empty()) << log.Text();
}

TEST(FindLockingProcessesTest, SilentForMoreThanTenHolders) {
  if (!ManagerListsHolders()) GTEST_SKIP() << "this Restart Manager lists no process for a held file";
  orbtest::TempDir temp;
  const auto crowded = temp.write("crowded.bin", "data");
  const auto holders = Holders(crowded, 11);
  const pftest::LogCapture log;
  FindLockingProcesses(crowded.wstring());
  EXPECT_TRUE(Warnings(log).empty()) << log.Text();
}

}  // namespace
