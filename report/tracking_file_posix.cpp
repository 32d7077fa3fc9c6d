#include "report/tracking_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "report/tracking_text.h"

bool WriteNewFile(const std::wstring& path, std::string_view bytes) {
  const std::string name = WideToUtf8Lenient(path);
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  ok = (::close(fd) == 0) && ok;
  if (!ok) ::unlink(name.c_str());
  return ok;
}
