#pragma once
// The runtime document of the update service: what the server says about the product
// now. Every field is the text of the reply element of the same name; empty until a
// reply fills it.
#include <string>

struct RuntimeConfig {
  std::wstring name;
  std::wstring version;
  std::wstring process_name;
  std::wstring install_url;
  std::wstring download_url;
  std::wstring download_url_with_framework;
  std::wstring download_url_net;
  std::wstring download_url_net_with_framework;
  std::wstring download_url_x64;
  std::wstring download_url_arm64;
  std::wstring banner_url;
  std::wstring oiap_url;
  std::wstring md5;
  std::wstring history_md5_32;
  std::wstring md5_64;
  std::wstring history_md5_64;
  std::wstring md5_arm64;
  std::wstring history_md5_arm64;
  std::wstring filesize;
  std::wstring netfx_minver;
  std::wstring netfxlite_url;
  std::wstring languages;
  std::wstring Url_Jump;
  std::wstring install_error_url;
  std::wstring custom_install_path;
  std::wstring is_allow_install_admin_path;
  std::wstring user_agreement_url;
  std::wstring privacy_agreement_url;
  std::wstring not_support_win32;

  bool operator==(const RuntimeConfig&) const = default;
};
