// A window whose layout cannot be built shows the framework's message box and ends
// its process with exit code 1; the framework's log has the creation lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Handle = std::unique_ptr<void, decltype(&::CloseHandle)>;

fs::path ChildPath() {
  std::wstring self(32768, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return fs::path(self).parent_path() / "ui_layout_failure_child.exe";
}

// This process's environment with TMP and TEMP pointing at `temp`.
std::wstring EnvironmentWithTemp(const fs::path& temp) {
  std::wstring env;
  const std::unique_ptr<wchar_t, decltype(&::FreeEnvironmentStringsW)> block(::GetEnvironmentStringsW(),
                                                                           &::FreeEnvironmentStringsW);
  for (const wchar_t* e = block.get(); *e; e += wcslen(e) + 1) {
    if (_wcsnicmp(e, L"TMP=", 4) != 0 && _wcsnicmp(e, L"TEMP=", 5) != 0) env.append(e).push_back(L'\0');
  }
  for (const wchar_t* name : {L"TMP=", L"TEMP="}) env.append(name + temp.wstring()).push_back(L'\0');
  env.push_back(L'\0');
  return env;
}

struct BoxSeen {
  std::vector<std::wstring> texts;  // of the box's child windows
};

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
  wchar_t text[512] = {};
  ::GetWindowTextW(child, text, 512);
  reinterpret_cast<BoxSeen*>(param)->texts.emplace_back(text);
  return TRUE;
}

// Waits for the box titled "SkinUI", reads it and presses its button.
BoxSeen AnswerBox(HANDLE child) {
  BoxSeen seen;
  for (int i = 0; i < 400; ++i) {
    if (const HWND box = ::FindWindowW(L"#32770", L"SkinUI")) {
      ::EnumChildWindows(box, &CollectText, reinterpret_cast<LPARAM>(&seen));
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      return seen;
    }
    if (::WaitForSingleObject(child, 25) == WAIT_OBJECT_0) break;
  }
  return seen;
}

}  // namespace

TEST(LayoutFailure, MessageBoxNamesTheDocumentAndTheProcessExitsWithOne) {
  ASSERT_TRUE(fs::exists(ChildPath())) << ChildPath();
  const std::wstring expected = L"\x52A0\x8F7D\x8D44\x6E90\x6587\x4EF6\x5931\x8D25\xFF1A" L"broken.xml";
  for (const char* kind : {"missing", "broken"}) {
    SCOPED_TRACE(kind);
    orbtest::TempDir temp;
    std::wstring env = EnvironmentWithTemp(temp.path());
    std::wstring command = L"\"" + ChildPath().wstring() + L"\" " + std::wstring(kind, kind + strlen(kind));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                                 env.data(), nullptr, &si, &pi));
    const Handle process(pi.hProcess, &::CloseHandle);
    const Handle thread(pi.hThread, &::CloseHandle);

    const BoxSeen box = AnswerBox(pi.hProcess);
    EXPECT_NE(std::find(box.texts.begin(), box.texts.end(), expected), box.texts.end());
    ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 1u);

    const std::string log = orbtest::TempDir::read(temp.path() / "vevovozi.log");
    const std::string stamp = R"(\[\d{4}-\d\d-\d\d \d{1,2}:\d\d:\d\d\] )";
    EXPECT_TRUE(std::regex_search(log, std::regex(stamp + R"(\[INFO\] \d+ - OnCreate 1\r?\n)"))) << log;
    EXPECT_TRUE(std::regex_search(log, std::regex(stamp + R"(\[INFO\] \d+ - OnCreate 3\r?\n)"))) << log;
  }
}
