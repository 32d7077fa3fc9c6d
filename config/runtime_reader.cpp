#include "config/runtime_reader.h"

#include <algorithm>
#include <array>
#include <utility>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "common/xml_doc.h"

namespace {

constexpr std::wstring_view kFallbackOrbVersion = L"3.0.5";

// Field order of the record, which is also the reading order.
constexpr std::array<std::pair<std::wstring_view, std::wstring RuntimeConfig::*>, 29> kRuntimeFields{{
    {L"name", &RuntimeConfig::name},
    {L"version", &RuntimeConfig::version},
    {L"process_name", &RuntimeConfig::process_name},
    {L"install_url", &RuntimeConfig::install_url},
    {L"download_url", &RuntimeConfig::download_url},
    {L"download_url_with_framework", &RuntimeConfig::download_url_with_framework},
    {L"download_url_net", &RuntimeConfig::download_url_net},
    {L"download_url_net_with_framework", &RuntimeConfig::download_url_net_with_framework},
    {L"download_url_x64", &RuntimeConfig::download_url_x64},
    {L"download_url_arm64", &RuntimeConfig::download_url_arm64},
    {L"banner_url", &RuntimeConfig::banner_url},
    {L"oiap_url", &RuntimeConfig::oiap_url},
    {L"md5", &RuntimeConfig::md5},
    {L"history_md5_32", &RuntimeConfig::history_md5_32},
    {L"md5_64", &RuntimeConfig::md5_64},
    {L"history_md5_64", &RuntimeConfig::history_md5_64},
    {L"md5_arm64", &RuntimeConfig::md5_arm64},
    {L"history_md5_arm64", &RuntimeConfig::history_md5_arm64},
    {L"filesize", &RuntimeConfig::filesize},
    {L"netfx_minver", &RuntimeConfig::netfx_minver},
    {L"netfxlite_url", &RuntimeConfig::netfxlite_url},
    {L"languages", &RuntimeConfig::languages},
    {L"Url_Jump", &RuntimeConfig::Url_Jump},
    {L"install_error_url", &RuntimeConfig::install_error_url},
    {L"custom_install_path", &RuntimeConfig::custom_install_path},
    {L"is_allow_install_admin_path", &RuntimeConfig::is_allow_install_admin_path},
    {L"user_agreement_url", &RuntimeConfig::user_agreement_url},
    {L"privacy_agreement_url", &RuntimeConfig::privacy_agreement_url},
    {L"not_support_win32", &RuntimeConfig::not_support_win32},
}};

DependentItem ReadBindItem(XmlDoc& doc) {
  DependentItem item;
  item.ForceInstall = L"true";
  ReadChildText(doc, L"ProductID", item.ProductID);
  ReadChildText(doc, L"ProductName", item.ProductName);
  ReadChildText(doc, L"ProductExe", item.ProductExe);
  ReadChildText(doc, L"Url_Down", item.Url_Down);
  ReadChildText(doc, L"Url_Downx64", item.Url_Downx64);
  ReadChildText(doc, L"Url_Down_arm64", item.Url_Down_arm64);
  ReadChildText(doc, L"md5", item.md5);
  ReadChildText(doc, L"history_md5_32", item.history_md5_32);
  ReadChildText(doc, L"md5_64", item.md5_64);
  ReadChildText(doc, L"history_md5_64", item.history_md5_64);
  ReadChildText(doc, L"md5_arm64", item.md5_arm64);
  ReadChildText(doc, L"history_md5_arm64", item.history_md5_arm64);
  ReadChildText(doc, L"filesize", item.filesize);
  ReadChildText(doc, L"ForceInstall", item.ForceInstall);
  ReadChildText(doc, L"ProductArg", item.ProductArg);
  ReadChildText(doc, L"ProductInstallArg", item.ProductInstallArg);
  ReadChildText(doc, L"ProductInsCmple", item.ProductInsCmple);
  ReadChildText(doc, L"ForkInstall", item.ForkInstall);
  return item;
}

void MergeBindItem(DependentItem item, std::vector<DependentItem>& dependents,
                   const std::function<void(const DependentItem&)>& on_added) {
  const auto same = std::find_if(dependents.begin(), dependents.end(),
                                 [&item](const DependentItem& d) { return d.ProductID == item.ProductID; });
  if (same != dependents.end()) dependents.erase(same);
  dependents.push_back(std::move(item));
  if (on_added) on_added(dependents.back());
}

template <typename Record>
std::wstring JoinSix(const Record& r) {
  std::wstring joined;
  for (const std::wstring* digest : {&r.md5, &r.history_md5_32, &r.md5_64, &r.history_md5_64, &r.md5_arm64,
                                     &r.history_md5_arm64}) {
    if (digest->empty()) continue;
    if (!joined.empty()) joined.push_back(L',');
    joined += *digest;
  }
  return joined;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::wstring_view PlatformToken(MachineKind machine) {
  if (!machine.windows64) return L"win_x86";
  return machine.arm64 ? L"win_arm64" : L"win_x64";
}

std::wstring OrbVersionTriple(std::wstring_view file_version) {
  std::wstring triple;
  std::size_t at = 0;
  for (int part = 0; part < 3; ++part) {
    const std::size_t begin = at;
    while (at < file_version.size() && IsDigit(file_version[at])) ++at;
    if (at == begin) return std::wstring(kFallbackOrbVersion);
    if (part > 0) triple.push_back(L'.');
    triple.append(file_version.substr(begin, at - begin));
    if (part < 2) {
      if (at >= file_version.size() || file_version[at] != L'.') return std::wstring(kFallbackOrbVersion);
      ++at;
    }
  }
  return triple;
}

std::wstring EncodeQueryValue(std::wstring_view value) {
  // Only what would end the value, start another one or break the request line; the
  // identity's braces and the usual codes stay as they are.
  constexpr std::string_view kBreaking = "\"#%&+<>\\^`|";
  const std::string utf8 = WideToUtf8(value);
  if (utf8.empty() && !value.empty()) return {};
  std::wstring out;
  for (const char ch : utf8) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte <= 0x20 || byte >= 0x7F || kBreaking.find(ch) != std::string_view::npos) {
      constexpr char kHex[] = "0123456789ABCDEF";
      out.push_back(L'%');
      out.push_back(static_cast<wchar_t>(kHex[byte >> 4]));
      out.push_back(static_cast<wchar_t>(kHex[byte & 0xF]));
    } else {
      out.push_back(static_cast<wchar_t>(byte));
    }
  }
  return out;
}

std::wstring RuntimeRequestUrl(const ProductConfig& product, const ServerRequestFacts& facts) {
  if (!product.AppID.empty() && !product.Channel.empty()) {
    const std::wstring& package = product.Downurl.Url;
    const std::size_t slash = package.rfind(L'/');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : package.substr(0, slash);
    return folder + L"/xml/" + product.AppID + L"_" + product.Channel + L".xml";
  }
  const std::wstring sign = facts.client_sign ? facts.client_sign() : std::wstring();
  return product.ServerHost + L"rest/v2/downloader/runtime/?client_sign=" + EncodeQueryValue(sign) +
         L"&product_id=" + EncodeQueryValue(product.ProductID) + L"&orb=" + OrbVersionTriple(facts.own_version) +
         L"&scene_code=" + EncodeQueryValue(product.SceneCode) + L"&platform=" +
         std::wstring(PlatformToken(facts.machine));
}

void AppendCacheBust(std::wstring& url, std::int64_t now_seconds) {
  if (url.empty()) return;
  url += url.find(L'?') == std::wstring::npos ? L"?_t=" : L"&_t=";
  url += std::to_wstring(now_seconds);
}

std::wstring JoinDigests(const RuntimeConfig& runtime) { return JoinSix(runtime); }
std::wstring JoinDigests(const DependentItem& item) { return JoinSix(item); }

RuntimeReply ReadRuntimeReply(std::wstring_view text, std::int64_t now_seconds, RuntimeConfig& runtime,
                              std::vector<DependentItem>& dependents,
                              const std::function<void(const DependentItem&)>& on_bind_added) {
  RuntimeReply reply;
  XmlDoc doc(text);
  if (!doc.IsWellFormed() || !doc.ResetTop() || !doc.FindSibling(L"kvrp")) return reply;
  if (!doc.FindChild(L"downloader") || !doc.EnterChild()) return reply;
  reply.downloader = true;

  bool fresh_banner = false;
  doc.ResetChild();
  if (doc.FindChild(L"runtime") && doc.EnterChild()) {
    reply.runtime = true;
    LogLine(kLogInfo, "[INFO] LoadServerXml downloader.runtime.");
    for (const auto& [element, field] : kRuntimeFields) {
      const bool read = ReadChildText(doc, element, runtime.*field);
      if (field == &RuntimeConfig::banner_url) fresh_banner = read;
    }
    doc.LeaveChild();
  }
  // Only the address this reply delivered: a kept one already carries its query.
  if (fresh_banner) AppendCacheBust(runtime.banner_url, now_seconds);

  doc.ResetChild();
  if (doc.FindChild(L"bind") && doc.EnterChild()) {
    while (doc.FindChild(L"item") && doc.EnterChild()) {
      DependentItem item = ReadBindItem(doc);
      doc.LeaveChild();
      const std::string pid = WideToAnsi(item.ProductID);
      const bool has_package = !item.Url_Down.empty() || !item.Url_Downx64.empty() || !item.Url_Down_arm64.empty();
      if (!item.ProductID.empty() && has_package) MergeBindItem(std::move(item), dependents, on_bind_added);
      LogLine(kLogInfo, "[INFO] LoadServerXml bind.item pid=[%s].", pid.c_str());
    }
    doc.LeaveChild();
  }
  return reply;
}
