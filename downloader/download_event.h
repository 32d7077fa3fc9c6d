#pragma once
// What a download tells its observer. The sender allocates each event with new and hands
// it to IObserver::OnEvent; the receiver deletes it, which releases every payload with it.
//
//   auto event = DownloadEvent::WithNumber(task_id, kEventFinished, status);
//   observer->OnEvent(event.release(), 0);
//   ...
//   void OnEvent(DownloadEvent* raw, std::uintptr_t) override {
//     std::unique_ptr<DownloadEvent> event(raw);
//     if (event->kind == kEventFinished) Finished(event->task_id, *event->NumberPointer());
//   }
#include <cstdint>
#include <memory>
#include <string>

namespace ns_PLX {

// Event kinds; the comment says what `data` carries.
enum DownloadEventKind : std::int32_t {
  kEventFileName = 0,        // data: const wchar_t* file name
  kEventFileSize = 1,        // data: the size's low 32 bits, as a value
  kEventFinished = 2,        // data: const std::int32_t* final status
  kEventProgress = 3,        // data: const DownloadProgress*
  kEventRangeStarted = 4,    // data: the range's remaining bytes (low 32 bits), as a value
  kEventThreadStarted = 7,   // no payload
  kEventRangeAddress = 8,    // data: const char* pinned address (may be "")
  kEventAttemptStarted = 9,  // data: const std::int32_t* attempt number
  kEventAttemptEnded = 10,   // value1: attempt, value2: status
  kEventFileDigest = 11,     // data: const char* the file's digest
  kEventDigestMatched = 12,  // no payload
  kEventFileError = 13,      // value1: DownloadFileError, value2: system error
  kEventHostFailed = 14,     // data: const std::int32_t* (the value 2)
  kEventHostRefreshed = 15,  // data: const std::int32_t* status
  kEventHostAddresses = 16,  // data: const char* "host:address,address,..."
  kEventThreadBegin = 17,    // no payload
  kEventTuned = 18,          // value1: connection count, value2: buffer size
};

// value1 of kEventFileError.
enum DownloadFileError : std::int32_t {
  kFileErrorCreate = 1,
  kFileErrorRename = 2,
  kFileErrorDiskFull = 3,
  kFileErrorSizeMismatch = 4,
};

// A download's result code (its status), carried by kEventFinished and kEventAttemptEnded.
enum DownloadStatus : std::int32_t {
  kStatusOk = 0,
  kStatusConnectFailed = 2,   // libcurl 7
  kStatusReceiveFailed = 3,   // libcurl 56 or 33, HTTP 416, ranges not served
  kStatusSendFailed = 4,      // libcurl 55
  kStatusNoFileSize = 5,
  kStatusFileFailed = 9,      // temporary file not created, wrong final size, rename failed
  kStatusDiskFull = 10,
  kStatusDigestMismatch = 11,
  kStatusCancelled = 13,
  kStatusFailed = 14,         // bytes missing at the end of an attempt, no specific cause
};

struct DownloadProgress {
  std::int32_t range_id = -1;
  std::int32_t reserved = 0;
  std::int64_t file_size = 0;
  std::int64_t downloaded = 0;  // cached + received by every range
  std::int32_t speed = 0;       // bytes per second
};

struct DownloadEvent {
  std::int32_t range_id = -1;
  std::int32_t task_id = 0;
  std::int32_t kind = 0;
  // A 32-bit value, or a pointer into this event's own payload (see DownloadEventKind).
  std::intptr_t data = 0;
  std::int32_t value1 = 0;
  std::int32_t value2 = 0;

  DownloadEvent(std::int32_t task, std::int32_t event_kind) : task_id(task), kind(event_kind) {}
  // `data` points into the event itself.
  DownloadEvent(const DownloadEvent&) = delete;
  DownloadEvent& operator=(const DownloadEvent&) = delete;

  // No data; value1/value2 as given.
  static std::unique_ptr<DownloadEvent> Plain(std::int32_t task, std::int32_t kind,
                                              std::int32_t value1 = 0, std::int32_t value2 = 0) {
    auto event = std::make_unique<DownloadEvent>(task, kind);
    event->value1 = value1;
    event->value2 = value2;
    return event;
  }
  // data = the value itself (sign-extended).
  static std::unique_ptr<DownloadEvent> WithValue(std::int32_t task, std::int32_t kind,
                                                  std::int32_t value) {
    auto event = std::make_unique<DownloadEvent>(task, kind);
    event->data = static_cast<std::intptr_t>(value);
    return event;
  }
  // data = pointer to a 32-bit number the event owns.
  static std::unique_ptr<DownloadEvent> WithNumber(std::int32_t task, std::int32_t kind,
                                                   std::int32_t number) {
    auto event = std::make_unique<DownloadEvent>(task, kind);
    event->number_ = number;
    event->data = reinterpret_cast<std::intptr_t>(&event->number_);
    return event;
  }
  // data = pointer to a zero-terminated narrow text the event owns.
  static std::unique_ptr<DownloadEvent> WithText(std::int32_t task, std::int32_t kind,
                                                 std::string text) {
    auto event = std::make_unique<DownloadEvent>(task, kind);
    event->text_ = std::move(text);
    event->data = reinterpret_cast<std::intptr_t>(event->text_.c_str());
    return event;
  }
  // data = pointer to a zero-terminated wide text the event owns.
  static std::unique_ptr<DownloadEvent> WithWideText(std::int32_t task, std::int32_t kind,
                                                     std::wstring text) {
    auto event = std::make_unique<DownloadEvent>(task, kind);
    event->wide_text_ = std::move(text);
    event->data = reinterpret_cast<std::intptr_t>(event->wide_text_.c_str());
    return event;
  }
  // kEventProgress: data = pointer to the owned progress record.
  static std::unique_ptr<DownloadEvent> WithProgress(std::int32_t task,
                                                     const DownloadProgress& progress) {
    auto event = std::make_unique<DownloadEvent>(task, kEventProgress);
    event->progress_ = std::make_unique<DownloadProgress>(progress);
    event->data = reinterpret_cast<std::intptr_t>(event->progress_.get());
    return event;
  }

  // Typed views of `data`; null when the event carries no such payload.
  const std::int32_t* NumberPointer() const {
    return data == reinterpret_cast<std::intptr_t>(&number_) ? &number_ : nullptr;
  }
  const char* Text() const {
    return data != 0 && data == reinterpret_cast<std::intptr_t>(text_.c_str()) ? text_.c_str()
                                                                               : nullptr;
  }
  const wchar_t* WideText() const {
    return data != 0 && data == reinterpret_cast<std::intptr_t>(wide_text_.c_str())
               ? wide_text_.c_str()
               : nullptr;
  }
  const DownloadProgress* Progress() const { return progress_.get(); }
  // `data` read as a 32-bit value (kEventFileSize, kEventRangeStarted).
  std::int32_t Value() const { return static_cast<std::int32_t>(data); }

 private:
  std::int32_t number_ = 0;
  std::string text_;
  std::wstring wide_text_;
  std::unique_ptr<DownloadProgress> progress_;
};

class IObserver {
 public:
  virtual ~IObserver() = default;
  // Takes ownership of `event` (delete it when done). Called on the download's thread,
  // events of one download in the order sent; `wparam` is 0 from the downloader.
  virtual void OnEvent(DownloadEvent* event, std::uintptr_t wparam) = 0;
};

}  // namespace ns_PLX
