#include "config/product_reader.h"

#include <cwctype>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "common/xml_doc.h"

namespace {

constexpr std::size_t kMaxClipboardText = 256;

// Reads a group's two children when the group exists; a missing group leaves them.
void ReadGroup(XmlDoc& doc, std::wstring_view group, std::wstring_view url_name, PackageUrls& out) {
  doc.ResetChild();
  if (!doc.FindChild(group) || !doc.EnterChild()) return;
  ReadChildText(doc, L"OnlyUseLocalUrl", out.OnlyUseLocalUrl);
  ReadChildText(doc, url_name, out.Url);
  doc.LeaveChild();
}

DependentItem ReadItem(XmlDoc& doc) {
  DependentItem item;
  item.ForceInstall = L"true";
  ReadChildText(doc, L"ProductID", item.ProductID);
  ReadChildText(doc, L"ProductName", item.ProductName);
  ReadChildText(doc, L"ProductExe", item.ProductExe);
  ReadChildText(doc, L"Url_Down", item.Url_Down);
  ReadChildText(doc, L"Url_Downx64", item.Url_Downx64);
  ReadChildText(doc, L"Url_Down_arm64", item.Url_Down_arm64);
  ReadChildText(doc, L"ForceInstall", item.ForceInstall);
  ReadChildText(doc, L"ProductArg", item.ProductArg);
  ReadChildText(doc, L"ProductInstallArg", item.ProductInstallArg);
  ReadChildText(doc, L"ProductInsCmple", item.ProductInsCmple);
  ReadChildText(doc, L"ForkInstall", item.ForkInstall);
  return item;
}

}  // namespace

bool EnterProduct(XmlDoc& doc) { return doc.ResetTop() && doc.FindSibling(L"Product"); }

void ReadProductFields(XmlDoc& doc, MachineKind machine, ProductConfig& c) {
  ReadChildText(doc, L"ProductSkin", c.ProductSkin);
  ReadChildText(doc, L"ProductBrand", c.ProductBrand);
  ReadChildText(doc, L"ProductName", c.ProductName);
  ReadChildText(doc, L"ProductExe", c.ProductExe);
  ReadChildText(doc, L"ProductArg", c.ProductArg);
  ReadChildText(doc, L"FoldBottom", c.FoldBottom);
  ReadChildText(doc, L"ProductInstallArg", c.ProductInstallArg);
  ReadChildText(doc, L"ProductInsCmple", c.ProductInsCmple);
  ReadChildText(doc, L"CustomInstallPath", c.CustomInstallPath);
  ReadChildText(doc, L"IsAllowInstallAdminPath", c.IsAllowInstallAdminPath);
  ReadChildText(doc, L"ServerHost", c.ServerHost);
  if (c.ServerHost.empty() || c.ServerHost.back() != L'/') c.ServerHost.push_back(L'/');
  ReadChildText(doc, L"ProductID", c.ProductID);
  ReadChildText(doc, L"AppID", c.AppID);
  ReadChildText(doc, L"Channel", c.Channel);

  ReadGroup(doc, L"Downurl", L"Url_Down", c.Downurl);
  if (machine.windows64) {
    if (machine.arm64) ReadGroup(doc, L"Downurl_arm64", L"Url_Down", c.Downurl_arm64);
    ReadGroup(doc, L"Downurl_x64", L"Url_Down", c.Downurl_x64);
  }

  ReadChildText(doc, L"InstallTime", c.InstallTime);
  ReadGroup(doc, L"Installurl", L"Url_Install", c.Installurl);
  ReadChildText(doc, L"Url_License", c.Url_License);
  if (c.Url_License.empty()) c.Url_License = kDefaultLicenseUrl;
  ReadChildText(doc, L"UserAgreementUrl", c.UserAgreementUrl);
  ReadChildText(doc, L"PrivacyAgreementUrl", c.PrivacyAgreementUrl);
  ReadChildText(doc, L"Languages", c.Languages);
  ReadChildText(doc, L"Dotnetminver", c.Dotnetminver);
  ReadChildText(doc, L"Dotneturl", c.Dotneturl);
  ReadChildText(doc, L"AgreeUserLicense", c.AgreeUserLicense);
  ReadChildText(doc, L"StartupProduct", c.StartupProduct);
  ReadChildText(doc, L"Url_Jump", c.Url_Jump);
  ReadChildText(doc, L"InstallErrorUrl", c.InstallErrorUrl);
  ReadChildText(doc, L"InstallSalvageTitle", c.InstallSalvageTitle);
  ReadChildText(doc, L"InstallSalvageContent", c.InstallSalvageContent);
  ReadChildText(doc, L"NotSupportWin32", c.NotSupportWin32);
  ReadChildText(doc, L"SceneCode", c.SceneCode);
  ReadChildText(doc, L"BannerImg", c.BannerImg);
  ReadChildText(doc, L"AllowRunTimeInstall", c.AllowRunTimeInstall);
}

void ReadDependentItems(XmlDoc& doc, ProductConfig& config, const std::function<void(const DependentItem&)>& on_added) {
  doc.ResetChild();
  if (!doc.FindChild(L"Dependent") || !doc.EnterChild()) return;
  while (doc.FindChild(L"item") && doc.EnterChild()) {
    DependentItem item = ReadItem(doc);
    doc.LeaveChild();
    const std::string pid = WideToAnsi(item.ProductID);
    const bool has_package = !item.Url_Down.empty() || !item.Url_Downx64.empty() || !item.Url_Down_arm64.empty();
    if (!item.ProductID.empty() && has_package) {
      config.dependents.push_back(std::move(item));
      if (on_added) on_added(config.dependents.back());
    }
    LogLine(kLogInfo, "[INFO] LoadLocalXml, dependent.item pid=[%s].", pid.c_str());
  }
  doc.LeaveChild();
}

ClipboardRequest ReadClipboardRequest(XmlDoc& doc) {
  ClipboardRequest request;
  doc.ResetChild();
  if (!doc.FindChild(L"Clipboard") || !doc.EnterChild()) return request;
  std::wstring access;
  ReadChildText(doc, L"Access", access);
  request.enabled = access == L"1";
  if (request.enabled) ReadChildText(doc, L"Keyword", request.keyword);
  doc.LeaveChild();
  return request;
}

bool IsSafeClipboardText(std::wstring_view text) {
  if (text.size() > kMaxClipboardText) return false;
  for (const wchar_t c : text) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool quote_or_slash = c == L'"' || c == L'\'' || c == L'/' || c == L'\\';
    if (control || quote_or_slash || std::iswspace(static_cast<wint_t>(c))) return false;
  }
  return true;
}

std::wstring ClipboardTextFor(const ClipboardRequest& request, std::string_view ansi_clipboard) {
  if (!request.enabled || request.keyword.empty()) return {};
  const std::string keyword = WideToAnsi(request.keyword);
  if (keyword.empty() || ansi_clipboard.substr(0, keyword.size()) != keyword) return {};
  std::wstring text = LocaleToWide(ansi_clipboard);
  // The text goes onto an installer's command line: refuse anything that could add arguments.
  if (!IsSafeClipboardText(text)) {
    LogLine(kLogWarn, "[WARN] LoadLocalXml, clipboard text refused, length=[%u].", static_cast<unsigned>(text.size()));
    return {};
  }
  return text;
}

bool IsLocalAppDataToken(std::wstring_view path) {
  constexpr std::wstring_view kToken = L"%localappdata%";
  if (path.size() != kToken.size()) return false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(path[i])) != static_cast<wint_t>(kToken[i])) return false;
  }
  return true;
}

std::wstring InstallRootBeforeBrand(std::wstring_view install_path, std::wstring_view brand) {
  if (brand.empty()) return {};
  const std::wstring folder = L"\\" + std::wstring(brand);
  for (std::size_t at = install_path.find(folder); at != std::wstring_view::npos; at = install_path.find(folder, at + 1)) {
    const std::size_t end = at + folder.size();
    if (end == install_path.size() || install_path[end] == L'\\') return std::wstring(install_path.substr(0, at + 1));
  }
  return {};
}

std::uint32_t DecimalPrefix(std::wstring_view text) {
  constexpr std::uint32_t kMax = 0x7FFFFFFF;
  std::uint32_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    const std::uint32_t digit = static_cast<std::uint32_t>(c - L'0');
    if (value > (kMax - digit) / 10) break;
    value = value * 10 + digit;
  }
  return value;
}
