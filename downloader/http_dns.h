#pragma once
// Name resolution over HTTPS (HTTP-DNS), for when the system resolver gives nothing.
//
// Request: GET https://<resolver>/resolve?type=1&short=1&uid=<id>&ak=<access key>
//          &name=<host>&ts=<seconds>&key=<sha256 hex of id+secret+ts+host+access key>
// Answer:  a bracketed list of quoted dotted addresses, ["1.2.3.4","5.6.7.8"].
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "downloader/http_types.h"

namespace ns_PLX {

// The account values in their stored form: standard base64 with characters inserted at
// fixed places (id: 9 characters, 1 extra at index 2; secret: 48, 4 extra from index 1;
// access key: 37, 5 extra from index 5).
struct HttpDnsAccount {
  std::string id;
  std::string secret;
  std::string access_key;
};

struct HttpDnsPlainAccount {
  std::string id;
  std::string secret;
  std::string access_key;
};

// The program's own account and resolvers (http_dns_account.cpp).
HttpDnsAccount BuiltInHttpDnsAccount();
std::string BuiltInHttpDnsPrimary();
std::string BuiltInHttpDnsSecondary();

struct HttpDnsSettings {
  HttpDnsAccount account = BuiltInHttpDnsAccount();
  // "a.b.c.d" or "a.b.c.d:port", asked over HTTPS; empty: not there.
  std::string primary = BuiltInHttpDnsPrimary();
  std::string secondary = BuiltInHttpDnsSecondary();
  HttpSettings http;
  // An answer may name at most this many addresses; the rest are ignored.
  std::size_t max_addresses = 32;
};

// Nothing when a stored value has the wrong length or is not base64.
std::optional<HttpDnsPlainAccount> UnscrambleAccount(const HttpDnsAccount& stored);

// 64 lower-case hexadecimal digits.
std::string HttpDnsKey(const HttpDnsPlainAccount& account, std::string_view ts,
                       std::string_view host);

// "/resolve?type=1&short=1&uid=..&ak=..&name=..&ts=..&key=..".
std::string HttpDnsQueryText(const HttpDnsPlainAccount& account, std::string_view host,
                             std::string_view ts);

// The usable unicast IPv4 addresses of an answer, in its order, at most `max_addresses`;
// anything else in it is skipped with a log line. Empty for text that is not such a list.
std::vector<std::string> ParseHttpDnsAnswer(std::string_view answer, std::size_t max_addresses);

// Asks the primary resolver, then the secondary when the primary fails or names no usable
// address. `host` is a plain DNS name (letters, digits, "-", "_", "."); others are refused.
std::vector<std::string> QueryHttpDns(const std::string& host, const HttpDnsSettings& settings);

}  // namespace ns_PLX
