// Starts the real program as a child process with a private temporary folder and reads
// the log it leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

fs::path ProgramPath() {
  std::wstring self(32768, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  // <build>/tests/app/app_entry_test.exe -> <build>/app/KorvaneLumetraSetup.exe
  return fs::path(self).parent_path().parent_path().parent_path() / "app" / "KorvaneLumetraSetup.exe";
}

// Runs the program with `arguments` and TMP/TEMP pointing at `temp`; returns its exit code.
DWORD RunProgram(const std::wstring& arguments, const fs::path& temp) {
  // This process's environment with TMP and TEMP replaced.
  std::wstring env;
  const std::unique_ptr<wchar_t, decltype(&::FreeEnvironmentStringsW)> block(::GetEnvironmentStringsW(),
                                                                           &::FreeEnvironmentStringsW);
  for (const wchar_t* entry = block.get(); *entry; entry += wcslen(entry) + 1) {
    if (_wcsnicmp(entry, L"TMP=", 4) != 0 && _wcsnicmp(entry, L"TEMP=", 5) != 0) env.append(entry).push_back(L'\0');
  }
  for (const wchar_t* name : {L"TMP=", L"TEMP="}) env.append(name + temp.wstring()).push_back(L'\0');
  env.push_back(L'\0');
  std::wstring command = L"\"" + ProgramPath().wstring() + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        env.data(), nullptr, &si, &pi)) {
    ADD_FAILURE() << "CreateProcess failed: " << ::GetLastError();
    return ~0u;
  }
  const std::unique_ptr<void, decltype(&::CloseHandle)> process(pi.hProcess, &::CloseHandle);
  const std::unique_ptr<void, decltype(&::CloseHandle)> thread(pi.hThread, &::CloseHandle);
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = ~0u;
  ::GetExitCodeProcess(pi.hProcess, &code);
  return code;
}

}  // namespace

TEST(Entry, NormalStartWritesTheStartLineToKvOrbLog) {
  ASSERT_TRUE(fs::exists(ProgramPath())) << ProgramPath();
  orbtest::TempDir temp;
  EXPECT_EQ(RunProgram(L"", temp.path()), 0u);
  const std::string log = orbtest::TempDir::read(temp.path() / "Korvane" / "ORB" / "kvORB.log");
  EXPECT_NE(log.find(" - [INFO] start, fork=[0].\r\n"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(temp.path() / "Korvane" / "ORB" / "kvForkORB.log"));
}

TEST(Entry, LoadsTheEmbeddedProductDocumentAndStringTable) {
  orbtest::TempDir temp;
  EXPECT_EQ(RunProgram(L"", temp.path()), 0u);
  const std::string log = orbtest::TempDir::read(temp.path() / "Korvane" / "ORB" / "kvORB.log");
  for (const char* line : {" - [INFO] LoadLocalXml\r\n", " - [INFO] config folder=[", " - [INFO] product=[Korvane Lumetra] id=[1901]",
                           " - [INFO] loadLangXML\r\n", " strings=[88]."}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }
  EXPECT_LT(log.find("[INFO] start, fork="), log.find("[INFO] LoadLocalXml"));
  EXPECT_LT(log.find("[INFO] LoadLocalXml"), log.find("[INFO] loadLangXML"));
  EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;
}

TEST(Entry, ForkModeLogsToItsOwnFileAndASecondStartRotates) {
  orbtest::TempDir temp;
  const std::wstring fork = L"OnlyForkInstallDependent=1 HostLang=\"English\" HostHwnd=1234";
  EXPECT_EQ(RunProgram(fork, temp.path()), 0u);
  EXPECT_EQ(RunProgram(fork, temp.path()), 0u);
  const fs::path folder = temp.path() / "Korvane" / "ORB";
  const std::string log = orbtest::TempDir::read(folder / "kvForkORB.log");
  EXPECT_NE(log.find(" - [INFO] start, fork=[1].\r\n"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(folder / "kvORB.log"));
  int dated = 0;
  for (const auto& e : fs::directory_iterator(folder)) dated += e.path().filename().string().rfind("kvForkORB_", 0) == 0;
  EXPECT_EQ(dated, 1);
}
