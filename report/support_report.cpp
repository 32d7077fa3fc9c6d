#include "report/support_report.h"

#include <charconv>
#include <cstdint>
#include <utility>

#include "app/log/simple_log.h"
#include "common/json_doc.h"
#include "common/text_convert.h"

namespace {

constexpr std::string_view kTicketUploadPath = "/v1/crm/ticket/file/upload";
constexpr std::string_view kTicketPath = "/v1/support/tickets";

// 0 when the text is not a whole number.
std::int64_t ProductNumber(const std::string& text) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace

bool CSupportReporter::SetTicket(const std::wstring& title, const std::wstring& contents,
                                 const std::wstring& contact) {
  title_ = WideToUtf8(title);
  contents_ = WideToUtf8(contents);
  contact_ = WideToUtf8(contact);
  LogLine(kLogInfo, "[INFO] contact: %s", WideToAnsi(contact).c_str());
  LogLine(kLogInfo, "[INFO] content: %s", WideToAnsi(contents).c_str());
  return true;
}

bool CSupportReporter::UploadFile(const std::wstring& path) {
  std::string reply = ApiUpload(kTicketUploadPath, path, false);
  if (ServiceReplyCode(reply) != 0) return false;
  upload_replies_.push_back(std::move(reply));
  return true;
}

bool CSupportReporter::Report(const std::vector<std::wstring>& uploaded) {
  if (uploaded.empty()) return false;
  LogLine(kLogInfo, "[INFO] report support.");
  const std::string contact_type = contact_.find('@') != std::string::npos ? "email" : "mobile";
  JsonDoc doc;
  doc.AddString("title", title_);
  doc.AddString("contents", contents_);
  doc.AddString("contact_type", contact_type);
  doc.AddString(contact_type, contact_);
  doc.AddInt64("product_id", ProductNumber(ticket_product_id_));
  doc.AddString("product_version", product_version_);
  doc.AddInt64("ticket_form_id", kSupportTicketFormId);
  doc.AddEmptyArray("attachment");
  for (const std::string& reply : upload_replies_) {
    JsonDoc parsed;
    JsonDoc data;
    if (parsed.Parse(reply) && parsed.GetObject("data", data)) {
      doc.AppendToArray("attachment", data);
    }
  }
  const int code = ServiceReplyCode(api_.Post(kTicketPath, JsonHeaders(), doc.Print()));
  if (code != 0) {
    LogLine(kLogError, "[ERROR] report support failed! code=[%d].", code);
    return false;
  }
  return true;
}

std::wstring SupportTicketContents(const std::wstring& download_code,
                                   const std::wstring& install_code,
                                   const std::wstring& description) {
  return L"download error_code=[ " + download_code + L" ];" + L"install  error_code=[ " +
         install_code + L" ].\r\n\r\n" + description + L"\r\n\r\n";
}

bool SupportTicketWantsInstallerLog(std::wstring_view install_code) {
  return !install_code.empty() && install_code != L"0";
}
