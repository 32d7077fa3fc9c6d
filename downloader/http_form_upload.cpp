#include "downloader/http_form_upload.h"

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/http_exchange.h"
#include "downloader/upload_source.h"

namespace ns_PLX {
namespace {

constexpr const char* kLogName = "curl form data request";

}  // namespace

std::string HttpFormUpload(const std::string& url, const HeaderList& headers,
                           const std::string& filePath, std::int32_t& resultCode,
                           const HttpSettings& settings) {
  try {
    UploadSource source;  // outlives the handle and the form that read from it
    HttpExchange exchange(kLogName, settings);
    if (!exchange.Init()) return {};

    if (!source.Open(filePath)) {
      LogLine(kLogError, "[ERROR] %s, open file failed, path=[%s].", kLogName,
              WideToAnsi(Utf8ToWide(filePath)).c_str());
      resultCode = CURLE_READ_ERROR;
      return {};
    }
    const CurlMime form(curl_mime_init(exchange.handle()));
    curl_mimepart* const part = form ? curl_mime_addpart(form.get()) : nullptr;
    if (part == nullptr || curl_mime_name(part, "file") != CURLE_OK ||
        curl_mime_filename(part, source.file_name().c_str()) != CURLE_OK ||
        curl_mime_type(part, "application/octet-stream") != CURLE_OK ||
        curl_mime_data_cb(part, source.size(), &UploadSource::Read, &UploadSource::Seek,
                          nullptr, &source) != CURLE_OK) {
      LogLine(kLogError, "[ERROR] %s, build form failed.", kLogName);
      resultCode = CURLE_OUT_OF_MEMORY;
      return {};
    }
    exchange.Set(CURLOPT_MIMEPOST, form.get());

    ExchangeRequest request;
    request.url = url;
    request.headers = &headers;
    request.http10 = true;
    request.total_timeout = settings.upload_timeout;
    const ExchangeReply reply = exchange.Perform(request);
    resultCode = reply.code;
    return WithoutCrLf(reply.body);
  } catch (...) {
    LogLine(kLogError, "[ERROR] %s, out of memory.", kLogName);
    resultCode = CURLE_OUT_OF_MEMORY;
    return {};
  }
}

}  // namespace ns_PLX
