#pragma once
// The support ticket the user sends from the failure page: the logs as attachments of a
// ticket with the user's contact and description.
#include <string>
#include <string_view>
#include <vector>

#include "report/error_report.h"

inline constexpr std::string_view kSupportTicketTitle = "ORB Install Failed";
inline constexpr long long kSupportTicketFormId = 10310875932697LL;

class CSupportReporter final : public CBaseReporter {
 public:
  using CBaseReporter::CBaseReporter;

  bool IsReady() override { return true; }
  bool UploadFile(const std::wstring& path) override;
  bool Report(const std::vector<std::wstring>& uploaded) override;

  // Kept in UTF-8. Always true.
  bool SetTicket(const std::wstring& title, const std::wstring& contents,
                 const std::wstring& contact);

 private:
  std::string title_;
  std::string contents_;
  std::string contact_;
  std::vector<std::string> upload_replies_;
};

// The ticket's contents from the tracking values "downcode" and "installcode" and the
// user's description of the problem.
std::wstring SupportTicketContents(const std::wstring& download_code,
                                   const std::wstring& install_code,
                                   const std::wstring& description);

// Whether the ticket carries the installer's logs: only after an install error.
bool SupportTicketWantsInstallerLog(std::wstring_view install_code);
