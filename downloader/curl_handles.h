#pragma once
// Owners for libcurl's handles and lists.
#include <curl/curl.h>

#include <memory>

namespace ns_PLX {

struct CurlEasyDeleter {
  void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
};
struct CurlSListDeleter {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
struct CurlMimeDeleter {
  void operator()(curl_mime* mime) const noexcept { curl_mime_free(mime); }
};
struct CurlUrlDeleter {
  void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};
struct CurlStringDeleter {
  void operator()(char* text) const noexcept { curl_free(text); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlSList = std::unique_ptr<curl_slist, CurlSListDeleter>;
using CurlMime = std::unique_ptr<curl_mime, CurlMimeDeleter>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

// Appends a copy of `line`; false (list unchanged) when libcurl is out of memory.
inline bool AppendLine(CurlSList& list, const char* line) {
  curl_slist* const head = curl_slist_append(list.get(), line);
  if (head == nullptr) return false;
  static_cast<void>(list.release());
  list.reset(head);
  return true;
}

}  // namespace ns_PLX
