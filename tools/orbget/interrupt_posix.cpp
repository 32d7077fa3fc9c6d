#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "downloader/thread_name.h"
#include "tools/orbget/interrupt.h"

namespace orbget {

namespace {
// Wakes the watcher when it is to end; never sent from outside.
constexpr int kWakeSignal = SIGUSR2;
}  // namespace

struct InterruptWatch::State {
  std::function<void()> on_interrupt;
  sigset_t set{};
  std::atomic<bool> stopping{false};  // set by the owner before it wakes the watcher
  std::thread watcher;
};

InterruptWatch::InterruptWatch(std::function<void()> on_interrupt) : state_(std::make_unique<State>()) {
  state_->on_interrupt = std::move(on_interrupt);
  sigemptyset(&state_->set);
  sigaddset(&state_->set, SIGINT);
  sigaddset(&state_->set, SIGTERM);
  sigaddset(&state_->set, kWakeSignal);
  pthread_sigmask(SIG_BLOCK, &state_->set, nullptr);
  state_->watcher = std::thread([state = state_.get()] {
    ns_PLX::NameCurrentThread("interrupt-watch");
    for (;;) {
      int signal_number = 0;
      if (sigwait(&state->set, &signal_number) != 0) continue;
      if (state->stopping.load()) return;
      if (signal_number != kWakeSignal) state->on_interrupt();
    }
  });
}

InterruptWatch::~InterruptWatch() {
  state_->stopping.store(true);
  pthread_kill(state_->watcher.native_handle(), kWakeSignal);
  state_->watcher.join();
}

}  // namespace orbget
