#include "downloader/event_dispatch.h"

#include <string>

#include "app/log/simple_log.h"

namespace ns_PLX {

namespace {
std::string TextOf(const DownloadEvent& event) {
  const char* text = event.Text();
  return text != nullptr ? std::string(text) : std::string();
}
}  // namespace

void DispatchEvent(IDownloaderManagerCallBack& callback, const DownloadEvent& event) {
  const std::int32_t id = event.task_id;
  const std::int32_t* number = event.NumberPointer();
  switch (event.kind) {
    case kEventFileName:
      if (const wchar_t* name = event.WideText()) callback.OnFileName(id, name);
      break;
    case kEventFileSize:
      callback.OnFileSize(id, std::int64_t{event.Value()});
      break;
    case kEventFinished:
      if (number == nullptr) break;
      LogLine(kLogInfo, "[INFO] finished, task_id=[%d], result=[%d]", id, *number);
      if (*number == kStatusOk) {
        callback.OnSucceeded(id);
      } else {
        callback.OnFailed(id, *number);
      }
      break;
    case kEventProgress:
      if (const DownloadProgress* progress = event.Progress()) {
        callback.OnProgress(id, progress->downloaded, progress->file_size, progress->speed);
      }
      break;
    case kEventRangeStarted:
      callback.OnRangeEvent(id, event.range_id, 0, std::int64_t{event.Value()});
      break;
    case kEventThreadStarted:
      callback.OnStarted(id);
      break;
    case kEventRangeAddress:
      callback.OnRangeAddress(id, TextOf(event));
      break;
    case kEventAttemptStarted:
      if (number != nullptr) callback.OnAttempt(id, *number);
      break;
    case kEventAttemptEnded:
      callback.OnAttemptEnd(id, event.value1, event.value2);
      break;
    case kEventFileDigest:
      callback.OnFileDigest(id, TextOf(event));
      break;
    case kEventDigestMatched:
      callback.OnDigestMatched(id);
      break;
    case kEventFileError:
      callback.OnFileError(id, event.value1, event.value2);
      break;
    case kEventHostFailed:
      if (number != nullptr) callback.OnHostFailed(id, *number);
      break;
    case kEventHostRefreshed:
      if (number != nullptr) callback.OnHostRefreshed(id, *number);
      break;
    case kEventHostAddresses: {
      const std::string text = TextOf(event);
      const std::size_t colon = text.find(':');
      if (colon != std::string::npos) {
        callback.OnHostAddresses(id, text.substr(0, colon), text.substr(colon + 1));
      }
      break;
    }
    case kEventThreadBegin:
      callback.OnThreadBegin(id);
      break;
    case kEventTuned:
      callback.OnTuning(id, event.value1, event.value2);
      break;
    default:
      break;
  }
}

}  // namespace ns_PLX
