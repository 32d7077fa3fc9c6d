#include "tests/downloader/log_tail.h"

#include <filesystem>

#include "app/log/simple_log.h"
#include "tests/support/temp_dir.h"

namespace orbtest {
namespace {

const std::string& LogPath() {
  static TempDir folder;
  static const std::string path = [] {
    const std::string file = folder.narrow() + "helpers.log";
    OpenProcessLog(file);
    return file;
  }();
  return path;
}

}  // namespace

LogTail::LogTail() : mark_(TempDir::read(LogPath()).size()) {}

std::vector<std::string> LogTail::Lines() const {
  const std::string text = TempDir::read(LogPath()).substr(mark_);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tag = line.find(" - [");
    lines.push_back(tag == std::string::npos ? line : line.substr(tag + 3));
    at = end + 1;
  }
  return lines;
}

}  // namespace orbtest
