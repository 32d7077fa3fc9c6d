#include "report/analytics_value.h"

#include <cstdio>
#include <ctime>

#include "common/unicode.h"
#include "report/analytics_diagnostics.h"
#include "report/analytics_local_time.h"

namespace orb_analytics {
namespace utils {
namespace {

// Length of the well-formed UTF-8 sequence of two to four bytes at `at`, or 0.
std::size_t MultiByteLength(std::string_view text, std::size_t at) {
  if (static_cast<unsigned char>(text[at]) < 0x80) return 0;
  char32_t cp = 0;
  return unicode::Utf8SequenceAt(text, at, cp);
}

void Append(std::string& out, const Value& value);

void AppendList(std::string& out, const std::vector<std::string>& values) {
  out += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) out += ',';
    out += QuoteJson(values[i]);
  }
  out += ']';
}

void Append(std::string& out, const Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) {
    out += std::to_string(*number);
  } else if (const auto* text = std::get_if<std::string>(&value)) {
    out += QuoteJson(*text);
  } else if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
    AppendList(out, *list);
  } else if (const auto* date = std::get_if<DateTime>(&value)) {
    out += QuoteJson(FormatDateTime(*date));
  } else if (const auto* flag = std::get_if<bool>(&value)) {
    out += *flag ? "true" : "false";
  } else if (const auto* object = std::get_if<std::shared_ptr<const ObjectNode>>(&value)) {
    out += *object ? (*object)->ToJson() : std::string("{}");
  }
}

// The refusal message names the key and shows the value.
bool CheckString(std::string_view key, std::string_view value) {
  if (value.size() > kMaxStringBytes) {
    Diagnostic("String property '" + std::string(key) + "' is too long, value: " + std::string(value));
    return false;
  }
  if (!IsValidText(value)) {
    Diagnostic("String property '" + std::string(key) + "' is not valid UTF-8 string, value: " +
               std::string(value));
    return false;
  }
  return true;
}

}  // namespace

bool IsValidText(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0x7E)) {
      ++i;
      continue;
    }
    const std::size_t length = MultiByteLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string QuoteJson(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = MultiByteLength(text, i);
      if (length == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string FormatDateTime(const DateTime& value) {
  std::tm local{};
  if (!LocalTimeOf(value.seconds, local)) local = std::tm{};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                value.milliseconds);
  return text;
}

bool ObjectNode::CheckKey(std::string_view key) const {
  if (IsValidText(key)) return true;
  Diagnostic("Property key is not valid UTF-8 string, key: " + std::string(key));
  return false;
}

void ObjectNode::Put(std::string_view key, Value value) {
  const auto found = members_.find(key);
  if (found != members_.end()) {
    found->second = std::move(value);
  } else {
    members_.emplace(std::string(key), std::move(value));
  }
}

bool ObjectNode::SetNumber(std::string_view key, std::int64_t value) {
  if (!CheckKey(key)) return false;
  Put(key, value);
  return true;
}

bool ObjectNode::SetString(std::string_view key, std::string_view value) {
  if (!CheckKey(key) || !CheckString(key, value)) return false;
  Put(key, std::string(value));
  return true;
}

bool ObjectNode::SetList(std::string_view key, const std::vector<std::string>& values) {
  if (!CheckKey(key)) return false;
  for (const std::string& value : values) {
    if (!CheckString(key, value)) return false;
  }
  Put(key, values);
  return true;
}

bool ObjectNode::SetDateTime(std::string_view key, DateTime value) {
  if (!CheckKey(key)) return false;
  Put(key, value);
  return true;
}

bool ObjectNode::SetBool(std::string_view key, bool value) {
  if (!CheckKey(key)) return false;
  Put(key, value);
  return true;
}

bool ObjectNode::SetObject(std::string_view key, const ObjectNode& value) {
  if (!CheckKey(key)) return false;
  Put(key, std::make_shared<const ObjectNode>(value));
  return true;
}

void ObjectNode::MergeFrom(const ObjectNode& other) {
  for (const auto& [key, value] : other.members_) Put(key, value);
}

bool ObjectNode::Remove(std::string_view key) {
  const auto found = members_.find(key);
  if (found == members_.end()) return false;
  members_.erase(found);
  return true;
}

const Value* ObjectNode::Find(std::string_view key) const {
  const auto found = members_.find(key);
  return found == members_.end() ? nullptr : &found->second;
}

std::string ObjectNode::ToJson() const {
  std::string out = "{";
  bool first = true;
  for (const auto& [key, value] : members_) {
    if (!first) out += ',';
    first = false;
    out += QuoteJson(key);
    out += ':';
    Append(out, value);
  }
  out += '}';
  return out;
}

}  // namespace utils
}  // namespace orb_analytics
