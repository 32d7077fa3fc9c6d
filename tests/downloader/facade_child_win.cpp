#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "common/text_convert.h"
#include "tests/downloader/facade_child.h"

namespace orbtest {

namespace {
// One argument as CommandLineToArgvW reads it back.
std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

void CloseIfOpen(HANDLE& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}
}  // namespace

struct ChildProcess::Impl {
  HANDLE process = nullptr;
  HANDLE out = nullptr;  // read end of the child's stdout
  std::string buffer;
  bool eof = false;
  bool killed = false;
  std::optional<int> status;
  std::wstring error_file;
};

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::pair<std::string, std::string>>& env)
    : impl_(std::make_unique<Impl>()) {
  wchar_t temp_dir[MAX_PATH];
  wchar_t temp_file[MAX_PATH];
  GetTempPathW(MAX_PATH, temp_dir);
  GetTempFileNameW(temp_dir, L"orb", 0, temp_file);
  impl_->error_file = temp_file;

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE error = CreateFileW(temp_file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (error == INVALID_HANDLE_VALUE || !CreatePipe(&read_end, &write_end, &inherit, 0)) {
    CloseIfOpen(error);
    return;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  std::wstring command_line;
  for (const auto& arg : argv) command_line += (command_line.empty() ? L"" : L" ") + Quote(Utf8ToWide(arg));

  // The test's environment with `env` replacing or adding its names.
  std::wstring block;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
      const std::wstring text = entry;
      bool replaced = false;
      for (const auto& [name, value] : env) {
        const std::wstring prefix = Utf8ToWide(name) + L"=";
        replaced = replaced || _wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
      }
      if (!replaced) block += text + L'\0';
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const auto& [name, value] : env) block += Utf8ToWide(name + "=" + value) + L'\0';
  block += L'\0';

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = error;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                     block.data(), nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    impl_->process = info.hProcess;
    impl_->out = read_end;
  } else {
    CloseHandle(read_end);
  }
  CloseHandle(write_end);
  CloseHandle(error);
}

ChildProcess::~ChildProcess() {
  if (impl_->process != nullptr && !impl_->status) {
    Kill();
    Wait();
  }
  CloseIfOpen(impl_->out);
  CloseIfOpen(impl_->process);
  DeleteFileW(impl_->error_file.c_str());
}

bool ChildProcess::Started() const { return impl_->process != nullptr; }

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto newline = impl_->buffer.find('\n');
    if (newline != std::string::npos) {
      std::string line = impl_->buffer.substr(0, newline);
      impl_->buffer.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
      return line;
    }
    if (impl_->eof || impl_->out == nullptr) return std::nullopt;
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    DWORD available = 0;
    if (!PeekNamedPipe(impl_->out, nullptr, 0, nullptr, &available, nullptr)) {
      impl_->eof = true;  // the child closed its end
      continue;
    }
    if (available == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    char block[4096];
    DWORD got = 0;
    if (!ReadFile(impl_->out, block, std::min<DWORD>(available, sizeof(block)), &got, nullptr) || got == 0) {
      impl_->eof = true;
    } else {
      impl_->buffer.append(block, got);
    }
  }
}

// Ctrl-C reaches only processes sharing the sender's console; not sent from here.
bool ChildProcess::Interrupt() { return false; }

void ChildProcess::Kill() {
  if (impl_->process != nullptr && !impl_->status) {
    impl_->killed = true;
    TerminateProcess(impl_->process, 1);
  }
}

int ChildProcess::Wait() {
  if (impl_->process == nullptr) return -1;
  while (ReadLine(std::chrono::seconds(600))) {
  }
  if (!impl_->status) {
    WaitForSingleObject(impl_->process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(impl_->process, &code);
    impl_->status = impl_->killed ? -1 : static_cast<int>(code);
  }
  return *impl_->status;
}

std::string ChildProcess::ErrorText() const {
  std::ifstream in(std::filesystem::path(impl_->error_file));
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace orbtest
