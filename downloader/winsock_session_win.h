#pragma once
// The socket library held for one scope (version 2.2). Windows only.
#include <winsock2.h>

namespace ns_PLX {

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

  bool started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace ns_PLX
