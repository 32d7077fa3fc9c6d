#include "downloader/temp_file.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/log/simple_log.h"
#include "common/hex.h"
#include "common/md5.h"
#include "common/text_convert.h"
#include "platform/file_lock.h"

namespace ns_PLX {
namespace {

constexpr DWORD kSharingViolation = 32;
constexpr DWORD kUserMappedFile = 1224;
constexpr DWORD kAlreadyExists = 183;
constexpr DWORD kNegativeSeek = 131;
constexpr DWORD kMaxChunk = 1u << 30;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  // Closes now; false when closing failed.
  bool close() {
    const bool ok = !valid() || ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

bool SeekTo(HANDLE file, std::int64_t offset, std::int64_t* arrived = nullptr) {
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  LARGE_INTEGER now{};
  if (!::SetFilePointerEx(file, to, &now, FILE_BEGIN)) return false;
  if (arrived) *arrived = now.QuadPart;
  return true;
}

HANDLE OpenForReading(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int TempFileHandle::Open(const std::wstring& path) {
  Close();
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
  native_ = reinterpret_cast<std::intptr_t>(file);
  return 0;
}

void TempFileHandle::Close() {
  if (native_ != kInvalid) ::CloseHandle(reinterpret_cast<HANDLE>(native_));
  native_ = kInvalid;
}

int TempFileHandle::WriteAt(std::int64_t offset, const char* data, std::int64_t length,
                            bool set_end, WriteStep& failed) {
  failed = WriteStep::kNone;
  if (!IsOpen() || offset < 0 || length < 0) {
    failed = WriteStep::kSeek;
    return ERROR_INVALID_HANDLE;
  }
  const HANDLE file = reinterpret_cast<HANDLE>(native_);
  if (!SeekTo(file, offset)) {
    failed = WriteStep::kSeek;
    return static_cast<int>(::GetLastError());
  }
  while (length > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(length, kMaxChunk));
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
      failed = WriteStep::kWrite;
      const DWORD error = ::GetLastError();
      return static_cast<int>(error != 0 ? error : ERROR_DISK_FULL);
    }
    data += written;
    length -= written;
  }
  if (set_end && !::SetEndOfFile(file)) {
    failed = WriteStep::kSetEnd;
    return static_cast<int>(::GetLastError());
  }
  return 0;
}

CreateResult CreateSizedFile(const std::wstring& path, std::int64_t size) {
  CreateResult result;
  if (path.empty() || size < 0) {
    result = {kCreateFailed, ERROR_INVALID_PARAMETER};
    return result;
  }
  const std::string shown = WideToAnsi(path);
  if (FileExists(path) && !::DeleteFileW(path.c_str())) {
    LogLine(kLogWarn, "[WARN] before create, delete file=[%s], error=[%d].", shown.c_str(),
            static_cast<int>(::GetLastError()));
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);

  HANDLE created = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD error = ::GetLastError();
  LogLine(kLogInfo, "[INFO] create file=[%s], hFile=[%d], error=[%d].", shown.c_str(),
          static_cast<int>(reinterpret_cast<std::intptr_t>(created)), static_cast<int>(error));
  if (created == INVALID_HANDLE_VALUE && error == kAlreadyExists) {
    created = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = ::GetLastError();
    LogLine(kLogInfo, "[INFO] open file=[%s] for write, hFile=[%d], error=[%d].", shown.c_str(),
            static_cast<int>(reinterpret_cast<std::intptr_t>(created)), static_cast<int>(error));
  }
  Handle file(created);
  if (!file.valid()) {
    result = {kCreateFailed, static_cast<int>(error)};
    return result;
  }
  result.error = 0;
  if (size > 0) {
    std::int64_t arrived = 0;
    if (!SeekTo(file.get(), size, &arrived)) {
      error = ::GetLastError();
      result = {error == kNegativeSeek ? kCreateNoSpace : kCreateFailed, static_cast<int>(error)};
    } else if (arrived != size) {
      result = {kCreateFailed, static_cast<int>(::GetLastError())};
    } else if (!::SetEndOfFile(file.get())) {
      // The file system reserves the space here: a full disk fails now.
      result = {kCreateNoSpace, static_cast<int>(::GetLastError())};
    }
  }
  if (!file.close() && result.kind == kCreateOk) {
    result = {kCreateFailed, static_cast<int>(::GetLastError())};
  }
  if (result.kind != kCreateOk) ::DeleteFileW(path.c_str());
  return result;
}

bool FileExists(const std::wstring& path) {
  return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::int64_t> FileLength(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                   data.nFileSizeLow);
}

bool ReadFileAt(const std::wstring& path, std::int64_t offset, std::int64_t length,
                std::string& bytes) {
  bytes.clear();
  if (offset < 0 || length < 0) return false;
  const Handle file(OpenForReading(path));
  if (!file.valid() || !SeekTo(file.get(), offset)) return false;
  bytes.resize(static_cast<std::size_t>(length));
  std::int64_t done = 0;
  while (done < length) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(length - done, kMaxChunk));
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) {
      bytes.clear();
      return false;
    }
    done += read;
  }
  return true;
}

int TruncateFile(const std::wstring& path, std::int64_t length) {
  Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return static_cast<int>(::GetLastError());
  if (!SeekTo(file.get(), length) || !::SetEndOfFile(file.get())) {
    return static_cast<int>(::GetLastError());
  }
  return file.close() ? 0 : static_cast<int>(::GetLastError());
}

int DeleteFilePath(const std::wstring& path) {
  if (::DeleteFileW(path.c_str())) return 0;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : static_cast<int>(error);
}

int RenameFilePath(const std::wstring& from, const std::wstring& to, int& call_result) {
  call_result = ::MoveFileW(from.c_str(), to.c_str());
  return call_result != 0 ? 0 : static_cast<int>(::GetLastError());
}

void SetHiddenAttribute(const std::wstring& path, bool hidden) {
  ::SetFileAttributesW(path.c_str(), hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL);
}

bool IsLockedError(int error) {
  return error == static_cast<int>(kSharingViolation) || error == static_cast<int>(kUserMappedFile);
}

void LogLockingProcesses(const std::wstring& path) { FindLockingProcesses(path); }

std::optional<std::string> FileMd5Upper(const std::wstring& path) {
  const Handle file(OpenForReading(path));
  if (!file.valid()) return std::nullopt;
  Md5 md5;
  std::vector<char> block(1 << 20);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) {
      return std::nullopt;
    }
    if (read == 0) break;
    md5.Update(block.data(), read);
  }
  return ToHex(md5.Final(), true);
}

char PathSeparator() { return '\\'; }

}  // namespace ns_PLX
