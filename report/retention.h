#pragma once
// The retention offer: what the service API's recovery endpoint offers a user who closes the
// installer early (a value message, or a free membership benefit sent to an e-mail address),
// and the request that claims the benefit.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "downloader/http_types.h"
#include "report/service_api.h"

// Offer types of the query reply.
inline constexpr std::int32_t kRetentionNone = 0;
inline constexpr std::int32_t kRetentionValueMessage = 1;
inline constexpr std::int32_t kRetentionMembership = 2;

// The apply code that means the address has claimed the benefit before.
inline constexpr std::int32_t kRetentionAlreadyClaimed = 366001;

// The window message that tells the main window an apply request has finished
// (WM_APP + 106; both parameters 0, the code is in the stored result).
inline constexpr unsigned kWmApplyFinish = 0x806A;

inline constexpr std::string_view kRetentionPath = "/v1/product/downloader/recovery";
// Sent as "X-Prod-Ver" when the product version is not known.
inline constexpr std::string_view kRetentionDefaultProductVersion = "4.0.5.0";

// The string-table key of the text that tells the user an apply failed; empty for 0.
std::string_view RetentionFailureTextKey(std::int32_t code);

class CRetentionClient {
 public:
  // Only the API host is used: these requests have no fallback.
  explicit CRetentionClient(ServiceEndpoints endpoints = {});
  CRetentionClient(const CRetentionClient&) = delete;
  CRetentionClient& operator=(const CRetentionClient&) = delete;

  // Keeps the client facts and asks for the offer. True when the service answered with
  // one; otherwise the offer stays "none". `version_text` is the program's own version as
  // "major.minor.build".
  bool QueryRetention(std::int32_t product_id, std::wstring_view product_version,
                      std::wstring_view client_sign, std::wstring_view version_text);

  std::int32_t OfferType() const;
  std::int64_t OfferId() const;
  std::wstring OfferTitle() const;
  std::wstring OfferContent() const;

  // Claims the benefit for `email`; 0 on success, the service's code otherwise (-1 when the
  // reply has none).
  std::int32_t ApplyRetention(std::wstring_view email);

 private:
  struct Facts {
    std::int32_t product_id = 0;
    std::string product_version;  // UTF-8
    std::string client_sign;
    std::string version_text;
  };

  Facts CopyFacts() const;
  ns_PLX::HeaderList ClientHeaders(const Facts& facts) const;
  std::string ClientToken(const Facts& facts) const;

  const ServiceEndpoints endpoints_;
  mutable std::mutex mutex_;
  Facts facts_;                               // mutex_
  std::int64_t offer_id_ = 0;                 // mutex_
  std::int32_t offer_type_ = kRetentionNone;  // mutex_
  std::wstring offer_title_;                  // mutex_
  std::wstring offer_content_;                // mutex_
};

// Runs ApplyRetention on a worker thread of its own ("retention-apply"), keeps the code and
// then calls `done` on that thread (the window posts kWmApplyFinish there). The object waits
// for the request in its destructor, so the client must outlive it.
class CRetentionApply {
 public:
  CRetentionApply(CRetentionClient& client, std::wstring email,
                  std::function<void(std::int32_t)> done);
  ~CRetentionApply();
  CRetentionApply(const CRetentionApply&) = delete;
  CRetentionApply& operator=(const CRetentionApply&) = delete;

  bool Finished() const { return finished_; }
  std::int32_t Result() const { return result_; }  // valid once Finished()

 private:
  std::atomic<bool> finished_{false};
  std::atomic<std::int32_t> result_{-1};
  std::thread thread_;  // last: starts after the fields it writes exist
};
