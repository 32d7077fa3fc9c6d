#include "report/error_report.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "app/log/simple_log.h"
#include "common/json_doc.h"
#include "common/text_convert.h"

namespace {

constexpr std::string_view kUploadLogPath = "/v1/product/downloader/upload-log-file";
constexpr std::string_view kReportPath = "/v1/product/logs/report";
constexpr std::string_view kWhitelistPath = "/v1/product/logs/whitelist";

bool FileExists(const std::wstring& path) {
  const std::string utf8 = WideToUtf8(path);
  if (utf8.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(
      std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), ec);
}

int ReporterPid() { return 14424; }

}  // namespace

CBaseReporter::CBaseReporter(std::string client_sign, const IReportFacts& facts,
                             const ServiceApi& api)
    : api_(api),
      facts_(facts),
      client_sign_(std::move(client_sign)),
      own_version_(facts.OwnFileVersion()),
      product_version_(own_version_) {}

CBaseReporter::~CBaseReporter() = default;

std::vector<std::wstring> CBaseReporter::LogFiles(const std::wstring& installer_log) const {
  std::vector<std::wstring> files = {facts_.OwnLogFile()};
  if (!installer_log.empty()) {
    files.push_back(installer_log);
    if (installer_log.size() >= 4) {  // "x.log" less its extension
      const std::wstring stem = installer_log.substr(0, installer_log.size() - 4);
      for (const wchar_t* sub : {L".SubPack1.log", L".SubPack2.log", L".SubPack3.log"}) {
        files.push_back(stem + sub);
      }
    }
  }
  return files;
}

bool CBaseReporter::SendLogs(const std::wstring& installer_log) {
  token_ = api_.GetToken(kReporterProductId, client_sign_, own_version_);
  ready_ = IsReady();
  if (!ready_ || token_.empty()) {
    LogLine(kLogError, "[ERROR] send file failed! not init.");
    return false;
  }
  std::vector<std::wstring> uploaded;
  for (const std::wstring& file : LogFiles(installer_log)) {
    if (FileExists(file) && UploadFile(file)) uploaded.push_back(file);
  }
  return Report(uploaded);
}

std::string CBaseReporter::ApiUpload(std::string_view path, const std::wstring& file,
                                     bool app_headers) const {
  ns_PLX::HeaderList headers = {"Authorization: Bearer " + token_,
                                "Content-Type: multipart/form-data"};
  if (app_headers) {
    headers.push_back("X-App-Key: " + std::string(kServiceAppKey));
    headers.push_back("X-Client-Type: 1");
    headers.push_back("X-Lang: en-us");
    headers.push_back("X-Client-Sn: " + client_sign_);
    headers.push_back("X-Prod-Id: " + std::string(kReporterProductId));
    headers.push_back("X-Prod-Ver: " + own_version_);
  }
  // UTF-8 here and in the upload helper alike, whatever the ANSI code page.
  return api_.Upload(path, headers, WideToUtf8(file));
}

ns_PLX::HeaderList CBaseReporter::JsonHeaders() const {
  return {"Authorization: Bearer " + token_, "Content-Type: application/json"};
}

// --- CLogReporter ----------------------------------------------------------------------------

bool CLogReporter::UploadFile(const std::wstring& path) {
  std::string reply = ApiUpload(kUploadLogPath, path, true);
  if (ServiceReplyCode(reply) != 0) {
    LogLine(kLogError, "[ERROR] upload log, result=[%s]", reply.c_str());
    return false;
  }
  upload_replies_.push_back(std::move(reply));
  return true;
}

void CLogReporter::AddToWhitelist() const {
  JsonDoc doc;
  doc.AddString("client_sign", client_sign_);
  doc.AddInt("pid", ReporterPid());
  doc.AddString("version", own_version_);
  const int code = ServiceReplyCode(api_.Post(kWhitelistPath, JsonHeaders(), doc.Print()));
  if (code != 0) LogLine(kLogError, "[ERROR] add white list failed! code=[%d].", code);
}

bool CLogReporter::Report(const std::vector<std::wstring>& uploaded) {
  if (uploaded.empty()) return false;
  AddToWhitelist();
  JsonDoc doc;
  doc.AddString("client_sign", client_sign_);
  doc.AddInt("pid", ReporterPid());
  doc.AddString("version", own_version_);
  doc.AddInt("type", 2);
  if (!remark_.empty()) doc.AddString("remark", remark_);
  doc.AddEmptyArray("files");
  for (const std::string& reply : upload_replies_) {
    JsonDoc parsed;
    JsonDoc data;
    if (parsed.Parse(reply) && parsed.GetObject("data", data)) doc.AppendToArray("files", data);
  }
  const std::string reply = api_.Post(kReportPath, JsonHeaders(), doc.Print());
  if (ServiceReplyCode(reply) != 0) {
    LogLine(kLogError, "[ERROR] log_reports failed! result=[%s]", reply.c_str());
    return false;
  }
  return true;
}

std::string InstallErrorRemark(std::string_view product_id, int code) {
  return "pid=" + std::string(product_id) + ", install err=" + std::to_string(code);
}

std::string DownloadErrorRemark(std::string_view product_id, int code) {
  return "pid=" + std::string(product_id) + ", download err=" + std::to_string(code);
}

bool SendErrorReport(const ServiceApi& api, const IReportFacts& facts, std::string client_sign,
                     const std::string& product_id, const std::string& product_version,
                     const std::string& remark, const std::wstring& installer_log) {
  LogLine(kLogInfo, "[INFO] auto report error log, remark=[%s].", remark.c_str());
  CLogReporter reporter(std::move(client_sign), facts, api);
  if (!product_id.empty()) reporter.SetTicketProductId(product_id);
  if (!product_version.empty()) reporter.SetProductVersion(product_version);
  reporter.SetRemark(remark);
  const bool result = reporter.SendLogs(installer_log);
  LogLine(kLogInfo, "[INFO] auto report error log, result=[%d].", result ? 1 : 0);
  return result;
}
