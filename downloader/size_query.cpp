#include "downloader/size_query.h"

#include <curl/curl.h>

#include <optional>
#include <thread>
#include <vector>

#include "app/log/simple_log.h"
#include "downloader/curl_global.h"
#include "downloader/curl_handles.h"
#include "downloader/range_downloader.h"
#include "downloader/url_split.h"

namespace ns_PLX {
namespace {

struct QueryContext {
  const std::function<bool()>* cancelled = nullptr;
};

// A GET is only asked for its headers: the first body byte ends it.
size_t RefuseBody(char*, size_t, size_t, void*) { return 0; }

int CheckCancel(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  try {
    const auto* query = static_cast<const QueryContext*>(context);
    return (*query->cancelled)() ? 1 : 0;
  } catch (...) {
    return 1;
  }
}

void LogCurlError(const char* what, CURLcode code) {
  LogLine(kLogError, "[ERROR] multi, %s failed! error=[%d][%s].", what, static_cast<int>(code),
          curl_easy_strerror(code));
}

}  // namespace

std::int64_t QueryRemoteSize(const std::string& url, const std::string& address,
                             const SizeQuerySettings& settings,
                             const std::function<bool()>& cancelled) {
  CurlEasy easy;
  if (CurlGlobalInit()) easy.reset(curl_easy_init());
  if (!easy) {
    LogLine(kLogError, "[ERROR] multi, curl_easy_init failed!");
    return 0;
  }
  CURL* const handle = easy.get();
  CurlSList resolve;
  if (!address.empty()) {
    const std::optional<UrlSplit> parts = SplitUrl(url);
    if (parts) {
      std::vector<std::string> lines = {parts->name + ":80:" + address,
                                        parts->name + ":443:" + address};
      // The pin must also hold for a port the URL names itself.
      if (!parts->port.empty()) lines.push_back(parts->name + ":" + parts->port + ":" + address);
      for (const std::string& line : lines) AppendLine(resolve, line.c_str());
    }
  }
  QueryContext context{&cancelled};
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connect_timeout.count()));
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.total_timeout.count()));
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  if (!settings.ca_file.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, settings.ca_file.c_str());
  if (resolve) curl_easy_setopt(handle, CURLOPT_RESOLVE, resolve.get());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &RefuseBody);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CheckCancel);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, static_cast<void*>(&context));

  bool head = true;
  for (std::int32_t attempt = 1; attempt <= settings.attempts; ++attempt) {
    if (cancelled()) return 0;
    const CURLcode result = curl_easy_perform(handle);
    long code = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
    // A GET ends at its first body byte on purpose.
    const bool answered = result == CURLE_OK || (!head && result == CURLE_WRITE_ERROR && code != 0);
    if (!answered) {
      LogCurlError("curl_easy_perform", result);
    } else if (code < 200 || code > 299) {
      LogLine(kLogWarn, "[WARN] multi, file size query answered http code=[%ld].", code);
    } else {
      curl_off_t length = -1;
      const CURLcode info = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      if (info != CURLE_OK) {
        LogCurlError("curl_easy_getinfo", info);
      } else if (length > 0 && length <= CRangeDownloader::kMaxOffset) {
        return static_cast<std::int64_t>(length);
      }
    }
    if (attempt == settings.head_attempts) {
      head = false;
      curl_easy_setopt(handle, CURLOPT_NOBODY, 0L);
      curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    }
    if (attempt < settings.attempts) std::this_thread::sleep_for(settings.pause);
  }
  return 0;
}

}  // namespace ns_PLX
