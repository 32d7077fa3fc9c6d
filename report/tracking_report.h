#pragma once
// The end-of-run tracking report: the store's values and the machine's facts as one JSON
// object, posted to the platform host and kept as a file in the temporary folder. In
// per-dependent mode (a forked companion install) one report per dependent record.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "downloader/http_types.h"
#include "report/tracking_facts.h"
#include "report/tracking_store.h"

// The values that differ between the reports of one sending.
struct TrackReportHead {
  std::string product_id;
  std::string name_digits;
  std::int32_t down_status = 0;
  std::int32_t down_code = 0;
  std::int32_t install_status = 0;
  std::int32_t install_code = 0;
};

// What a report takes from outside the property lock.
struct TrackReportInput {
  std::string address_list;                           // "-" when none
  std::string url_list;                               // "-" when none
  std::map<std::int32_t, DependentTrack> dependents;  // empty in per-dependent mode
  std::int64_t start_time = 0;
  std::int64_t now = 0;
  bool first_install = true;
};

// "10" + two characters for the download status; "20" + two for the install status.
std::string DownStateCode(std::int32_t status, std::int32_t code, bool crashed);
std::string InstallStateCode(std::int32_t status, std::int32_t code);
// Items joined with "," while the text is at most 2000 bytes before each append.
std::string JoinRemark(const std::vector<std::string>& items);
// The decimal digits of `file_name`, in order.
std::string NameDigits(std::string_view file_name);
// Minus the bias in hours, halves away from zero: -480 -> 8, 300 -> -5.
std::int32_t TimeZoneHours(std::int32_t bias_minutes);
// A property's integer value as the report reads it: decimal, its low 32 bits (so
// "4294967295" reads as -1); 0 when it is not a number.
std::int32_t PropertyInt(std::string_view text);
// "ORB_<product id>_T<stamp>.json"; characters other than letters, digits, '-' and '_'
// in the product id become '_' so that no value can reach outside the folder.
std::wstring TrackFileName(std::string_view product_id, std::string_view stamp);

// The report body: one JSON object without white space, members in the report's order.
// Damaged UTF-8 in any value is repaired (U+FFFD) so the body is always valid JSON.
std::string BuildTrackBody(const TrackProperties& properties, const TrackReportHead& head,
                           const TrackReportInput& input, const TrackFacts& facts);

struct TrackSendOptions {
  ns_PLX::HttpSettings http;  // the product always uses the defaults
  std::wstring folder;        // for the file copy, with a trailing separator; empty: temp
  std::int64_t now = 0;       // seconds since 1970; 0: the clock
};

// One report as it went out.
struct TrackSent {
  std::string product_id;
  std::string body;
  std::int32_t post_result = -1;  // libcurl's result; the reply itself is not read
  std::wstring file;              // the copy, empty when none was written
};

// Builds and sends the report(s): nothing unless the store is enabled and has a
// "client_sign". Runs on the calling thread.
std::vector<TrackSent> SendTrack(CTrackingStore& store, const TrackFacts& facts,
                                 const TrackSendOptions& options = {});
// The process-wide store with this system's facts and the crash filter's record.
std::vector<TrackSent> SendTrack(const TrackCrash& crash = {});
