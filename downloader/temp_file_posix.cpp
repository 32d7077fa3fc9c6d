#include "downloader/temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "app/log/simple_log.h"
#include "common/hex.h"
#include "common/md5.h"
#include "common/text_convert.h"
#include "common/unique_fd_posix.h"

namespace ns_PLX {
namespace {

std::string Native(const std::wstring& path) { return WideToUtf8(path); }

using Fd = UniqueFd;

bool WriteAll(int fd, std::int64_t offset, const char* data, std::int64_t length) {
  while (length > 0) {
    const ssize_t n = ::pwrite(fd, data, static_cast<std::size_t>(length), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    data += n;
    offset += n;
    length -= n;
  }
  return true;
}

}  // namespace

int TempFileHandle::Open(const std::wstring& path) {
  Close();
  const int fd = ::open(Native(path).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno;
  native_ = fd;
  return 0;
}

void TempFileHandle::Close() {
  if (native_ != kInvalid) ::close(static_cast<int>(native_));
  native_ = kInvalid;
}

int TempFileHandle::WriteAt(std::int64_t offset, const char* data, std::int64_t length,
                            bool set_end, WriteStep& failed) {
  failed = WriteStep::kNone;
  if (!IsOpen() || offset < 0 || length < 0) {
    failed = WriteStep::kSeek;
    return EBADF;
  }
  const int fd = static_cast<int>(native_);
  if (!WriteAll(fd, offset, data, length)) {
    failed = WriteStep::kWrite;
    return errno;
  }
  if (set_end && ::ftruncate(fd, static_cast<off_t>(offset + length)) != 0) {
    failed = WriteStep::kSetEnd;
    return errno;
  }
  return 0;
}

CreateResult CreateSizedFile(const std::wstring& path, std::int64_t size) {
  CreateResult result;
  if (path.empty() || size < 0) {
    result.kind = kCreateFailed;
    result.error = EINVAL;
    return result;
  }
  const std::string native = Native(path);
  const std::string shown = WideToAnsi(path);
  if (FileExists(path) && ::unlink(native.c_str()) != 0) {
    LogLine(kLogWarn, "[WARN] before create, delete file=[%s], error=[%d].", shown.c_str(), errno);
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(native).parent_path(), ignored);

  Fd fd(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  result.error = fd.get() < 0 ? errno : 0;
  LogLine(kLogInfo, "[INFO] create file=[%s], hFile=[%d], error=[%d].", shown.c_str(), fd.get(),
          result.error);
  if (fd.get() < 0) {
    result.kind = kCreateFailed;
    return result;
  }
  if (size > 0) {
    // Reserves the blocks, so that a full disk shows now rather than mid-download.
    const int reserved = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(size));
    if (reserved == ENOSPC || reserved == EFBIG) {
      result = {kCreateNoSpace, reserved};
    } else if (reserved != 0 && ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) {
      // A file system without reservation still gets the file's length.
      result = {errno == ENOSPC || errno == EFBIG ? kCreateNoSpace : kCreateFailed, errno};
    } else {
      struct stat info {};
      if (::fstat(fd.get(), &info) != 0 || info.st_size != size) result = {kCreateFailed, errno};
    }
  }
  if (::close(fd.release()) != 0 && result.kind == kCreateOk) result = {kCreateFailed, errno};
  if (result.kind != kCreateOk) ::unlink(native.c_str());
  return result;
}

bool FileExists(const std::wstring& path) {
  struct stat info {};
  return !path.empty() && ::stat(Native(path).c_str(), &info) == 0;
}

std::optional<std::int64_t> FileLength(const std::wstring& path) {
  struct stat info {};
  if (path.empty() || ::stat(Native(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(info.st_size);
}

bool ReadFileAt(const std::wstring& path, std::int64_t offset, std::int64_t length,
                std::string& bytes) {
  bytes.clear();
  if (offset < 0 || length < 0) return false;
  Fd fd(::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  bytes.resize(static_cast<std::size_t>(length));
  std::int64_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd.get(), bytes.data() + done, static_cast<std::size_t>(length - done),
                              static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      bytes.clear();
      return false;
    }
    done += n;
  }
  return true;
}

int TruncateFile(const std::wstring& path, std::int64_t length) {
  Fd fd(::open(Native(path).c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  if (::ftruncate(fd.get(), static_cast<off_t>(length)) != 0) return errno;
  return ::close(fd.release()) == 0 ? 0 : errno;
}

int DeleteFilePath(const std::wstring& path) {
  if (::unlink(Native(path).c_str()) == 0 || errno == ENOENT) return 0;
  return errno;
}

int RenameFilePath(const std::wstring& from, const std::wstring& to, int& call_result) {
  call_result = ::rename(Native(from).c_str(), Native(to).c_str());
  return call_result == 0 ? 0 : errno;
}

void SetHiddenAttribute(const std::wstring&, bool) {}

bool IsLockedError(int) { return false; }

void LogLockingProcesses(const std::wstring&) {}

std::optional<std::string> FileMd5Upper(const std::wstring& path) {
  Fd fd(::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  Md5 md5;
  std::vector<char> block(1 << 20);
  for (;;) {
    const ssize_t n = ::read(fd.get(), block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    md5.Update(block.data(), static_cast<std::size_t>(n));
  }
  const auto digest = md5.Final();
  return ToHex(digest, true);
}

char PathSeparator() { return '/'; }

}  // namespace ns_PLX
