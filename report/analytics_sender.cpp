#include "report/analytics_sender.h"

#include <curl/curl.h>

#include <algorithm>

#include "downloader/curl_global.h"
#include "downloader/curl_handles.h"

namespace orb_analytics {
namespace {

// Replies are short acknowledgements; a longer one is cut, not refused.
constexpr std::size_t kMaxAnswerBytes = 4096;

size_t OnBody(char* data, size_t size, size_t count, void* target) {
  auto& answer = *static_cast<std::string*>(target);
  const std::size_t length = size * count;
  const std::size_t room = kMaxAnswerBytes - std::min(kMaxAnswerBytes, answer.size());
  try {
    answer.append(data, std::min(room, length));
  } catch (...) {
    return 0;
  }
  return length;
}

int OnProgress(void* abort, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(abort)->load() ? 1 : 0;
}

struct Attempt {
  long status = -1;
  CURLcode code = CURLE_OK;
  std::string answer;
};

Attempt PostOnce(const std::string& url, const std::string& body, const SendSettings& settings,
                 const std::atomic<bool>& abort) {
  Attempt attempt;
  ns_PLX::CurlEasy easy;
  if (ns_PLX::CurlGlobalInit()) easy.reset(curl_easy_init());
  if (!easy) {
    attempt.code = CURLE_FAILED_INIT;
    attempt.answer = curl_easy_strerror(attempt.code);
    return attempt;
  }
  CURL* const handle = easy.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_POST, 1L);
  curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
  // Records identify the machine: they only go to a collector that proves who it is.
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings.ca_file.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, settings.ca_file.c_str());
  curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.timeout.count()));
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, static_cast<void*>(&attempt.answer));
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<void*>(static_cast<const void*>(&abort)));

  attempt.code = curl_easy_perform(handle);
  if (attempt.code != CURLE_OK) {
    attempt.status = -1;
    attempt.answer = curl_easy_strerror(attempt.code);
    return attempt;
  }
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &attempt.status);
  return attempt;
}

}  // namespace

SendResult PostBatch(const std::vector<std::string>& urls, const std::string& body,
                     const SendSettings& settings, const std::atomic<bool>& abort) {
  SendResult result;
  for (const std::string& url : urls) {
    if (abort.load()) {
      result.aborted = true;
      break;
    }
    Attempt attempt = PostOnce(url, body, settings, abort);
    result.answer = std::move(attempt.answer);
    if (attempt.status == 200) {
      result.sent = true;
      break;
    }
    if (attempt.code == CURLE_ABORTED_BY_CALLBACK) {
      result.aborted = true;
      break;
    }
  }
  return result;
}

}  // namespace orb_analytics
