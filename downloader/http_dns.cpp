#include "downloader/http_dns.h"

#include <ctime>

#include "app/log/simple_log.h"
#include "common/base64.h"
#include "common/sha256.h"
#include "common/text_convert.h"
#include "downloader/http_request.h"
#include "downloader/ipv4_text.h"

namespace ns_PLX {
namespace {

constexpr std::size_t kMaxHostName = 253;

// Removes `count` inserted characters at `index` from a stored text of `length`, then
// decodes the base64 rest up to its first "=".
std::optional<std::string> Unscramble(const std::string& stored, std::size_t length,
                                      std::size_t index, std::size_t count) {
  if (stored.size() != length) return std::nullopt;
  std::string text = stored.substr(0, index) + stored.substr(index + count);
  text.resize(std::min(text.size(), text.find('=')));
  if (text.size() % 4 == 1) return std::nullopt;
  while (text.size() % 4 != 0) text += '=';
  std::string plain;
  if (!Base64Decode(text, plain) || plain.empty()) return std::nullopt;
  return plain;
}

bool IsPlainHostName(std::string_view host) {
  if (host.empty() || host.size() > kMaxHostName) return false;
  for (const char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.';
    if (!ok) return false;
  }
  return true;
}

// Network text for a log line: printable ASCII only, cut short.
std::string Printable(std::string_view text) {
  constexpr std::size_t kMax = 64;
  std::string out;
  for (const char c : text.substr(0, kMax)) out += (c >= 0x20 && c < 0x7f) ? c : '?';
  if (text.size() > kMax) out += "...";
  return out;
}

// Unspecified (0/8), multicast and reserved (224 and above) addresses cannot be servers.
bool IsUsableAddress(std::string_view dotted) {
  const std::optional<Ipv4> address = ParseIpv4(dotted);
  return address && (*address)[0] != 0 && (*address)[0] < 224;
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
  const std::size_t start = text.find_first_not_of(blanks);
  if (start == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(blanks);
  return text.substr(start, end - start + 1);
}

}  // namespace

std::optional<HttpDnsPlainAccount> UnscrambleAccount(const HttpDnsAccount& stored) {
  try {
    auto id = Unscramble(stored.id, 9, 2, 1);
    auto secret = Unscramble(stored.secret, 48, 1, 4);
    auto access_key = Unscramble(stored.access_key, 37, 5, 5);
    if (!id || !secret || !access_key) return std::nullopt;
    return HttpDnsPlainAccount{std::move(*id), std::move(*secret), std::move(*access_key)};
  } catch (...) {
    return std::nullopt;
  }
}

std::string HttpDnsKey(const HttpDnsPlainAccount& account, std::string_view ts,
                       std::string_view host) {
  std::string signed_text = account.id;
  signed_text += account.secret;
  signed_text += ts;
  signed_text += host;
  signed_text += account.access_key;
  return Sha256Hex(signed_text);
}

std::string HttpDnsQueryText(const HttpDnsPlainAccount& account, std::string_view host,
                             std::string_view ts) {
  std::string query = "/resolve?type=1&short=1";
  query += "&uid=" + account.id;
  query += "&ak=" + account.access_key;
  query += "&name=";
  query += host;
  query += "&ts=";
  query += ts;
  query += "&key=" + HttpDnsKey(account, ts, host);
  return query;
}

std::vector<std::string> ParseHttpDnsAnswer(std::string_view answer, std::size_t max_addresses) {
  std::vector<std::string> addresses;
  const std::string_view list = Trim(answer, " \t\r\n");
  if (list.size() < 2 || list.front() != '[' || list.back() != ']') {
    LogLine(kLogError, "[ERROR] httpdns, answer is not an address list=[%s].",
            Printable(answer).c_str());
    return addresses;
  }
  std::string_view rest = list.substr(1, list.size() - 2);
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view raw = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    if (raw.empty()) continue;
    const std::string_view piece = Trim(raw, " ");
    if (piece.size() < 2 || piece.front() != '"' || piece.back() != '"') {
      LogLine(kLogWarn, "[WARN] httpdns, address refused=[%s].", Printable(raw).c_str());
      continue;
    }
    const std::string_view address = piece.substr(1, piece.size() - 2);
    if (!IsUsableAddress(address)) {
      LogLine(kLogWarn, "[WARN] httpdns, address refused=[%s].", Printable(raw).c_str());
      continue;
    }
    if (addresses.size() >= max_addresses) {
      LogLine(kLogWarn, "[WARN] httpdns, more than [%d] addresses, the rest ignored.",
              static_cast<int>(max_addresses));
      break;
    }
    addresses.emplace_back(address);
  }
  return addresses;
}

std::vector<std::string> QueryHttpDns(const std::string& host, const HttpDnsSettings& settings) {
  try {
    if (!IsPlainHostName(host)) {
      LogLine(kLogError, "[ERROR] httpdns, host name refused=[%s].", Printable(host).c_str());
      return {};
    }
    const std::optional<HttpDnsPlainAccount> account = UnscrambleAccount(settings.account);
    if (!account) {
      LogLine(kLogError, "[ERROR] httpdns, account values unreadable.");
      return {};
    }
    if (settings.primary.empty() && settings.secondary.empty()) {
      LogLine(kLogWarn, "[WARN] httpdns, no resolver address.");
      return {};
    }
    const std::string ts = std::to_string(static_cast<long long>(std::time(nullptr)));
    const std::string query = HttpDnsQueryText(*account, host, ts);
    for (const std::string* resolver : {&settings.primary, &settings.secondary}) {
      if (resolver->empty()) continue;
      std::int32_t code = -1;
      // The resolver is addressed by number and has no certificate for it.
      const std::string answer =
          HttpRequest(RequestKind::Get, Utf8ToWide("https://" + *resolver + query), HeaderList{},
                      true, false, std::string(), code, TlsCheck::kSkipForResolverAddress,
                      settings.http);
      if (code != 0 || answer.empty()) {
        LogLine(kLogWarn, "[WARN] httpdns, resolver=[%s] gave no answer, code=[%d].",
                resolver->c_str(), static_cast<int>(code));
        continue;
      }
      std::vector<std::string> addresses = ParseHttpDnsAnswer(answer, settings.max_addresses);
      if (!addresses.empty()) return addresses;
    }
  } catch (...) {
    LogLine(kLogError, "[ERROR] httpdns, out of memory.");
  }
  return {};
}

}  // namespace ns_PLX
