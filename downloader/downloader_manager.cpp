#include "downloader/downloader_manager.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/log/simple_log.h"
#include "downloader/event_dispatch.h"
#include "downloader/multi_task_manager.h"
#include "downloader/task_operator.h"

namespace ns_PLX {

DownloaderManager::DownloaderManager(MultiDownloaderSettings settings)
    : task_manager_(std::make_unique<CMultiTaskManager>(std::move(settings))) {
  task_manager_->SetObserver(this);
  auto task_operator = std::make_unique<CTaskOperator>();
  if (task_operator->Attach(task_manager_.get())) task_operator_ = std::move(task_operator);
}

DownloaderManager::~DownloaderManager() {
  SetCallback(nullptr);
  Shutdown();
}

bool DownloaderManager::Post(std::int32_t type, std::int32_t task_id) {
  if (!task_operator_) return false;
  TaskCommand command;
  command.type = type;
  command.task_id = task_id;
  return task_operator_->PostCommand(std::move(command));
}

bool DownloaderManager::CancelTask(std::int32_t task_id) { return Post(kCommandCancel, task_id); }

bool DownloaderManager::ResumeTask(std::int32_t task_id) { return Post(kCommandResume, task_id); }

std::int32_t DownloaderManager::AddTask(const std::wstring& url, const std::wstring& save_folder,
                                        const std::wstring& spare, std::int32_t task_id,
                                        const std::wstring& version, const std::wstring& md5,
                                        std::int32_t value) {
  if (!task_operator_ || (url.empty() && task_id < 1)) {
    LogLine(kLogError, "[ERROR] add task failed, operator=[%d], url=[%d], pid=[%d].",
            task_operator_ ? 1 : 0, url.empty() ? 0 : 1, task_id);
    return -1;
  }
  TaskCommand command;
  command.type = kCommandAdd;
  command.add_id = task_id;
  command.value = value;
  command.url = url;
  command.save_folder = save_folder;
  command.spare = spare;
  command.md5 = md5;
  command.version = version;
  if (!task_operator_->PostCommand(std::move(command))) {
    LogLine(kLogError, "[ERROR] add task failed, the engine is shut down, pid=[%d].", task_id);
    return -1;
  }
  return task_id;
}

bool DownloaderManager::RemoveTask(std::int32_t task_id) { return Post(kCommandRemove, task_id); }

bool DownloaderManager::QueryTask(std::int32_t task_id, DownloadTaskInfo& info) {
  info.task_id = task_id;
  std::int64_t size = 0;
  std::int64_t downloaded = 0;
  std::int64_t attempt = 0;
  std::int64_t elapsed = 1;
  const bool found = task_manager_->QueryProgress(task_id, size, downloaded, attempt, elapsed);
  if (!found || size <= 0 || downloaded < 0) {
    info.file_size = -1;
    info.downloaded = -1;
    info.speed = 0;
    return found;
  }
  info.file_size = size;
  info.downloaded = downloaded;
  info.speed = static_cast<std::int32_t>(std::min<std::int64_t>(downloaded / elapsed, std::numeric_limits<std::int32_t>::max()));
  task_manager_->QueryTexts(task_id, info.url, info.save_folder, info.file_name);
  return true;
}

bool DownloaderManager::RemoveTaskIfPresent(std::int32_t task_id) {
  return task_manager_->HasTask(task_id) && Post(kCommandRemove, task_id);
}

void DownloaderManager::Shutdown() {
  if (task_operator_) {
    // The remove-all runs before the worker ends: no download may outlive the engine.
    Post(kCommandRemoveAll, 0);
    task_operator_->Stop();
  }
  // Whatever the worker could not reach (a second Shutdown finds nothing).
  task_manager_->RemoveAllTasks();
}

void DownloaderManager::SetWindowTarget(WindowHandle window, std::uint32_t message) {
  const std::lock_guard lock(target_mutex_);
  window_ = window;
  message_ = message;
}

void DownloaderManager::SetCallback(IDownloaderManagerCallBack* callback) {
  const std::lock_guard lock(target_mutex_);
  callback_ = callback;
  window_ = nullptr;
  message_ = 0;
}

std::wstring DownloaderManager::GetVersionText() { return task_manager_->GetVersionText(); }

std::int32_t DownloaderManager::GetTaskCount() { return task_manager_->GetTaskCount(); }

bool DownloaderManager::RemoveAllTasks() {
  return task_manager_->HasTask(-1) && Post(kCommandRemoveAll, 0);
}

void DownloaderManager::OnEvent(DownloadEvent* raw, std::uintptr_t wparam) {
  std::unique_ptr<DownloadEvent> event(raw);
  if (!event) return;
  IDownloaderManagerCallBack* callback = nullptr;
  WindowHandle window = nullptr;
  std::uint32_t message = 0;
  {
    const std::lock_guard lock(target_mutex_);
    callback = callback_;
    window = window_;
    message = message_;
  }
  if (window != nullptr && message != 0) {
    if (PostEventToWindow(window, message, wparam, event.get())) {
      static_cast<void>(event.release());  // the window owns it now
    }
    return;
  }
  if (callback != nullptr) DispatchEvent(*callback, *event);
}

}  // namespace ns_PLX
