#include "downloader/range_downloader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "app/log/simple_log.h"
#include "downloader/curl_global.h"
#include "downloader/thread_name.h"
#include "downloader/ipv4_text.h"
#include "downloader/url_split.h"

namespace ns_PLX {
namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)";

bool StartsWithNoCase(std::string_view text, std::string_view lower_prefix) {
  if (text.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    const char c = text[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != lower_prefix[i]) return false;
  }
  return true;
}

// First byte of "Content-Range: bytes <first>-<last>/<total>"; nothing when malformed.
std::optional<std::int64_t> ContentRangeFirst(std::string_view value) {
  const std::size_t start = value.find_first_not_of(" \t");
  if (start == std::string_view::npos) return std::nullopt;
  value.remove_prefix(start);
  if (!StartsWithNoCase(value, "bytes ")) return std::nullopt;
  value.remove_prefix(6);
  value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
  std::int64_t first = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), first);
  if (error != std::errc() || end == value.data() || end == value.data() + value.size() ||
      *end != '-' || first < 0) {
    return std::nullopt;
  }
  return first;
}

long long AsLong(std::int64_t value) { return static_cast<long long>(value); }

}  // namespace

CRangeDownloader::CRangeDownloader(RangeSettings settings) : settings_(std::move(settings)) {}

CRangeDownloader::~CRangeDownloader() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

bool CRangeDownloader::Init(const std::string& url, std::int64_t start, std::int64_t end,
                            const std::string& address, const std::wstring& target_path) {
  const void* const self = this;
  try {
    if (started_ || easy_ || start < 0 || start > kMaxOffset || end > kMaxOffset) {
      LogLine(kLogError, "[ERROR] easy=[%p], init failed!", self);
      return false;
    }
    url_ = url;
    range_start_ = start;
    range_end_.store(end);
    address_ = address;
    target_path_ = target_path;
    const std::size_t marker = url.find("://");
    if (marker != std::string::npos) {
      const std::size_t slash = url.find('/', marker + 3);
      host_ = url.substr(marker + 3, slash == std::string::npos ? std::string::npos
                                                                : slash - marker - 3);
    }

    // One override per port the host may be reached on; an explicit port is the only one.
    std::vector<std::string> overrides;
    if (!address.empty()) {
      const std::optional<UrlSplit> parts = SplitUrl(url);
      if (!ParseIpv4(address) || !parts) {
        LogLine(kLogError, "[ERROR] easy=[%p], cannot pin url=[%s] to address=[%s].", self,
                url.c_str(), address.c_str());
        LogLine(kLogError, "[ERROR] easy=[%p], init failed!", self);
        return false;
      }
      if (parts->port.empty()) {
        overrides = {parts->name + ":443:" + address, parts->name + ":80:" + address};
      } else {
        overrides = {parts->name + ":" + parts->port + ":" + address};
      }
    }

    LogLine(kLogInfo, "[INFO] easy=[%p], init, host=[%s], range(%lld~%lld)", self,
            address.c_str(), AsLong(start), AsLong(end));
    if (CurlGlobalInit()) easy_.reset(curl_easy_init());
    if (!easy_ || !SetOptions(overrides)) {
      easy_.reset();
      resolve_list_.reset();
      header_list_.reset();
      LogLine(kLogError, "[ERROR] easy=[%p], init failed!", self);
      return false;
    }
    return true;
  } catch (...) {
    easy_.reset();
    LogLine(kLogError, "[ERROR] easy=[%p], init failed!", self);
    return false;
  }
}

bool CRangeDownloader::SetOptions(const std::vector<std::string>& overrides) {
  CURL* const easy = easy_.get();
  CURLcode failed = CURLE_OK;
  const auto set = [&](CURLoption option, auto value) {
    const CURLcode result = curl_easy_setopt(easy, option, value);
    if (result != CURLE_OK && failed == CURLE_OK) failed = result;
  };

  set(CURLOPT_URL, url_.c_str());
  if (url_.find("http://") != std::string::npos) {
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  }

  const std::int64_t end = range_end_.load();
  std::string range = "Range: bytes=" + std::to_string(range_start_) + "-";
  if (end >= range_start_) range += std::to_string(end);
  if (!AppendLine(header_list_, range.c_str())) return false;
  set(CURLOPT_HTTPHEADER, header_list_.get());

  for (const std::string& line : overrides) {
    if (!AppendLine(resolve_list_, line.c_str())) return false;
  }
  if (resolve_list_) set(CURLOPT_RESOLVE, resolve_list_.get());

  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings_.ca_file.empty()) set(CURLOPT_CAINFO, settings_.ca_file.c_str());
  // Schannel: an unreachable revocation server must not fail every range.
  set(CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  // Socket tuning only: libcurl builds without them still transfer.
  curl_easy_setopt(easy, CURLOPT_TCP_FASTOPEN, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
  set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connect_timeout.count()));
  set(CURLOPT_LOW_SPEED_LIMIT, settings_.low_speed_limit);
  set(CURLOPT_LOW_SPEED_TIME, static_cast<long>(settings_.low_speed_time.count()));
  set(CURLOPT_USERAGENT, kUserAgent);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_FOLLOWLOCATION, 1L);
  set(CURLOPT_MAXREDIRS, settings_.max_redirects);
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_FILETIME, 1L);
  set(CURLOPT_WRITEFUNCTION, &CRangeDownloader::OnWrite);
  set(CURLOPT_WRITEDATA, static_cast<void*>(this));
  set(CURLOPT_HEADERFUNCTION, &CRangeDownloader::OnHeader);
  set(CURLOPT_HEADERDATA, static_cast<void*>(this));
  set(CURLOPT_PRIVATE, static_cast<void*>(this));
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, &CRangeDownloader::OnProgress);
  set(CURLOPT_XFERINFODATA, static_cast<void*>(this));
  return failed == CURLE_OK;
}

bool CRangeDownloader::SetFileSize(std::int64_t file_size) {
  if (started_ || file_size < 0 || file_size > kMaxOffset) return false;
  file_size_ = file_size;
  return true;
}

bool CRangeDownloader::SetBufferSize(std::int32_t buffer_size) {
  if (started_ || buffer_size < 1) return false;
  buffer_size_ = buffer_size;
  return true;
}

bool CRangeDownloader::SetWriter(IFileWriter* writer) {
  if (started_) return false;
  writer_ = writer;
  return true;
}

bool CRangeDownloader::Start() {
  if (started_ || !easy_ || published_status_.load() != kRangeCreated) return false;
  started_ = true;
  status_ = kRangeRunning;
  start_time_.store(static_cast<std::int64_t>(std::time(nullptr)));
  published_status_.store(kRangeRunning, std::memory_order_release);
  try {
    thread_ = std::thread(&CRangeDownloader::Run, this);
  } catch (...) {
    // Ends as a failure with everything remaining, so that the owner fetches it again.
    LogLine(kLogError, "[ERROR] easy=[%p], start failed, no thread!", static_cast<void*>(this));
    status_ = kRangeFailed;
    end_time_.store(static_cast<std::int64_t>(std::time(nullptr)));
    Finish();
    return false;
  }
  return true;
}

void CRangeDownloader::Cancel() {
  if (published_status_.load() == kRangeRunning) cancel_requested_.store(true);
}

bool CRangeDownloader::ShortenEnd(std::int64_t new_end) {
  const std::int32_t status = published_status_.load();
  if (status != kRangeCreated && status != kRangeRunning) return false;
  if (new_end < range_start_ || new_end >= EffectiveEnd()) return false;
  range_end_.store(new_end);
  return true;
}

std::int64_t CRangeDownloader::EffectiveEnd() const {
  const std::int64_t end = range_end_.load();
  return end >= 0 ? end : file_size_ - 1;
}

std::int64_t CRangeDownloader::Limit() const {
  return std::max<std::int64_t>(0, EffectiveEnd() - range_start_ + 1);
}

std::int64_t CRangeDownloader::Received() const {
  return std::min(received_.load(), Limit());
}

std::int64_t CRangeDownloader::Saved() const { return std::min(saved_.load(), Limit()); }

std::int64_t CRangeDownloader::Remaining() const {
  return std::max<std::int64_t>(0, Limit() - Received());
}

std::string CRangeDownloader::EffectiveUrl() const {
  const std::int32_t status = Status();
  if (status == kRangeCreated || status == kRangeRunning) return {};
  return effective_url_;
}

bool CRangeDownloader::RangesUnsupported() const { return ranges_unsupported_.load(); }

// --- transfer thread -------------------------------------------------------------------

// No exception may unwind through libcurl: one stops the transfer instead.
size_t CRangeDownloader::OnWrite(char* data, size_t size, size_t count, void* self) {
  try {
    return static_cast<CRangeDownloader*>(self)->Take(data, size * count);
  } catch (...) {
    return 0;
  }
}

size_t CRangeDownloader::OnHeader(char* data, size_t size, size_t count, void* self) {
  try {
    static_cast<CRangeDownloader*>(self)->HeaderLine(data, size * count);
    return size * count;
  } catch (...) {
    return 0;
  }
}

int CRangeDownloader::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  try {
    return static_cast<CRangeDownloader*>(self)->Progress();
  } catch (...) {
    return 1;
  }
}

void CRangeDownloader::HeaderLine(const char* data, std::size_t length) {
  const std::string_view line(data, length);
  if (line.rfind("HTTP/", 0) == 0) {  // a new response: its body is judged afresh
    response_checked_ = false;
    content_range_first_.reset();
  } else if (StartsWithNoCase(line, "content-range:")) {
    content_range_first_ = ContentRangeFirst(line.substr(14));
  }
}

// Only bytes of the range asked for are package bytes: an error page, or a whole file
// where a later part of it was asked for, must never reach the file.
bool CRangeDownloader::AcceptResponse() {
  long code = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
  if (code < 200 || code > 299) {
    refusal_ = Refusal::kHttpStatus;
    return false;
  }
  const bool honoured = code == 206 ? content_range_first_ == range_start_ : range_start_ == 0;
  if (!honoured) {
    refusal_ = Refusal::kRangeIgnored;
    ranges_unsupported_.store(true);
    return false;
  }
  return true;
}

std::size_t CRangeDownloader::Take(const char* data, std::size_t offered) {
  if (offered == 0) return 0;
  if (refusal_ != Refusal::kNone) return 0;
  if (!response_checked_) {
    if (!AcceptResponse()) return 0;
    response_checked_ = true;
  }
  if (!buffer_) {
    const auto size = static_cast<std::size_t>(buffer_size_);
    try {
      buffer_ = settings_.allocate_buffer ? settings_.allocate_buffer(size)
                                          : std::make_unique<char[]>(size);
    } catch (...) {
      buffer_.reset();
    }
    if (!buffer_) {
      // Refused, not dropped: the range ends at its first byte not taken.
      LogLine(kLogError, "[ERROR] easy=[%p], new buf failed! size=[%d].",
              static_cast<void*>(this), buffer_size_);
      refusal_ = Refusal::kNoBuffer;
      return 0;
    }
  }
  has_activity_ = true;
  last_activity_ = std::chrono::steady_clock::now();

  const std::int64_t room = Limit() - received_.load();
  const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(offered), room);
  if (n > 0 && !Accept(data, n)) {
    refusal_ = Refusal::kWriteFailed;
    return 0;
  }
  // Fewer bytes than offered stop the transfer: bytes past the range's end (a server that
  // sends more than asked, or a range shortened by a split) are refused. The range itself
  // is then complete, which libcurl's last progress call would find as well; deciding here
  // makes the outcome the same on every build.
  if (n < static_cast<std::int64_t>(offered) && status_ == kRangeRunning &&
      received_.load() >= Limit()) {
    SetStatus(kRangeSucceeded);
  }
  return static_cast<std::size_t>(std::max<std::int64_t>(n, 0));
}

bool CRangeDownloader::Accept(const char* data, std::int64_t n) {
  if (buffered_ + n >= buffer_size_) {
    if (!Flush()) return false;
    if (n >= buffer_size_) {
      if (Store(data, n) != n) return false;
      received_.fetch_add(n);
      return true;
    }
    std::memcpy(buffer_.get(), data, static_cast<std::size_t>(n));
    buffered_ = n;
  } else {
    std::memcpy(buffer_.get() + buffered_, data, static_cast<std::size_t>(n));
    buffered_ += n;
  }
  received_.fetch_add(n);
  return true;
}

bool CRangeDownloader::Flush() {
  if (!buffer_ || buffered_ <= 0) return true;
  const std::int64_t length = buffered_;
  buffered_ = 0;
  return Store(buffer_.get(), length) == length;
}

// Writes at the next offset. Returns `length` when every byte is stored (bytes past a
// shortened end are dropped, not stored); less after a failure, which also takes the
// received count back to what was stored.
std::int64_t CRangeDownloader::Store(const char* data, std::int64_t length) {
  const std::int64_t saved = saved_.load();
  const std::int64_t room = Limit() - saved;
  if (room <= 0) return length;
  const std::int64_t wanted = std::min(length, room);
  std::int64_t stored = 0;
  if (writer_ != nullptr) {
    try {
      stored = writer_->Write(range_start_ + saved, wanted, data);
    } catch (...) {
      stored = 0;
    }
  }
  stored = std::clamp<std::int64_t>(stored, 0, wanted);
  saved_.store(saved + stored);
  if (stored == wanted) return length;
  LogLine(kLogError, "[ERROR] easy=[%p], write failed! offset=[%lld], size=[%lld], written=[%lld].",
          static_cast<void*>(this), AsLong(range_start_ + saved), AsLong(wanted), AsLong(stored));
  received_.store(saved + stored);
  return stored;
}

int CRangeDownloader::Progress() {
  if (status_ != kRangeRunning) return 0;
  if (cancel_requested_.load()) {
    SetStatus(kRangeCancelled);
    return 1;
  }
  if (received_.load() >= Limit()) {
    SetStatus(kRangeSucceeded);
    return 2;
  }
  if (has_activity_ && std::chrono::steady_clock::now() - last_activity_ > settings_.stall_timeout) {
    SetStatus(kRangeFailed);
    return 3;
  }
  return 0;
}

void CRangeDownloader::SetStatus(std::int32_t status) {
  const bool stored = Flush();
  buffer_.reset();
  buffered_ = 0;
  // Missing bytes are never a success.
  if (!stored && status == kRangeSucceeded) status = kRangeFailed;
  if (status == status_) return;
  status_ = status;
  end_time_.store(static_cast<std::int64_t>(std::time(nullptr)));
  if (easy_) {
    curl_off_t speed = 0;
    if (curl_easy_getinfo(easy_.get(), CURLINFO_SPEED_DOWNLOAD_T, &speed) == CURLE_OK) {
      speed_.store(static_cast<double>(speed));
    }
  }

  const void* const self = this;
  const long long start = AsLong(range_start_);
  const long long end = AsLong(range_end_.load());
  const long long received = AsLong(Received());
  const long long remaining = AsLong(Remaining());
  const long long saved = AsLong(Saved());
  const double speed = speed_.load();
  switch (status) {
    case kRangeSucceeded:
      LogLine(kLogInfo,
              "[INFO] easy=[%p], success. range(%lld~%lld), downloaded=[%lld], "
              "undownloaded=[%lld], saved=[%lld], speed=[%.0f B/s].",
              self, start, end, received, remaining, saved, speed);
      break;
    case kRangeFailed:
      LogLine(kLogError,
              "[ERROR] easy=[%p], failed! range(%lld~%lld), downloaded=[%lld], "
              "undownloaded=[%lld], saved=[%lld], speed=[%.0f B/s].",
              self, start, end, received, remaining, saved, speed);
      break;
    case kRangeCancelled:
      LogLine(kLogWarn,
              "[WARN] easy=[%p], cancel, range(%lld~%lld), downloaded=[%lld], "
              "undownloaded=[%lld], saved=[%lld], speed=[%.0f B/s].",
              self, start, end, received, remaining, saved, speed);
      break;
    default:
      break;
  }
}

void CRangeDownloader::Run() {
  NameCurrentThread("range transfer");
  const void* const self = this;
  try {
    const CURLcode result = curl_easy_perform(easy_.get());
    transfer_result_.store(static_cast<std::int32_t>(result));
    // A refused answer is not a network failure; its status line says more below.
    const bool answer_refused =
        refusal_ == Refusal::kHttpStatus || refusal_ == Refusal::kRangeIgnored;
    if (result != CURLE_OK && status_ == kRangeRunning && !answer_refused) {
      LogLine(kLogError, "[ERROR] easy=[%p], curl_easy_perform failed! err=[%d][%s].", self,
              static_cast<int>(result), curl_easy_strerror(result));
      SetStatus(kRangeFailed);
    }

    long code = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
    response_code_.store(static_cast<std::int32_t>(code));
    const bool whole_file = code >= 200 && code <= 299 && code != 206 && range_start_ != 0;
    if (code == 416 || whole_file) ranges_unsupported_.store(true);

    if (status_ == kRangeRunning) {
      const bool success_code = code == 0 || (code >= 200 && code <= 299);
      if (ranges_unsupported_.load() && code != 416) {
        LogLine(kLogWarn, "[WARN] easy=[%p], range not honoured, http code=[%ld].", self, code);
        SetStatus(kRangeFailed);
      } else if (success_code && Remaining() == 0) {
        SetStatus(kRangeSucceeded);
      } else if (success_code) {
        LogLine(kLogWarn, "[WARN] easy=[%p], there is some abnormality.", self);
        SetStatus(kRangeFailed);
      } else {
        LogLine(kLogWarn, "[WARN] easy=[%p], http code=[%d].", self, static_cast<int>(code));
        SetStatus(kRangeFailed);
      }
    }

    LogLine(kLogInfo,
            "[INFO] easy=[%p], finished, status=[%d], ip=[%s], time=[%llds], range(%lld~%lld), "
            "downloaded=[%lld], undownloaded=[%lld], saved=[%lld].",
            self, static_cast<int>(status_), address_.c_str(),
            AsLong(end_time_.load() - start_time_.load()), AsLong(range_start_),
            AsLong(range_end_.load()), AsLong(Received()), AsLong(Remaining()), AsLong(Saved()));
    long verify = 0;
    if (curl_easy_getinfo(easy_.get(), CURLINFO_SSL_VERIFYRESULT, &verify) == CURLE_OK &&
        verify != 0) {
      LogLine(kLogWarn, "[WARN] easy=[%p], ssl verify result=[%d].", self, static_cast<int>(verify));
    }
    char* effective = nullptr;
    if (curl_easy_getinfo(easy_.get(), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective != nullptr && url_ != effective) {
      LogLine(kLogInfo, "[INFO] easy=[%p], effective url=[%s].", self, effective);
      effective_url_ = effective;
    }
  } catch (...) {
    LogLine(kLogError, "[ERROR] easy=[%p], transfer thread failed!", self);
    if (status_ == kRangeRunning) SetStatus(kRangeFailed);
  }
  Finish();
}

void CRangeDownloader::Finish() {
  buffer_.reset();
  buffered_ = 0;
  easy_.reset();
  resolve_list_.reset();
  header_list_.reset();
  writer_ = nullptr;
  published_status_.store(status_, std::memory_order_release);
}

}  // namespace ns_PLX
