#include "tests/support/test_server.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <locale>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define ORB_GETPID _getpid
#else
#include <unistd.h>
#define ORB_GETPID getpid
#endif

namespace orbtest {
namespace {

std::string ReadFirstLine(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) {
    line.pop_back();
  }
  return line;
}

std::string QueryEscape(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The log file escapes only '%', tab, CR and LF.
std::string LogUnescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string_view code = text.substr(i + 1, 2);
      char c = 0;
      if (code == "25") c = '%';
      else if (code == "09") c = '\t';
      else if (code == "0D") c = '\r';
      else if (code == "0A") c = '\n';
      if (c != 0) {
        out += c;
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::uint64_t ToU64(const std::string& text) {
  return std::strtoull(text.c_str(), nullptr, 10);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

std::string GenBytes(std::uint64_t offset, std::size_t length) {
  std::string out(length, '\0');
  for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<char>(GenByte(offset + i));
  return out;
}

std::string UniqueTag() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
  std::ostringstream tag;
  tag << "t" << ORB_GETPID() << "-" << std::hex << stamp << "-" << counter++;
  return tag.str();
}

// --- Faults ----------------------------------------------------------------------------------

Faults& Faults::Set(std::string_view key, std::string value) {
  for (auto& item : items_) {
    if (item.first == key) {
      item.second = std::move(value);
      return *this;
    }
  }
  items_.emplace_back(std::string(key), std::move(value));
  return *this;
}

void Faults::EnsureTag() {
  for (const auto& item : items_) {
    if (item.first == "tag") return;
  }
  Set("tag", UniqueTag());
}

Faults& Faults::Status(int code) { return Set("status", std::to_string(code)); }
Faults& Faults::LatencyMs(int ms) { return Set("latency_ms", std::to_string(ms)); }
Faults& Faults::StallAfter(std::uint64_t bytes, double secs) {
  std::ostringstream s;
  s.imbue(std::locale::classic());
  s << secs;
  Set("stall_after", std::to_string(bytes));
  return Set("stall_secs", s.str());
}
Faults& Faults::CloseAfter(std::uint64_t bytes) {
  return Set("close_after", std::to_string(bytes));
}
Faults& Faults::ResetAfter(std::uint64_t bytes) {
  return Set("reset_after", std::to_string(bytes));
}
Faults& Faults::BadLength(std::int64_t delta) {
  return Set("bad_length", (delta >= 0 ? "+" : "") + std::to_string(delta));
}
Faults& Faults::NoLength() { return Set("no_length", "1"); }
Faults& Faults::IgnoreRange() { return Set("ignore_range", "1"); }
Faults& Faults::Rate(std::uint64_t bytes_per_second) {
  return Set("rate", std::to_string(bytes_per_second));
}
Faults& Faults::ETag(std::string_view etag) { return Set("etag", std::string(etag)); }
Faults& Faults::Times(int n) {
  EnsureTag();
  return Set("times", std::to_string(n));
}
Faults& Faults::Skip(int n) {
  EnsureTag();
  return Set("skip", std::to_string(n));
}
Faults& Faults::Methods(std::string_view comma_separated) {
  return Set("methods", std::string(comma_separated));
}
Faults& Faults::Tag(std::string_view tag) { return Set("tag", std::string(tag)); }

std::string Faults::Query() const {
  std::string out;
  for (const auto& [key, value] : items_) {
    if (!out.empty()) out += '&';
    out += key;
    out += '=';
    out += QueryEscape(value);
  }
  return out;
}

// --- LoggedRequest ---------------------------------------------------------------------------

std::string LoggedRequest::Header(std::string_view name) const {
  const auto it = headers.find(Lower(name));
  return it == headers.end() ? std::string() : it->second;
}

// --- TestServer ------------------------------------------------------------------------------

TestServer::TestServer() {
  const char* dir = std::getenv("ORB_TESTSERVER_DIR");
  if (dir == nullptr || *dir == '\0') {
    error_ = "ORB_TESTSERVER_DIR is not set: the test must require the ctest fixture "
             "'testserver' (or start it: python3 tools/testserver/ctl.py start --state-dir DIR)";
    return;
  }
  state_dir_ = dir;
  const std::string root = ReadFirstLine(state_dir_ / "root");
  files_dir_ = root.empty() ? state_dir_ / "files" : std::filesystem::path(root);
  const std::string port = ReadFirstLine(state_dir_ / "port");
  const long value = std::strtol(port.c_str(), nullptr, 10);
  if (value <= 0 || value > 65535) {
    error_ = "the test server is not running: no port in " + (state_dir_ / "port").string() +
             " (see server.log beside it)";
    return;
  }
  port_ = static_cast<int>(value);
}

std::string TestServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string TestServer::Url(std::string_view path) const {
  std::string url = BaseUrl();
  if (path.empty() || path.front() != '/') url += '/';
  url += path;
  return url;
}

std::string TestServer::Url(std::string_view path, const Faults& faults) const {
  std::string url = Url(path);
  const std::string query = faults.Query();
  if (!query.empty()) {
    url += url.find('?') == std::string::npos ? '?' : '&';
    url += query;
  }
  return url;
}

std::string TestServer::GenPath(std::uint64_t size, std::string_view name) {
  std::string path = "/gen/" + std::to_string(size);
  if (!name.empty()) {
    path += '/';
    path += name;
  }
  return path;
}

std::string TestServer::RedirectPath(int code, std::string_view target_path) {
  std::string path = "/redirect/" + std::to_string(code);
  if (target_path.empty() || target_path.front() != '/') path += '/';
  path += target_path;
  return path;
}

std::string TestServer::PutFile(std::string_view name, std::string_view bytes) const {
  const auto file = files_dir_ / std::filesystem::path(std::string(name));
  std::error_code ignored;
  std::filesystem::create_directories(file.parent_path(), ignored);
  // Written aside and renamed so the server never serves a half-written file.
  const auto tmp = file.parent_path() / ("." + file.filename().string() + "." + UniqueTag());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::rename(tmp, file);
  return "/" + std::string(name);
}

std::vector<LoggedRequest> TestServer::Requests(std::string_view target_part) const {
  std::ifstream in(state_dir_ / "requests.log", std::ios::binary);
  std::map<std::uint64_t, LoggedRequest> by_id;
  std::string line;
  while (std::getline(in, line)) {
    if (in.eof()) break;  // a line still being written
    std::map<std::string, std::string> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
      std::size_t end = line.find('\t', start);
      if (end == std::string::npos) end = line.size();
      const std::string_view field(line.data() + start, end - start);
      const std::size_t eq = field.find('=');
      if (eq != std::string_view::npos) {
        fields[std::string(field.substr(0, eq))] = LogUnescape(field.substr(eq + 1));
      }
      start = end + 1;
    }
    const auto id_it = fields.find("id");
    if (id_it == fields.end()) continue;
    LoggedRequest& r = by_id[ToU64(id_it->second)];
    r.id = ToU64(id_it->second);
    for (const auto& [key, value] : fields) {
      if (key == "conn") r.conn = ToU64(value);
      else if (key == "method") r.method = value;
      else if (key == "target") r.target = value;
      else if (key == "range") r.range = value;
      else if (key == "status") r.status = static_cast<int>(ToU64(value));
      else if (key == "sent") {
        r.bytes_sent = ToU64(value);
        r.finished = true;
      }
      else if (key == "done") r.done = value == "1";
      else if (key == "error") r.error = value;
      else if (key.rfind("h.", 0) == 0) r.headers[key.substr(2)] = value;
    }
  }
  std::vector<LoggedRequest> out;
  for (auto& [id, r] : by_id) {
    if (r.method.empty()) continue;  // its first record went with a cleared log
    if (!target_part.empty() && r.target.find(target_part) == std::string::npos) continue;
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace orbtest
