#pragma once
// The running downloads, one per task id.
#include <cstdint>
#include <string>

#include "downloader/download_event.h"
#include "downloader/task_command.h"

namespace ns_PLX {

class ITaskManager {
 public:
  virtual ~ITaskManager() = default;
  virtual void SetObserver(IObserver* observer) = 0;
  virtual std::int32_t GetTaskCount() = 0;
  // Replaces any task with the same id, then starts the download. The id, or -1.
  virtual std::int32_t AddTask(const TaskCommand& command) = 0;
  // Silent: the task's events are switched off before it is cancelled.
  virtual bool CancelTask(std::int32_t task_id) = 0;
  virtual bool ResumeTask(std::int32_t task_id) = 0;
  virtual void RemoveAllTasks() = 0;
  // Cancels the task and waits for its download thread; its final events still arrive.
  virtual bool RemoveTask(std::int32_t task_id) = 0;
  // -1 asks whether any task is held.
  virtual bool HasTask(std::int32_t task_id) = 0;
  // `elapsed`: seconds since the current attempt started, at least 1.
  virtual bool QueryProgress(std::int32_t task_id, std::int64_t& file_size, std::int64_t& downloaded,
                             std::int64_t& attempt, std::int64_t& elapsed) = 0;
  virtual std::wstring GetVersionText() = 0;
  virtual bool QueryTexts(std::int32_t task_id, std::wstring& url, std::wstring& save_folder,
                          std::wstring& file_name) = 0;
};

}  // namespace ns_PLX
