#pragma once
// Owns a POSIX file descriptor: closed on every path out of a scope.
#include <unistd.h>

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  // Hands the descriptor to the caller, who closes it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now so that a failed close (a delayed write error) can be reported.
  bool Close() { return ::close(release()) == 0; }

 private:
  int fd_;
};
