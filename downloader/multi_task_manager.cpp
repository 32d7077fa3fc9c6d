#include "downloader/multi_task_manager.h"

#include <algorithm>
#include <ctime>
#include <new>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/curl_global.h"

namespace ns_PLX {

CMultiTaskManager::CMultiTaskManager(MultiDownloaderSettings settings) : settings_(std::move(settings)) {
  // No matching cleanup: other parts of the program may still run transfers at exit.
  CurlGlobalInit();
}

CMultiTaskManager::~CMultiTaskManager() { RemoveAllTasks(); }

void CMultiTaskManager::SetObserver(IObserver* observer) { observer_.store(observer); }

std::int32_t CMultiTaskManager::GetTaskCount() {
  const std::lock_guard lock(map_mutex_);
  return static_cast<std::int32_t>(tasks_.size());
}

CMultiTaskManager::Download CMultiTaskManager::Extract(std::int32_t task_id) {
  const std::lock_guard lock(map_mutex_);
  const auto it = tasks_.find(task_id);
  if (it == tasks_.end()) return nullptr;
  Download download = std::move(it->second);
  tasks_.erase(it);
  return download;
}

void CMultiTaskManager::CancelAndDestroy(std::vector<Download> downloads) {
  // All cancelled first, so that they wind down together; each destructor then waits.
  for (const auto& download : downloads) {
    if (download) download->Cancel();
  }
  downloads.clear();
}

std::int32_t CMultiTaskManager::AddTask(const TaskCommand& command) {
  const std::int32_t id = command.add_id;
  const std::lock_guard change(change_mutex_);
  // The old download must be gone before the new one opens the same temporary file.
  if (Download old = Extract(id)) {
    std::vector<Download> olds;
    olds.push_back(std::move(old));
    CancelAndDestroy(std::move(olds));
  }

  Download download;
  try {
    download = std::make_unique<CMultiDownloader>(settings_);
  } catch (const std::exception&) {
    LogLine(kLogError, "[ERROR] create downloader failed, taskid=[%d].", id);
    return -1;
  }
  download->SetObserver(observer_.load());
  download->SetServerMd5(WideToUtf8(command.md5));
  LogLine(kLogInfo, "[INFO] multi, set exe version=[%s].", WideToAnsi(command.version).c_str());
  download->SetVersionText(WideToUtf8(command.version));
  CMultiDownloader* const started = download.get();
  {
    const std::lock_guard lock(map_mutex_);
    tasks_[id] = std::move(download);
  }
  if (!started->StartDownload(id, WideToUtf8(command.url), WideToUtf8(command.save_folder))) {
    LogLine(kLogError, "[ERROR] start download failed, taskid=[%d].", id);
    std::vector<Download> failed;
    failed.push_back(Extract(id));
    CancelAndDestroy(std::move(failed));
    return -1;
  }
  return id;
}

bool CMultiTaskManager::CancelTask(std::int32_t task_id) {
  const std::lock_guard lock(map_mutex_);
  const auto it = tasks_.find(task_id);
  if (it == tasks_.end()) return false;
  it->second->SetEventsEnabled(false);
  it->second->Cancel();
  return true;
}

bool CMultiTaskManager::ResumeTask(std::int32_t task_id) {
  const std::lock_guard lock(map_mutex_);
  const auto it = tasks_.find(task_id);
  if (it == tasks_.end()) return false;
  it->second->Resume();
  return true;
}

void CMultiTaskManager::RemoveAllTasks() {
  const std::lock_guard change(change_mutex_);
  std::vector<Download> all;
  {
    const std::lock_guard lock(map_mutex_);
    for (auto& [id, download] : tasks_) all.push_back(std::move(download));
    tasks_.clear();
  }
  CancelAndDestroy(std::move(all));
}

bool CMultiTaskManager::RemoveTask(std::int32_t task_id) {
  const std::lock_guard change(change_mutex_);
  Download download = Extract(task_id);
  if (!download) return false;
  std::vector<Download> one;
  one.push_back(std::move(download));
  CancelAndDestroy(std::move(one));
  return true;
}

bool CMultiTaskManager::HasTask(std::int32_t task_id) {
  const std::lock_guard lock(map_mutex_);
  return task_id == -1 ? !tasks_.empty() : tasks_.count(task_id) != 0;
}

bool CMultiTaskManager::QueryProgress(std::int32_t task_id, std::int64_t& file_size,
                                      std::int64_t& downloaded, std::int64_t& attempt,
                                      std::int64_t& elapsed) {
  const std::lock_guard lock(map_mutex_);
  const auto it = tasks_.find(task_id);
  if (it == tasks_.end()) return false;
  const CMultiDownloader& download = *it->second;
  file_size = download.FileSize();
  downloaded = download.DownloadedTotal();
  attempt = download.Attempt();
  const std::int64_t started = download.StartTime();
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  elapsed = std::max<std::int64_t>(1, started > 0 ? now - started : 1);
  return true;
}

std::wstring CMultiTaskManager::GetVersionText() { return {}; }

bool CMultiTaskManager::QueryTexts(std::int32_t task_id, std::wstring& url, std::wstring& save_folder,
                                   std::wstring& file_name) {
  const std::lock_guard lock(map_mutex_);
  const auto it = tasks_.find(task_id);
  if (it == tasks_.end()) return false;
  url = Utf8ToWide(it->second->Url());
  save_folder = Utf8ToWide(it->second->SaveFolder());
  file_name = Utf8ToWide(it->second->FileName());
  return true;
}

}  // namespace ns_PLX
