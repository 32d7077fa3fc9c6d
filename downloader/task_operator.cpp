#include "downloader/task_operator.h"

#include "app/log/simple_log.h"
#include "downloader/thread_name.h"

namespace ns_PLX {

CTaskOperator::~CTaskOperator() { Stop(); }

bool CTaskOperator::Attach(ITaskManager* manager) {
  if (manager == nullptr || manager_ != nullptr) return false;
  manager_ = manager;
  try {
    worker_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    LogLine(kLogError, "[ERROR] task operator, cannot start its worker.");
    manager_ = nullptr;
    return false;
  }
  return true;
}

bool CTaskOperator::PostCommand(TaskCommand command) {
  {
    const std::lock_guard lock(mutex_);
    if (stop_.load() || !worker_.joinable()) return false;
    queue_.push_back(std::move(command));
  }
  wake_.notify_one();
  return true;
}

void CTaskOperator::Stop() {
  const std::lock_guard stopping(stop_mutex_);
  {
    const std::lock_guard lock(mutex_);
    stop_.store(true);
  }
  wake_.notify_one();
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

void CTaskOperator::Run() {
  NameCurrentThread("task-operator");
  for (;;) {
    TaskCommand command;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return !queue_.empty() || stop_.load(); });
      // Stopping drains what was queued before the stop; nothing can be queued after it.
      if (queue_.empty()) return;
      command = std::move(queue_.front());
      queue_.pop_front();
    }
    LogLine(kLogInfo, "[INFO] handle type=[%d], pid=[%d], taskid=[%d]", command.type, command.add_id,
            command.task_id);
    Execute(command);
  }
}

void CTaskOperator::Execute(const TaskCommand& command) {
  switch (command.type) {
    case kCommandAdd:
      manager_->AddTask(command);
      break;
    case kCommandRemove:
      manager_->RemoveTask(command.task_id);
      break;
    case kCommandCancel:
      manager_->CancelTask(command.task_id);
      break;
    case kCommandResume:
      manager_->ResumeTask(command.task_id);
      break;
    case kCommandRemoveAll:
      manager_->RemoveAllTasks();
      break;
    default:
      break;
  }
}

}  // namespace ns_PLX
