#pragma once
// The download engine as the rest of the program sees it. Adding, cancelling and removing
// tasks only queue a command, so no caller ever waits for the network; events come back
// through the callback (or, on Windows, as window messages).
//
//   DownloaderManager engine;
//   engine.SetCallback(&receiver);
//   engine.AddTask(url, folder, L"", 1, L"", md5, 0);   // events arrive on the task's thread
//   ...
//   engine.Shutdown();                                  // nothing of the engine runs after this
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "downloader/download_event.h"
#include "downloader/downloader_callback.h"
#include "downloader/multi_downloader.h"
#include "downloader/window_target.h"

namespace ns_PLX {

class CMultiTaskManager;
class CTaskOperator;

class IDownloaderManager {
 public:
  virtual ~IDownloaderManager() = default;
  // Silent: the task sends nothing more, not even its end.
  virtual bool CancelTask(std::int32_t task_id) = 0;
  virtual bool ResumeTask(std::int32_t task_id) = 0;
  // The task id, or -1 when the command cannot be queued (no url and an id below 1, or
  // after Shutdown). `spare` and `value` are carried but not used.
  virtual std::int32_t AddTask(const std::wstring& url, const std::wstring& save_folder,
                               const std::wstring& spare, std::int32_t task_id,
                               const std::wstring& version, const std::wstring& md5,
                               std::int32_t value) = 0;
  // The task's final events (attempt end, then failed with 13 when it was running) still
  // arrive.
  virtual bool RemoveTask(std::int32_t task_id) = 0;
  virtual bool QueryTask(std::int32_t task_id, DownloadTaskInfo& info) = 0;
  virtual bool RemoveTaskIfPresent(std::int32_t task_id) = 0;
  // Removes every task (each cancelled and waited for), then stops the command worker.
  // Commands queued later are refused. Safe to call twice. Never from a callback.
  virtual void Shutdown() = 0;
  // Window mode (Windows only): each event is posted as `message` with the event as lparam;
  // the window releases it (see window_target.h).
  virtual void SetWindowTarget(WindowHandle window, std::uint32_t message) = 0;
  // Callback mode; clears the window target. Null: events are released unanswered.
  virtual void SetCallback(IDownloaderManagerCallBack* callback) = 0;
  virtual std::wstring GetVersionText() = 0;
};

class DownloaderManager final : public IDownloaderManager, public IObserver {
 public:
  // `settings` for every download; the product uses the defaults.
  explicit DownloaderManager(MultiDownloaderSettings settings = {});
  // Shutdown(), with the callback already cleared: a half-destroyed owner hears nothing.
  ~DownloaderManager() override;
  DownloaderManager(const DownloaderManager&) = delete;
  DownloaderManager& operator=(const DownloaderManager&) = delete;

  bool CancelTask(std::int32_t task_id) override;
  bool ResumeTask(std::int32_t task_id) override;
  std::int32_t AddTask(const std::wstring& url, const std::wstring& save_folder,
                       const std::wstring& spare, std::int32_t task_id, const std::wstring& version,
                       const std::wstring& md5, std::int32_t value) override;
  bool RemoveTask(std::int32_t task_id) override;
  bool QueryTask(std::int32_t task_id, DownloadTaskInfo& info) override;
  bool RemoveTaskIfPresent(std::int32_t task_id) override;
  void Shutdown() override;
  void SetWindowTarget(WindowHandle window, std::uint32_t message) override;
  void SetCallback(IDownloaderManagerCallBack* callback) override;
  std::wstring GetVersionText() override;
  virtual std::int32_t GetTaskCount();
  // Queues a remove-all command when a task is held; false otherwise.
  virtual bool RemoveAllTasks();

  // IObserver: dispatches, then releases the event.
  void OnEvent(DownloadEvent* event, std::uintptr_t wparam) override;

 private:
  bool Post(std::int32_t type, std::int32_t task_id);

  // Destroyed in reverse order: the operator (which uses the manager) first.
  std::unique_ptr<CMultiTaskManager> task_manager_;
  std::unique_ptr<CTaskOperator> task_operator_;

  std::mutex target_mutex_;
  IDownloaderManagerCallBack* callback_ = nullptr;  // guarded by target_mutex_
  WindowHandle window_ = nullptr;                   // guarded by target_mutex_
  std::uint32_t message_ = 0;                       // guarded by target_mutex_
};

}  // namespace ns_PLX
