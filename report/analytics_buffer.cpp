#include "report/analytics_buffer.h"

#include <algorithm>
#include <iterator>

#include "common/json_doc.h"
#include "report/analytics_value.h"

namespace orb_analytics {

void RecordBuffer::Push(std::string record) {
  records_.push_back(std::move(record));
  while (records_.size() > capacity_) records_.pop_front();
}

std::vector<std::string> RecordBuffer::TakeFront(std::size_t count) {
  const std::size_t taken = std::min(count, records_.size());
  std::vector<std::string> out(std::make_move_iterator(records_.begin()),
                               std::make_move_iterator(records_.begin() + static_cast<std::ptrdiff_t>(taken)));
  records_.erase(records_.begin(), records_.begin() + static_cast<std::ptrdiff_t>(taken));
  return out;
}

void RecordBuffer::PutFront(std::vector<std::string> records) {
  const std::size_t room = capacity_ - std::min(capacity_, records_.size());
  const std::size_t keep = std::min(room, records.size());
  const auto first = records.end() - static_cast<std::ptrdiff_t>(keep);
  records_.insert(records_.begin(), std::make_move_iterator(first), std::make_move_iterator(records.end()));
}

std::vector<std::string> ParseStagingText(std::string_view text) {
  std::vector<std::string> records;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < 2 || line.front() != '{' || line.back() != '}') continue;
    if (!utils::IsValidText(line)) continue;
    JsonDoc doc;
    if (!doc.Parse(line) || !doc.IsObject()) continue;
    records.emplace_back(line);
  }
  return records;
}

std::string FormatStagingText(const std::vector<std::string>& records) {
  std::string text;
  for (const std::string& record : records) {
    text += record;
    text += '\n';
  }
  return text;
}

}  // namespace orb_analytics
