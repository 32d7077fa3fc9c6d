#pragma once
// The maker's service API: JSON over HTTPS at one API host with a fallback host serving the
// same paths. Every call is synchronous on the caller's thread and shares nothing but the log.
#include <string>
#include <string_view>

#include "downloader/http_types.h"

// Fixed in the program.
inline constexpr std::string_view kServiceAppKey = "a3f0c9e1b7d24f86e0c5a9b1.kite";
inline constexpr std::string_view kServiceAppSecret = "Hw7sLm2QzR8vNc4kTy6bGd1pXe9uJa3fWq";
// The token request's body, byte for byte.
inline constexpr std::string_view kServiceTokenBody =
    R"({"grant_type":"client_credentials","app_secret":"Hw7sLm2QzR8vNc4kTy6bGd1pXe9uJa3fWq"})";

inline constexpr std::string_view kServiceTokenPath = "/v3/user/client/token";

// Where the API lives. The product always uses the defaults; tests point it at a local peer
// and shorten the time-outs.
struct ServiceEndpoints {
  std::string api_base = "https://api.korvane.example";  // no trailing slash
  std::string fallback_base = "https://api-backup.korvane.example";
  ns_PLX::HttpSettings http;
};

// The integer member "code" of a reply envelope; -1 when the reply is not JSON, has no
// "code" or holds anything but an integer there.
int ServiceReplyCode(std::string_view reply);

class ServiceApi {
 public:
  explicit ServiceApi(ServiceEndpoints endpoints = {});

  // Whether the switch-over to the fallback host logs "[WARN] switch host domain.".
  enum class Switch { kLogged, kSilent };

  // POSTs `body` as given to base + path with `headers`; when the reply's code is not 0, the
  // same request once more to the fallback host, whose reply is final.
  std::string Post(std::string_view path, const ns_PLX::HeaderList& headers,
                   const std::string& body, Switch mode = Switch::kLogged) const;

  // One multipart POST of the file (form part "file") with the same switch-over. The path is
  // UTF-8 from end to end: the upload helper opens it as such on every system.
  std::string Upload(std::string_view path, const ns_PLX::HeaderList& headers,
                     const std::string& utf8_file) const;

  // A new access token for these client facts; empty on failure ("[ERROR] get token
  // failed! result=[...]." when the service said no).
  std::string GetToken(std::string_view product_id, std::string_view client_sign,
                       std::string_view product_version) const;

  const ServiceEndpoints& endpoints() const { return endpoints_; }

 private:
  const ServiceEndpoints endpoints_;
};
