#include "downloader/thread_name.h"

#include <pthread.h>

#include <cstring>

namespace ns_PLX {

void NameCurrentThread(const char* role) noexcept {
  char name[16] = {};
  std::strncpy(name, role, sizeof(name) - 1);
  pthread_setname_np(pthread_self(), name);
}

}  // namespace ns_PLX
