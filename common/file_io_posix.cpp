// POSIX whole-file I/O: the wide path is taken as UTF-16 and opened as UTF-8.
#include "common/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "common/xml_utf.h"
#include "common/unique_fd_posix.h"

namespace {

std::wstring ErrorText(int code) {
  std::wstring text = XmlUtf8ToWide(std::generic_category().message(code));
  const size_t line_end = text.find_first_of(L"\r\n");
  if (line_end != std::wstring::npos) text.resize(line_end);
  return text;
}

using Fd = UniqueFd;

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& error) {
  bytes.clear();
  const std::string native = XmlWideToUtf8(path);
  Fd file(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    error = ErrorText(errno);
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      error = ErrorText(errno);
      bytes.clear();
      return false;
    }
    bytes.append(buffer, static_cast<size_t>(got));
  }
  return true;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes, std::wstring& error) {
  const std::string native = XmlWideToUtf8(path);
  Fd file(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.get() < 0) {
    error = ErrorText(errno);
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(file.get(), bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      error = ErrorText(errno);
      return false;
    }
    if (put == 0) {  // no progress: give up rather than spin
      error = ErrorText(EIO);
      return false;
    }
    done += static_cast<size_t>(put);
  }
  if (!file.Close()) {
    error = ErrorText(errno);
    return false;
  }
  return true;
}
