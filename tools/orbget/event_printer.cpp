#include "tools/orbget/event_printer.h"

#include "common/text_convert.h"

namespace orbget {

namespace {
// "Name a b c": each argument as decimal or as its text.
std::string Arg(std::int64_t value) { return std::to_string(value); }
std::string Arg(const std::string& text) { return text; }

template <class... Args>
std::string Line(const char* method, std::int32_t task_id, const Args&... args) {
  std::string line = std::string(method) + ' ' + std::to_string(task_id);
  ((line += ' ', line += Arg(args)), ...);
  return line;
}
}  // namespace

void EventPrinter::Print(const std::string& line) {
  const std::lock_guard lock(mutex_);
  std::fputs(line.c_str(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void EventPrinter::End(std::int32_t status) {
  {
    const std::lock_guard lock(mutex_);
    final_status_ = status;
  }
  end_changed_.notify_all();
}

void EventPrinter::Wake() {
  { const std::lock_guard lock(mutex_); }  // a waiter is either before its check or asleep
  end_changed_.notify_all();
}

void EventPrinter::OnFileName(std::int32_t id, const std::wstring& name) {
  Print(Line("OnFileName", id, WideToUtf8(name)));
}
void EventPrinter::OnFileSize(std::int32_t id, std::int64_t size) { Print(Line("OnFileSize", id, size)); }
void EventPrinter::OnProgress(std::int32_t id, std::int64_t downloaded, std::int64_t file_size,
                              std::int32_t speed) {
  Print(Line("OnProgress", id, downloaded, file_size, std::int64_t{speed}));
}
void EventPrinter::OnSucceeded(std::int32_t id) {
  Print(Line("OnSucceeded", id));
  End(0);
}
void EventPrinter::OnFailed(std::int32_t id, std::int32_t status) {
  Print(Line("OnFailed", id, std::int64_t{status}));
  End(status);
}
void EventPrinter::OnRangeEvent(std::int32_t id, std::int32_t range_id, std::int32_t sub_kind,
                                std::int64_t value) {
  Print(Line("OnRangeEvent", id, std::int64_t{range_id}, std::int64_t{sub_kind}, value));
}
void EventPrinter::OnStarted(std::int32_t id) { Print(Line("OnStarted", id)); }
void EventPrinter::OnRangeAddress(std::int32_t id, const std::string& address) {
  Print(Line("OnRangeAddress", id, address));
}
void EventPrinter::OnAttempt(std::int32_t id, std::int32_t attempt) {
  Print(Line("OnAttempt", id, std::int64_t{attempt}));
}
void EventPrinter::OnAttemptEnd(std::int32_t id, std::int32_t attempt, std::int32_t status) {
  Print(Line("OnAttemptEnd", id, std::int64_t{attempt}, std::int64_t{status}));
}
void EventPrinter::OnFileDigest(std::int32_t id, const std::string& digest) {
  Print(Line("OnFileDigest", id, digest));
}
void EventPrinter::OnDigestMatched(std::int32_t id) { Print(Line("OnDigestMatched", id)); }
void EventPrinter::OnFileError(std::int32_t id, std::int32_t error_kind, std::int32_t system_error) {
  Print(Line("OnFileError", id, std::int64_t{error_kind}, std::int64_t{system_error}));
}
void EventPrinter::OnHostFailed(std::int32_t id, std::int32_t value) {
  Print(Line("OnHostFailed", id, std::int64_t{value}));
}
void EventPrinter::OnHostRefreshed(std::int32_t id, std::int32_t status) {
  Print(Line("OnHostRefreshed", id, std::int64_t{status}));
}
void EventPrinter::OnHostAddresses(std::int32_t id, const std::string& host,
                                   const std::string& addresses) {
  Print(Line("OnHostAddresses", id, host, addresses));
}
void EventPrinter::OnThreadBegin(std::int32_t id) { Print(Line("OnThreadBegin", id)); }
void EventPrinter::OnTuning(std::int32_t id, std::int32_t connections, std::int32_t buffer_size) {
  Print(Line("OnTuning", id, std::int64_t{connections}, std::int64_t{buffer_size}));
}

}  // namespace orbget
