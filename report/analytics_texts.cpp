#include "report/analytics_texts.h"

#include <curl/curl.h>

#include <array>

namespace orb_analytics {

std::string_view DownloadResultText(long long code) {
  static constexpr std::array<std::string_view, 22> kTexts = {
      "",
      "Already downloaded",
      "Connection failed",
      "Receive failed",
      "Send failed",
      "Get site information failed",
      "Download task allocation failed",
      "Buffer error",
      "Parameter error",
      "File operation failed",
      "Insufficient disk space",
      "MD5 verification failed",
      "File size error",
      "User canceled",
      "Download failed",
      "Unknown error",
      "End event error",
      "Save path error",
      "PID error",
      "URL error",
      "URL parsing error",
      "Thread creation error",
  };
  if (code < 0 || code >= static_cast<long long>(kTexts.size())) return "Unknown error";
  return kTexts[static_cast<std::size_t>(code)];
}

std::string ConfigErrorText(long long code) {
  if (code == 0) return {};
  if (code < 1 || code > 92) return "Unknown error";
  return curl_easy_strerror(static_cast<CURLcode>(code));
}

}  // namespace orb_analytics
