#include "config/clipboard.h"

#include <windows.h>

#include <cstring>

namespace {

class ClipboardSession {
 public:
  ClipboardSession() : open_(::OpenClipboard(nullptr) != FALSE) {}
  ~ClipboardSession() {
    if (open_) ::CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool IsOpen() const { return open_; }

 private:
  const bool open_;
};

class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL memory) : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr) {}
  ~GlobalLockGuard() {
    if (data_) ::GlobalUnlock(memory_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  const char* Data() const { return static_cast<const char*>(data_); }

 private:
  const HGLOBAL memory_;
  void* const data_;
};

}  // namespace

std::string ReadClipboardAnsiText() {
  const ClipboardSession session;
  if (!session.IsOpen() || !::IsClipboardFormatAvailable(CF_TEXT)) return {};
  const HGLOBAL memory = ::GetClipboardData(CF_TEXT);
  const GlobalLockGuard lock(memory);
  if (!lock.Data()) return {};
  // The block may lack its terminating zero: never read past its size.
  const std::size_t size = ::GlobalSize(memory);
  const void* const end = std::memchr(lock.Data(), 0, size);
  return std::string(lock.Data(), end ? static_cast<const char*>(end) - lock.Data() : size);
}
