// Windows whole-file I/O through the Win32 file API.
#include "common/file_io.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace {

std::wstring ErrorText(DWORD code) {
  wchar_t buffer[1024] = {};
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring text(buffer, length);
  const size_t line_end = text.find_first_of(L"\r\n");
  if (line_end != std::wstring::npos) text.resize(line_end);
  if (text.empty()) text = L"System error " + std::to_wstring(code);
  return text;
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// Bounded so that one call never exceeds what a DWORD count can describe.
constexpr DWORD kChunk = 1u << 20;

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& error) {
  bytes.clear();
  const Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    error = ErrorText(::GetLastError());
    return false;
  }
  LARGE_INTEGER size = {};
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 &&
      static_cast<unsigned long long>(size.QuadPart) < bytes.max_size()) {
    bytes.reserve(static_cast<size_t>(size.QuadPart));
  }
  std::string buffer(kChunk, '\0');
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer.data(), kChunk, &got, nullptr)) {
      error = ErrorText(::GetLastError());
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer.data(), got);
  }
  return true;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes, std::wstring& error) {
  const Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  if (!file.valid()) {
    error = ErrorText(::GetLastError());
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunk));
    DWORD put = 0;
    if (!::WriteFile(file.get(), bytes.data() + done, want, &put, nullptr)) {
      error = ErrorText(::GetLastError());
      return false;
    }
    if (put == 0) {  // no progress: give up rather than spin
      error = ErrorText(ERROR_WRITE_FAULT);
      return false;
    }
    done += put;
  }
  return true;
}
