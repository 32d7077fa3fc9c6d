#pragma once
// Shared vocabulary of the short HTTP exchanges (HttpRequest, HttpFormUpload,
// QueryContentLength).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ns_PLX {

// The method of an HttpRequest. Any other value sends a GET.
enum class RequestKind : std::int32_t { Get = 0, Head = 1, Post = 2 };

// Complete header lines without line end ("Cache-Control: no-cache"), sent in order.
using HeaderList = std::vector<std::string>;

// Certificate and host-name checks stay on for every exchange. The HTTP-DNS resolver is
// reached by a bare IPv4 address and has no certificate for it: only that caller asks for
// the exception, and it is granted only when the URL's host really is an IPv4 address.
enum class TlsCheck { kVerify, kSkipForResolverAddress };

// The product always runs with these defaults; tests shorten them.
struct HttpSettings {
  std::chrono::milliseconds connect_timeout{5000};
  std::chrono::milliseconds request_timeout{5000};  // HttpRequest, QueryContentLength
  std::chrono::milliseconds upload_timeout{10000};  // HttpFormUpload
  // These exchanges carry small documents; a larger reply is cut off as a failure.
  std::size_t max_response_bytes = std::size_t{16} << 20;
  long max_redirects = 10;
  // Trusted roots instead of the system's (a test's throwaway authority); empty: system.
  std::string ca_file;
};

}  // namespace ns_PLX
