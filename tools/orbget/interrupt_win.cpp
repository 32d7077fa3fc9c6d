#include <windows.h>

#include <mutex>

#include "tools/orbget/interrupt.h"

namespace orbget {

namespace {
// The console calls its handler without a context pointer: one watch per process.
std::mutex g_handler_mutex;                  // guards g_on_interrupt
std::function<void()>* g_on_interrupt = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  const std::lock_guard lock(g_handler_mutex);
  if (g_on_interrupt != nullptr) (*g_on_interrupt)();
  return TRUE;  // handled: the process goes on and ends by itself
}
}  // namespace

struct InterruptWatch::State {
  std::function<void()> on_interrupt;
};

InterruptWatch::InterruptWatch(std::function<void()> on_interrupt) : state_(std::make_unique<State>()) {
  state_->on_interrupt = std::move(on_interrupt);
  {
    const std::lock_guard lock(g_handler_mutex);
    g_on_interrupt = &state_->on_interrupt;
  }
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptWatch::~InterruptWatch() {
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  const std::lock_guard lock(g_handler_mutex);
  g_on_interrupt = nullptr;
}

}  // namespace orbget
