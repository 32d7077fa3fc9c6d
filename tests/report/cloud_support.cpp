#include "tests/report/cloud_support.h"

#include <cjson/cJSON.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>

#include "app/log/simple_log.h"
#include "common/base64.h"
#include "tests/support/temp_dir.h"

namespace orbtest {
namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Str(const cJSON* object, const char* key) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
  return cJSON_IsString(item) ? std::string(item->valuestring) : std::string();
}

double Num(const cJSON* object, const char* key) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
  return cJSON_IsNumber(item) ? item->valuedouble : 0.0;
}

bool Flag(const cJSON* object, const char* key) {
  return cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(object, key));
}

std::vector<std::pair<std::string, std::string>> Pairs(const cJSON* object, const char* key) {
  std::vector<std::pair<std::string, std::string>> out;
  const cJSON* list = cJSON_GetObjectItemCaseSensitive(object, key);
  const cJSON* pair = nullptr;
  cJSON_ArrayForEach(pair, list) {
    const cJSON* k = cJSON_GetArrayItem(pair, 0);
    const cJSON* v = cJSON_GetArrayItem(pair, 1);
    if (cJSON_IsString(k) && cJSON_IsString(v)) out.emplace_back(k->valuestring, v->valuestring);
  }
  return out;
}

// A JSON string literal for `text` (UTF-8 passes through).
std::string Quote(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool IsTransportHeader(std::string_view name) {
  static const char* const kNames[] = {"host", "user-agent", "accept", "content-length", "expect",
                                       "connection", "accept-encoding"};
  const std::string lower = Lower(name);
  for (const char* n : kNames) {
    if (lower == n) return true;
  }
  return false;
}

CloudRequest ParseLine(const cJSON* e) {
  CloudRequest r;
  r.seq = static_cast<std::uint64_t>(Num(e, "seq"));
  r.host = Str(e, "host");
  r.endpoint = Str(e, "endpoint");
  r.version = Str(e, "version");
  r.method = Str(e, "method");
  r.target = Str(e, "target");
  r.path = Str(e, "path");
  r.query = Pairs(e, "query");
  r.headers = Pairs(e, "headers");
  const cJSON* body = cJSON_GetObjectItemCaseSensitive(e, "body");
  if (cJSON_IsString(body)) {
    r.body = body->valuestring;
  } else {
    Base64Decode(Str(e, "body_base64"), r.body);
  }
  r.status = static_cast<int>(Num(e, "status"));
  r.dropped = Flag(e, "dropped");
  r.reply = Str(e, "reply");
  r.rule = Str(e, "rule");
  r.issued_token = Str(e, "token");
  r.ok = Flag(e, "ok");
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, cJSON_GetObjectItemCaseSensitive(e, "checks")) {
    r.checks.push_back({Str(item, "name"), Flag(item, "ok"), Str(item, "detail")});
    if (r.checks.back().name == "json" && r.endpoint == "analytics" && r.checks.back().ok) {
      r.batch = r.checks.back().detail;
    }
  }
  cJSON_ArrayForEach(item, cJSON_GetObjectItemCaseSensitive(e, "form")) {
    r.form.push_back({Str(item, "name"), Str(item, "filename"),
                      static_cast<std::uint64_t>(Num(item, "size")), Str(item, "sha256")});
  }
  const std::string stored = Str(e, "stored");
  if (!stored.empty()) r.stored = HostPath(stored);
  cJSON_ArrayForEach(item, cJSON_GetObjectItemCaseSensitive(e, "records")) {
    std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_PrintUnformatted(item), &cJSON_free);
    if (text) r.records.emplace_back(text.get());
  }
  return r;
}

}  // namespace

std::filesystem::path HostPath(std::string_view linux_path) {
#ifdef _WIN32
  if (!linux_path.empty() && linux_path.front() == '/') {
    return std::filesystem::path("Z:" + std::string(linux_path));
  }
#endif
  return std::filesystem::path(std::string(linux_path));
}

// --- CloudRequest ----------------------------------------------------------------------------

std::string CloudRequest::Header(std::string_view name) const {
  const std::string want = Lower(name);
  for (const auto& [k, v] : headers) {
    if (Lower(k) == want) return v;
  }
  return {};
}

bool CloudRequest::HasHeader(std::string_view name) const {
  const std::string want = Lower(name);
  for (const auto& header : headers) {
    if (Lower(header.first) == want) return true;
  }
  return false;
}

std::vector<std::string> CloudRequest::HeaderLines() const {
  std::vector<std::string> out;
  for (const auto& [k, v] : headers) {
    if (!IsTransportHeader(k)) out.push_back(k + ": " + v);
  }
  return out;
}

std::string CloudRequest::Query(std::string_view key) const {
  for (const auto& [k, v] : query) {
    if (k == key) return v;
  }
  return {};
}

const CloudCheck* CloudRequest::Check(std::string_view name) const {
  for (const auto& c : checks) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::string CloudRequest::FailedChecks() const {
  std::string out;
  for (const auto& c : checks) {
    if (c.ok) continue;
    if (!out.empty()) out += "; ";
    out += c.name + " (" + c.detail + ")";
  }
  return out.empty() ? "none" : out;
}

// --- CloudRule -------------------------------------------------------------------------------

CloudRule& CloudRule::Host(std::string_view host) {
  selectors_.emplace_back("host", Quote(host));
  return *this;
}
CloudRule& CloudRule::Path(std::string_view path) {
  selectors_.emplace_back("path", Quote(path));
  return *this;
}
CloudRule& CloudRule::Methods(std::string_view comma_separated) {
  selectors_.emplace_back("methods", Quote(comma_separated));
  return *this;
}
CloudRule& CloudRule::Match(std::string_view text) {
  selectors_.emplace_back("match", Quote(text));
  return *this;
}
CloudRule& CloudRule::Count(int n) {
  selectors_.emplace_back("count", std::to_string(n));
  return *this;
}
CloudRule& CloudRule::Skip(int n) {
  selectors_.emplace_back("skip", std::to_string(n));
  return *this;
}
CloudRule& CloudRule::Code(int code) {
  action_.emplace_back("code", std::to_string(code));
  return *this;
}
CloudRule& CloudRule::Status(int status) {
  action_.emplace_back("status", std::to_string(status));
  return *this;
}
CloudRule& CloudRule::Body(std::string_view text) {
  action_.emplace_back("body", Quote(text));
  return *this;
}
CloudRule& CloudRule::Reply(std::string_view json) {
  action_.emplace_back("reply", std::string(json));
  return *this;
}
CloudRule& CloudRule::Html() {
  action_.emplace_back("html", "true");
  return *this;
}
CloudRule& CloudRule::Empty() {
  action_.emplace_back("empty", "true");
  return *this;
}
CloudRule& CloudRule::Drop() {
  action_.emplace_back("drop", "true");
  return *this;
}
CloudRule& CloudRule::DelayMs(int ms) {
  action_.emplace_back("delay_ms", std::to_string(ms));
  return *this;
}

std::string CloudRule::Json() const {
  std::string out = "{";
  for (const auto& [k, v] : selectors_) out += Quote(k) + ":" + v + ",";
  out += "\"action\":{";
  for (std::size_t i = 0; i < action_.size(); ++i) {
    if (i > 0) out += ",";
    out += Quote(action_[i].first) + ":" + action_[i].second;
  }
  return out + "}}";
}

// --- Cloud -----------------------------------------------------------------------------------

Cloud::Cloud() {
  const char* dir = std::getenv("ORB_CLOUD_DIR");
  if (dir == nullptr || *dir == '\0') {
    error_ = "ORB_CLOUD_DIR is not set: the test must require the ctest fixture 'cloud' (or "
             "start it: python3 tools/cloud/ctl.py start --state-dir DIR)";
    return;
  }
  state_dir_ = dir;
  files_dir_ = state_dir_ / "files";
  const std::string journal_dir = Trimmed(ReadFile(state_dir_ / "journal_dir"));
  journal_ = journal_dir.empty() ? state_dir_ / "journal" / "journal.jsonl"
                                 : HostPath(journal_dir) / "journal.jsonl";
  const JsonPtr ports(cJSON_Parse(ReadFile(state_dir_ / "ports.json").c_str()));
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, ports.get()) {
    if (cJSON_IsNumber(item) && item->string != nullptr) {
      ports_.emplace_back(item->string, item->valueint);
    }
  }
  if (ports_.empty()) {
    error_ = "the cloud stand-in is not running: no ports in " +
             (state_dir_ / "ports.json").string() + " (see server.log beside it)";
  }
}

int Cloud::Port(std::string_view host) const {
  for (const auto& [name, port] : ports_) {
    if (name == host) return port;
  }
  return 0;
}

std::string Cloud::BaseUrl(std::string_view host) const {
  return "http://127.0.0.1:" + std::to_string(Port(host));
}

std::string Cloud::PutFile(std::string_view name, std::string_view bytes) const {
  const auto file = files_dir_ / std::filesystem::path(std::string(name));
  std::error_code ignored;
  std::filesystem::create_directories(file.parent_path(), ignored);
  const auto tmp = file.parent_path() / ("." + file.filename().string() + "." + UniqueTag());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::rename(tmp, file);
  return "/" + std::string(name);
}

std::vector<CloudRequest> Cloud::Requests(std::string_view contains) const {
  std::vector<CloudRequest> out;
  std::ifstream in(journal_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (in.eof()) break;  // a line still being written
    if (!contains.empty() && line.find(contains) == std::string::npos) continue;
    const JsonPtr entry(cJSON_Parse(line.c_str()));
    if (cJSON_IsObject(entry.get())) out.push_back(ParseLine(entry.get()));
  }
  return out;
}

std::vector<CloudRequest> Cloud::Trail(std::string_view tag) const {
  std::vector<std::string> tokens;
  for (const auto& r : Requests(tag)) {
    if (!r.issued_token.empty()) tokens.push_back(r.issued_token);
  }
  std::vector<CloudRequest> out;
  for (auto& r : Requests()) {
    bool mine = false;
    for (const auto& [k, v] : r.headers) {
      if (v.find(tag) != std::string::npos) mine = true;
      for (const auto& token : tokens) {
        if (v.find(token) != std::string::npos) mine = true;
      }
    }
    if (mine || r.target.find(tag) != std::string::npos ||
        r.body.find(tag) != std::string::npos) {
      out.push_back(std::move(r));
    }
  }
  return out;
}

bool Cloud::SetRule(std::string_view id, const CloudRule& rule) const {
  const auto folder = state_dir_ / "rules";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const auto file = folder / (std::string(id) + ".json");
  const auto tmp = folder / ("." + std::string(id) + ".tmp");
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << rule.Json();
    if (!out) return false;
  }
  std::error_code ec;
  std::filesystem::rename(tmp, file, ec);
  return !ec;
}

void Cloud::ClearRule(std::string_view id) const {
  std::error_code ignored;
  std::filesystem::remove(state_dir_ / "rules" / (std::string(id) + ".json"), ignored);
}

// --- ScopedCloudRule -------------------------------------------------------------------------

ScopedCloudRule::ScopedCloudRule(const Cloud& cloud, const CloudRule& rule)
    : cloud_(cloud), id_(UniqueTag()) {
  ok_ = cloud_.SetRule(id_, rule);
}

ScopedCloudRule::~ScopedCloudRule() { cloud_.ClearRule(id_); }

// --- TestLog ---------------------------------------------------------------------------------

TestLog& TestLog::Get() {
  static TestLog log;
  return log;
}

TestLog::TestLog() {
  static const TempDir dir;  // lives until exit, as the log does
  file_ = dir.path() / "report-test.log";
  OpenProcessLog(dir.narrow() + "report-test.log");
}

std::vector<std::string> TestLog::Lines(std::string_view part) const {
  std::vector<std::string> out;
  std::ifstream in(file_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(part) != std::string::npos) out.push_back(line);
  }
  return out;
}

}  // namespace orbtest
