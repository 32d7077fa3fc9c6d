#include "downloader/curl_global.h"

#include <curl/curl.h>

#include <mutex>

#include "app/log/simple_log.h"

namespace ns_PLX {

bool CurlGlobalInit() {
  static std::once_flag once;
  static CURLcode result = CURLE_FAILED_INIT;
  try {
    std::call_once(once, [] {
      result = curl_global_init(CURL_GLOBAL_ALL);
      if (result != CURLE_OK) {
        LogLine(kLogError, "[ERROR] curl global init failed, code=[%d].", static_cast<int>(result));
      }
    });
  } catch (...) {
    return false;  // the once-guard itself could not run
  }
  return result == CURLE_OK;
}

}  // namespace ns_PLX
