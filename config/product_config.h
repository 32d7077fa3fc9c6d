#pragma once
// The product configuration carried in the executable (resource "XML" 106), with the
// dependent products it names. Every value is the text of the document, defaults applied.
#include <string>
#include <string_view>
#include <vector>

// Addresses of the maker's services used when the document gives none.
inline constexpr std::wstring_view kDefaultServerHost = L"https://api.korvane.example/";
inline constexpr std::wstring_view kDefaultLicenseUrl = L"https://www.korvane.example/license.html";

// One package group: Downurl, Downurl_x64, Downurl_arm64 (Url_Down) or Installurl (Url_Install).
struct PackageUrls {
  std::wstring OnlyUseLocalUrl;
  std::wstring Url;
};

struct DependentItem {
  std::wstring ProductID;
  std::wstring ProductName;
  std::wstring ProductExe;
  std::wstring ProductArg;
  std::wstring Unused;  // a field no reader fills; kept for the record's shape
  std::wstring ProductInstallArg;
  std::wstring ProductInsCmple;
  std::wstring Url_Down;
  std::wstring Url_Downx64;
  std::wstring Url_Down_arm64;
  std::wstring ForceInstall;
  std::wstring md5;
  std::wstring history_md5_32;
  std::wstring md5_64;
  std::wstring history_md5_64;
  std::wstring md5_arm64;
  std::wstring history_md5_arm64;
  std::wstring filesize;
  std::wstring ForkInstall;
};

struct ProductConfig {
  std::wstring ProductSkin;
  std::wstring ProductBrand;
  std::wstring ProductName;
  std::wstring ProductExe;
  std::wstring ProductArg;
  std::wstring FoldBottom = L"1";
  std::wstring ServerHost{kDefaultServerHost};
  std::wstring ProductInstallArg;
  std::wstring ProductInsCmple;
  std::wstring ProductID;
  std::wstring AppID;
  std::wstring Channel;
  PackageUrls Downurl;
  PackageUrls Downurl_x64;
  PackageUrls Downurl_arm64;
  std::wstring Dotnetminver;
  std::wstring Dotneturl;
  PackageUrls Installurl;
  std::wstring Languages;
  std::wstring Url_License{kDefaultLicenseUrl};
  std::wstring InstallTime;
  std::wstring AgreeUserLicense;
  std::wstring CustomInstallPath;
  std::wstring IsAllowInstallAdminPath;
  std::wstring StartupProduct;
  std::wstring Url_Jump;
  std::wstring InstallErrorUrl;
  std::wstring InstallSalvageTitle;
  std::wstring InstallSalvageContent;
  std::wstring UserAgreementUrl;
  std::wstring PrivacyAgreementUrl;
  std::wstring NotSupportWin32;
  std::wstring SceneCode;
  std::wstring BannerImg;
  std::wstring AllowRunTimeInstall;
  std::vector<DependentItem> dependents;
  std::wstring clipboard_text;
};
