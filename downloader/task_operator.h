#pragma once
// The command queue in front of the task manager: callers queue and return at once; one
// worker thread runs the commands in order.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "downloader/task_command.h"
#include "downloader/task_manager.h"

namespace ns_PLX {

class CTaskOperator {
 public:
  CTaskOperator() = default;
  // Stop().
  ~CTaskOperator();
  CTaskOperator(const CTaskOperator&) = delete;
  CTaskOperator& operator=(const CTaskOperator&) = delete;

  // Only once: stores the manager (not owned, must outlive the worker) and starts the
  // worker. False on a second call or when no thread can be had.
  bool Attach(ITaskManager* manager);
  // Queues the command; false once Stop() has begun, the command is then dropped.
  bool PostCommand(TaskCommand command);
  // Runs what was queued before the call, then ends the worker and waits for it. Commands
  // posted from now on are refused. Not from the worker itself (a callback of a removal).
  void Stop();

 private:
  void Run();
  void Execute(const TaskCommand& command);

  ITaskManager* manager_ = nullptr;  // set by Attach before the worker starts

  std::mutex mutex_;
  std::deque<TaskCommand> queue_;      // guarded by mutex_
  std::condition_variable wake_;       // queue_ grew or stop_ was set; with mutex_
  std::atomic<bool> stop_{false};      // written under mutex_
  std::mutex stop_mutex_;              // serialises Stop() callers around the join
  std::thread worker_;
};

}  // namespace ns_PLX
