#include "report/tracking_report.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "app/log/log_os.h"
#include "downloader/http_request.h"
#include "common/text_convert.h"
#include "report/tracking_file.h"
#include "report/tracking_text.h"

namespace {

// The report's own members after the properties; a property of the same name would
// shadow or duplicate them, so it is left out.
constexpr std::array<std::string_view, 33> kOwnMembers = {
    "product_id",      "orbver",       "orbversion",      "orbnamepid",   "winver",
    "winbits",         "iever",        "orbstart",        "orbend",       "downstate",
    "installstate",    "cdniplist",    "cdnurllist",      "bindtasks",    "binddownfail",
    "bindinstallfail", "binddowntime", "bindinstalltime", "crash",        "crashcode",
    "crashattr",       "crashoffset",  "crashfilename",   "crashsection", "timezone",
    "syslcid",         "srceensize",   "orbclose",        "remark1",      "remark2",
    "remark3",         "orbtrackid",   "is_first_install"};

bool IsOwnMember(std::string_view key) {
  for (const std::string_view own : kOwnMembers) {
    if (own == key) return true;
  }
  return false;
}

// Members in the order they are added. Every text is repaired and escaped, so no value
// can break the document.
class ObjectWriter {
 public:
  void String(std::string_view key, std::string_view value) {
    Key(key);
    text_ += '"';
    text_ += JsonEscape(RepairUtf8(value));
    text_ += '"';
  }
  void Integer(std::string_view key, std::int64_t value) {
    Key(key);
    text_ += std::to_string(value);
  }
  std::string Finish() { return text_ + '}'; }

 private:
  void Key(std::string_view key) {
    text_ += text_.size() == 1 ? "\"" : ",\"";
    text_ += JsonEscape(RepairUtf8(key));
    text_ += "\":";
  }
  std::string text_ = "{";
};

std::string Unsigned32(std::uint32_t value) { return std::to_string(value); }
std::string Unsigned32(std::int32_t value) {
  return std::to_string(static_cast<std::uint32_t>(value));
}

template <typename... Values>
std::string Format(const char* format, Values... values) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, format, values...);
  if (n <= 0) return {};
  return std::string(text, std::min(static_cast<std::size_t>(n), sizeof text - 1));
}

// Per-dependent lists in product id order, joined with ";".
struct DependentLists {
  std::string tasks, down_fail, install_fail, down_time, install_time;
};

DependentLists BuildDependentLists(const std::map<std::int32_t, DependentTrack>& records) {
  DependentLists lists;
  const auto append = [](std::string& list, const std::string& item) {
    if (!list.empty()) list += ';';
    list += item;
  };
  for (const auto& [id, r] : records) {
    append(lists.tasks, Format("%" PRId32 ",%d", id, static_cast<int>(r.force_install)));
    append(lists.down_time,
           Format("%" PRId32 ":%" PRId64 ",%" PRId64, id, r.down_start, r.down_end));
    append(lists.down_fail, Format("%" PRId32 ",%" PRId32, id, r.down_error));
    append(lists.install_time,
           Format("%" PRId32 ":%" PRId64 ",%" PRId64, id, r.install_start, r.install_end));
    append(lists.install_fail, Format("%" PRId32 ",%" PRId32, id, r.install_error));
  }
  if (lists.down_fail.empty()) lists.down_fail = "-";
  if (lists.install_fail.empty()) lists.install_fail = "-";
  return lists;
}

std::string JoinKeys(const std::map<std::string, std::int64_t>& counts) {
  std::string list;
  for (const auto& entry : counts) {
    if (!list.empty()) list += ',';
    list += entry.first;
  }
  return list.empty() ? "-" : list;
}

TrackSent SendOne(const TrackProperties& properties, const TrackReportHead& head,
                  const TrackReportInput& input, const TrackFacts& facts,
                  const TrackSendOptions& options, const std::wstring& folder) {
  TrackSent sent;
  sent.product_id = head.product_id;
  sent.body = BuildTrackBody(properties, head, input, facts);

  std::string sign;
  if (const auto it = properties.properties.find("client_sign");
      it != properties.properties.end()) {
    sign = it->second;
  }
  const std::string url =
      properties.server_base_url + "rest/v2/downloader/track?client_sign=" + QueryValue(sign);
  std::int32_t result = -1;
  ns_PLX::HttpRequest(ns_PLX::RequestKind::Post, Utf8ToWide(RepairUtf8(url)),
                      {"Content-Type: application/json"}, true, false, sent.body, result,
                      ns_PLX::TlsCheck::kVerify, options.http);
  sent.post_result = result;

  if (!folder.empty()) {
    const std::wstring path = folder + TrackFileName(head.product_id, LocalFileStamp(input.now));
    if (WriteNewFile(path, sent.body)) sent.file = path;
  }
  return sent;
}

}  // namespace

std::string DownStateCode(std::int32_t status, std::int32_t code, bool crashed) {
  std::string tail;
  switch (status) {
    case 0:
      tail = "17";
      break;
    case 1:
      tail = crashed ? "16" : "15";
      break;
    case 2:
      tail = Format("%02" PRId32, code);
      break;
    case 3:
      tail = "00";
      break;
    default:
      break;
  }
  if (tail.empty()) tail = "99";
  return "10" + tail;
}

std::string InstallStateCode(std::int32_t status, std::int32_t code) {
  switch (status) {
    case 3:
      return "2000";
    case 2:
      return code == 5 ? "2002" : code == 1 ? "2001" : "2003";
    case 1:
      return "2004";
    default:
      return "2005";
  }
}

std::string JoinRemark(const std::vector<std::string>& items) {
  constexpr std::size_t kLimit = 2000;
  std::string joined;
  for (std::size_t i = 0; i < items.size() && joined.size() <= kLimit; ++i) {
    if (i > 0) joined += ',';
    joined += items[i];
  }
  return joined;
}

std::string NameDigits(std::string_view file_name) {
  std::string digits;
  for (const char c : file_name) {
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  return digits;
}

std::int32_t TimeZoneHours(std::int32_t bias_minutes) {
  return static_cast<std::int32_t>(std::lround(-static_cast<double>(bias_minutes) / 60.0));
}

std::int32_t PropertyInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint32_t value = 0;  // wraps: only the low 32 bits count
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::wstring TrackFileName(std::string_view product_id, std::string_view stamp) {
  std::wstring name = L"ORB_";
  for (const char c : product_id) {
    const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
    name.push_back(safe ? static_cast<wchar_t>(c) : L'_');
  }
  name += L"_T";
  for (const char c : stamp) name.push_back(static_cast<wchar_t>(c));
  name += L".json";
  return name;
}

std::string BuildTrackBody(const TrackProperties& properties, const TrackReportHead& head,
                           const TrackReportInput& input, const TrackFacts& facts) {
  ObjectWriter json;
  json.String("product_id", head.product_id);
  json.String("orbver", "204");
  json.String("orbversion", facts.own_version);
  json.String("orbnamepid", head.name_digits);
  for (const auto& [key, value] : properties.properties) {
    if (!IsOwnMember(key)) json.String(key, value);
  }
  json.String("winver", facts.windows_version);
  json.String("winbits", facts.windows64 ? "64" : "32");
  json.String("iever", facts.ie_version);
  json.String("orbstart", std::to_string(input.start_time));
  json.String("orbend", std::to_string(input.now));
  json.String("downstate", DownStateCode(head.down_status, head.down_code, facts.crash.valid));
  json.String("installstate", InstallStateCode(head.install_status, head.install_code));
  json.String("cdniplist", input.address_list);
  json.String("cdnurllist", input.url_list);
  const DependentLists lists = BuildDependentLists(input.dependents);
  json.String("bindtasks", lists.tasks);
  json.String("binddownfail", lists.down_fail);
  json.String("bindinstallfail", lists.install_fail);
  json.String("binddowntime", lists.down_time);
  json.String("bindinstalltime", lists.install_time);
  const TrackCrash& crash = facts.crash;
  json.String("crash", crash.valid ? "1" : "0");
  json.String("crashcode", Unsigned32(crash.code));
  json.String("crashattr", Format("0x%08" PRIX64, crash.address));
  json.String("crashoffset", Unsigned32(crash.offset));
  json.String("crashfilename", crash.module_path);
  json.String("crashsection", crash.section);
  json.String("timezone", std::to_string(TimeZoneHours(facts.bias_minutes)));
  json.String("syslcid", Unsigned32(facts.lcid));
  json.String("srceensize", Unsigned32(facts.screen_width) + "*" + Unsigned32(facts.screen_height));
  json.String("orbclose", std::to_string(input.now));
  json.String("remark1", JoinRemark(properties.events));
  json.String("remark2", JoinRemark(properties.relayed));
  json.String("remark3", "");
  json.String("orbtrackid", properties.track_id);
  json.Integer("is_first_install", input.first_install ? 1 : 0);
  return json.Finish();
}

std::vector<TrackSent> SendTrack(CTrackingStore& store, const TrackFacts& facts,
                                 const TrackSendOptions& options) {
  std::vector<TrackSent> sent;
  if (!store.Enabled() || store.GetProperty("client_sign").empty()) return sent;

  TrackReportInput input;
  input.address_list = JoinKeys(store.AddressCounts());
  input.url_list = JoinKeys(store.UrlCounts());
  input.start_time = store.StartTime();
  input.now = options.now != 0 ? options.now : static_cast<std::int64_t>(std::time(nullptr));
  input.first_install = store.FirstInstall();
  const std::wstring folder = options.folder.empty() ? logos::TempFolder() : options.folder;

  if (!store.PerDependentMode()) {
    input.dependents = store.Dependents();
    store.ReadProperties([&](const TrackProperties& properties) {
      TrackReportHead head;
      const auto value = [&](std::string_view key) {
        const auto it = properties.properties.find(key);
        return it == properties.properties.end() ? std::string() : it->second;
      };
      head.product_id = value("product_id");
      head.name_digits = NameDigits(facts.own_file_name);
      head.down_status = PropertyInt(value("downstatus"));
      head.down_code = PropertyInt(value("downcode"));
      head.install_status = PropertyInt(value("installstatus"));
      head.install_code = PropertyInt(value("installcode"));
      sent.push_back(SendOne(properties, head, input, facts, options, folder));
    });
    return sent;
  }

  for (const auto& [id, record] : store.Dependents()) {
    const std::string product_id = std::to_string(id);
    store.SetPropertyUtf8("product_id", product_id);
    store.SetPropertyUtf8("startupproduct", product_id);
    store.SetPropertyUtf8("serverxmlmd5", record.digest);
    TrackReportHead head;
    head.product_id = product_id;
    head.name_digits = product_id;
    head.down_status = record.down_error != 0 ? 2 : 3;
    head.down_code = record.down_error;
    head.install_status = record.install_error != 0 ? 2 : 3;
    head.install_code = record.install_error;
    store.ReadProperties([&](const TrackProperties& properties) {
      sent.push_back(SendOne(properties, head, input, facts, options, folder));
    });
  }
  return sent;
}

std::vector<TrackSent> SendTrack(const TrackCrash& crash) {
  TrackFacts facts = SystemTrackFacts();
  facts.crash = crash;
  return SendTrack(TrackingStore(), facts);
}
