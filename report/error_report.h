#pragma once
// Error reports: the program's logs (and the installer's) uploaded to the maker's service.
// A reporter is a stack object made for one report; it is not shared between threads.
#include <string>
#include <string_view>
#include <vector>

#include "report/service_api.h"
#include "report/service_facts.h"

// The product id the reporters use for their token and as the report's "pid".
inline constexpr std::string_view kReporterProductId = "14424";

class CBaseReporter {
 public:
  // `client_sign` is UTF-8. `facts` and `api` must outlive the reporter.
  CBaseReporter(std::string client_sign, const IReportFacts& facts, const ServiceApi& api);
  CBaseReporter(std::string, const IReportFacts&, ServiceApi&&) = delete;  // would dangle
  virtual ~CBaseReporter();
  CBaseReporter(const CBaseReporter&) = delete;
  CBaseReporter& operator=(const CBaseReporter&) = delete;

  virtual bool IsReady() = 0;
  virtual bool UploadFile(const std::wstring& path) = 0;
  virtual bool Report(const std::vector<std::wstring>& uploaded) = 0;

  // Token, then every log that exists (the program's own; the installer's and its three
  // sub-package logs when `installer_log` is given), then the report. False when there is
  // no token, nothing could be uploaded or the report was refused.
  bool SendLogs(const std::wstring& installer_log);

  void SetTicketProductId(std::string id) { ticket_product_id_ = std::move(id); }
  void SetProductVersion(std::string version) { product_version_ = std::move(version); }

  // The files SendLogs looks for, in order.
  std::vector<std::wstring> LogFiles(const std::wstring& installer_log) const;

 protected:
  // One multipart upload with the reporter's header list (the application headers only
  // when `app_headers`).
  std::string ApiUpload(std::string_view path, const std::wstring& file, bool app_headers) const;
  // "Authorization: Bearer <token>", "Content-Type: application/json".
  ns_PLX::HeaderList JsonHeaders() const;

  const ServiceApi& api_;
  const IReportFacts& facts_;
  const std::string client_sign_;
  const std::string own_version_;
  std::string ticket_product_id_{kReporterProductId};
  std::string product_version_;
  std::string token_;
  bool ready_ = false;
};

// The automatic report after a download or install error.
class CLogReporter final : public CBaseReporter {
 public:
  using CBaseReporter::CBaseReporter;

  bool IsReady() override { return true; }
  bool UploadFile(const std::wstring& path) override;
  bool Report(const std::vector<std::wstring>& uploaded) override;

  void SetRemark(std::string remark) { remark_ = std::move(remark); }

 private:
  void AddToWhitelist() const;

  std::vector<std::string> upload_replies_;
  std::string remark_;
};

// "pid=<id>, install err=<code>" and "pid=<id>, download err=<code>".
std::string InstallErrorRemark(std::string_view product_id, int code);
std::string DownloadErrorRemark(std::string_view product_id, int code);

// One automatic error report: the reporter gets the configured product id and the server
// document's product version (each only when not empty) and the remark, then sends the logs.
// `installer_log` is empty for download errors.
bool SendErrorReport(const ServiceApi& api, const IReportFacts& facts, std::string client_sign,
                     const std::string& product_id, const std::string& product_version,
                     const std::string& remark, const std::wstring& installer_log);
