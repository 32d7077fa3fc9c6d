#pragma once
// The task manager over CMultiDownloader: an ordered map from task id to its download.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "downloader/multi_downloader.h"
#include "downloader/task_manager.h"

namespace ns_PLX {

class CMultiTaskManager final : public ITaskManager {
 public:
  // Makes libcurl ready; every download is created with `settings`.
  explicit CMultiTaskManager(MultiDownloaderSettings settings = {});
  // Removes every task: each is cancelled and its thread waited for.
  ~CMultiTaskManager() override;
  CMultiTaskManager(const CMultiTaskManager&) = delete;
  CMultiTaskManager& operator=(const CMultiTaskManager&) = delete;

  void SetObserver(IObserver* observer) override;
  std::int32_t GetTaskCount() override;
  std::int32_t AddTask(const TaskCommand& command) override;
  bool CancelTask(std::int32_t task_id) override;
  bool ResumeTask(std::int32_t task_id) override;
  void RemoveAllTasks() override;
  bool RemoveTask(std::int32_t task_id) override;
  bool HasTask(std::int32_t task_id) override;
  bool QueryProgress(std::int32_t task_id, std::int64_t& file_size, std::int64_t& downloaded,
                     std::int64_t& attempt, std::int64_t& elapsed) override;
  std::wstring GetVersionText() override;
  bool QueryTexts(std::int32_t task_id, std::wstring& url, std::wstring& save_folder,
                  std::wstring& file_name) override;

 private:
  using Download = std::unique_ptr<CMultiDownloader>;
  // Takes the task out of the map; the caller cancels and destroys it.
  Download Extract(std::int32_t task_id);
  static void CancelAndDestroy(std::vector<Download> downloads);

  const MultiDownloaderSettings settings_;
  std::atomic<IObserver*> observer_{nullptr};

  // Serialises add and remove, also while they wait for download threads to end.
  std::mutex change_mutex_;
  // Guards tasks_; never held while a download thread is waited for, so that a callback
  // running on that thread may still query the manager.
  std::mutex map_mutex_;
  std::map<std::int32_t, Download> tasks_;  // guarded by map_mutex_
};

}  // namespace ns_PLX
