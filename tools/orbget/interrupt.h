#pragma once
// Ctrl-C for a console tool: the handler runs on a thread of its own, never inside a
// signal context, so it may lock, queue commands and wait.
#include <functional>
#include <memory>

namespace orbget {

class InterruptWatch {
 public:
  // Construct before any other thread starts: on POSIX the signals are blocked in the
  // calling thread and every thread started later inherits that, so only the watcher
  // receives them. `on_interrupt` runs once per Ctrl-C (SIGINT, SIGTERM on POSIX; Ctrl-C and
  // Ctrl-Break on Windows).
  explicit InterruptWatch(std::function<void()> on_interrupt);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace orbget
