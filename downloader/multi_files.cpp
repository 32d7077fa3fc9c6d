// A download's files: the temporary file, its checks, the record's removal and the final
// rename.
#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/multi_downloader.h"

namespace ns_PLX {
namespace {

long long AsLong(std::int64_t value) { return static_cast<long long>(value); }

}  // namespace

bool CMultiDownloader::CreateTempFile() {
  const std::wstring temp = TempPath();
  const CreateResult result = CreateSizedFile(temp, FileSize());
  LogLine(kLogInfo, "[INFO] multi, create tmp file=[%s], ret=[%d][%d].", WideToAnsi(temp).c_str(),
          result.kind, result.error);
  switch (result.kind) {
    case kCreateOk:
      SetHiddenAttribute(temp, true);
      return true;
    case kCreateNoSpace:
      LogLine(kLogError, "[ERROR] multi, disk space not enough!");
      status_.store(kStatusDiskFull);
      Send(DownloadEvent::Plain(TaskId(), kEventFileError, kFileErrorDiskFull, result.error));
      return false;
    default:
      LogLine(kLogError, "[ERROR] multi, create null file failed!");
      status_.store(kStatusFileFailed);
      Send(DownloadEvent::Plain(TaskId(), kEventFileError, kFileErrorCreate, result.error));
      return false;
  }
}

bool CMultiDownloader::OpenTempFile() {
  const std::wstring temp = TempPath();
  int error = 0;
  {
    const std::lock_guard lock(file_mutex_);
    error = temp.empty() ? -1 : file_.Open(temp);
  }
  if (error == 0) return true;
  // Without an open file no byte could be stored: the attempt cannot run.
  LogLine(kLogError, "[ERROR] multi, open tmp file=[%s] failed! err=[%d].", WideToAnsi(temp).c_str(),
          error);
  status_.store(kStatusFileFailed);
  Send(DownloadEvent::Plain(TaskId(), kEventFileError, kFileErrorCreate, error));
  return false;
}

void CMultiDownloader::CloseTempFile() {
  const std::lock_guard lock(file_mutex_);
  file_.Close();
}

bool CMultiDownloader::AlreadyDownloaded() {
  const std::wstring target = TargetPath();
  const std::optional<std::int64_t> length = FileLength(target);
  return length && *length == FileSize() && CheckDigest(target, false);
}

void CMultiDownloader::RemoveRecord() {
  const std::wstring temp = TempPath();
  for (std::int32_t attempt = 1; attempt <= settings_.file_op_tries; ++attempt) {
    const int error = TruncateFile(temp, FileSize());
    if (error == 0) return;
    LogLine(kLogError, "[ERROR] multi, remove cache info failed! err=[%d].", error);
    if (!IsLockedError(error)) return;
    LogLockingProcesses(temp);
    if (attempt < settings_.file_op_tries && !Pause(settings_.file_op_pause_unit * attempt)) return;
  }
}

bool CMultiDownloader::CheckFileSize() {
  const std::int64_t length = FileLength(TempPath()).value_or(0);
  if (length == FileSize()) return true;
  status_.store(kStatusFileFailed);
  Send(DownloadEvent::Plain(TaskId(), kEventFileError, kFileErrorSizeMismatch, 0));
  LogLine(kLogError, "[ERROR] multi, check file size failed! local_size=[%lld], dst_size=[%lld]",
          AsLong(length), AsLong(FileSize()));
  return false;
}

bool CMultiDownloader::CheckDigest(const std::wstring& path, bool with_events) {
  if (expected_md5_.size() < 3) return false;
  const std::optional<std::string> digest = FileMd5Upper(path);
  const std::string text = digest.value_or(std::string());
  if (with_events && digest) Send(DownloadEvent::WithText(TaskId(), kEventFileDigest, text));
  if (digest && expected_md5_.find(text) != std::string::npos) {
    LogLine(kLogInfo, "[INFO] multi, check md5 ok.");
    if (with_events) Send(DownloadEvent::Plain(TaskId(), kEventDigestMatched));
    return true;
  }
  LogLine(kLogError, "[ERROR] multi, check md5 failed! file_md5=[%s].", text.c_str());
  status_.store(kStatusDigestMismatch);
  return false;
}

bool CMultiDownloader::RenameToTarget() {
  const std::wstring temp = TempPath();
  const std::wstring target = TargetPath();
  int error = 0;
  int call_result = 0;
  for (std::int32_t attempt = 1; attempt <= settings_.file_op_tries; ++attempt) {
    DeleteFilePath(target);
    error = RenameFilePath(temp, target, call_result);
    if (error == 0) return true;
    LogLine(kLogError, "[ERROR] rename failed, try=%d, err=%d", attempt, error);
    if (IsLockedError(error)) LogLockingProcesses(temp);
    if (attempt < settings_.file_op_tries && !Pause(settings_.file_op_pause_unit * attempt)) break;
  }
  LogLine(kLogError, "[ERROR] multi, revert file name failed! error=[%d].", error);
  Send(DownloadEvent::Plain(TaskId(), kEventFileError, kFileErrorRename, call_result));
  // The file is not where the caller expects it: a failure, never a success.
  status_.store(kStatusFileFailed);
  return false;
}

}  // namespace ns_PLX
