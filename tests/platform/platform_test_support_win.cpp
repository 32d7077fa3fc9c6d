#include "tests/platform/platform_test_support.h"

#include <gtest/gtest.h>

#include <chrono>

#include "common/text_convert.h"
#include "platform/registry.h"
#include "tests/support/test_server.h"

namespace pftest {

LogCapture::LogCapture() : log_(dir_.narrow() + "capture.log") {
  log_.Open();
  g_simpleLog = &log_;
}

LogCapture::~LogCapture() { g_simpleLog = nullptr; }

std::string LogCapture::Text() const { return orbtest::TempDir::read(dir_.path() / "capture.log"); }

std::vector<std::string> LogCapture::Messages() const {
  std::vector<std::string> messages;
  const std::string text = Text();
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    // "[stamp] <thread> - message"
    const size_t dash = line.find(" - ");
    if (!line.empty() && line[0] == '[' && dash != std::string::npos) line = line.substr(dash + 3);
    messages.push_back(line);
    at = end + 2;
  }
  return messages;
}

std::wstring UniqueName(const wchar_t* prefix) { return prefix + Utf8ToWide(orbtest::UniqueTag()); }

std::filesystem::path TestFolder() {
  std::wstring self(32768, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return std::filesystem::path(self).parent_path();
}

std::filesystem::path Helper(const wchar_t* file_name) { return TestFolder() / file_name; }

std::filesystem::path HelperCopy(const wchar_t* file_name, const std::filesystem::path& folder,
                                 const std::wstring& new_name) {
  const std::filesystem::path copy = folder / new_name;
  EXPECT_TRUE(::CopyFileW(Helper(file_name).c_str(), copy.c_str(), FALSE)) << ::GetLastError();
  return copy;
}

TestKey::TestKey() : path_(L"Software\\" + UniqueName(L"OrbTest-")) {}

TestKey::~TestKey() {
  for (const RegView view : {RegView::k32, RegView::k64}) {
    EXPECT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, path_, view));
  }
  EXPECT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, path_));
}

std::wstring TestKey::Leaf() const { return path_.substr(path_.find_last_of(L'\\') + 1); }

ChildProcess::ChildProcess(const std::wstring& command_line) {
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcess failed: " << ::GetLastError();
    return;
  }
  ::CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  pid_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
  if (!process_) return;
  ::TerminateProcess(process_.get(), 1);
  ::WaitForSingleObject(process_.get(), 5000);
}

std::wstring Quoted(const std::filesystem::path& path) { return L"\"" + path.wstring() + L"\""; }

HWND FindDialog(DWORD thread_id) {
  HWND found = nullptr;
  ::EnumThreadWindows(
      thread_id,
      [](HWND window, LPARAM out) {
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (!::IsWindowVisible(window) || std::wstring_view(name) != L"#32770") return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

DialogCloser::DialogCloser(DWORD thread_id, int command)
    : thread_([this, thread_id, command] {
        while (!stop_) {
          if (HWND dialog = FindDialog(thread_id)) {
            ::PostMessageW(dialog, WM_COMMAND, command, 0);
            ++closed_;
            while (!stop_ && ::IsWindow(dialog)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
      }) {}

DialogCloser::~DialogCloser() {
  stop_ = true;
  thread_.join();
}

}  // namespace pftest
