#include "report/analytics_record.h"

#include "report/analytics_diagnostics.h"

namespace orb_analytics {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool CheckName(std::string_view name, std::string_view label) {
  if (name.empty() || name.size() > kMaxNameLength) {
    Diagnostic("The " + std::string(label) + " is empty or too long, max length is 100");
    return false;
  }
  bool valid = IsLetter(name[0]) || name[0] == '$' || name[0] == '_';
  for (std::size_t i = 1; valid && i < name.size(); ++i) {
    const char c = name[i];
    valid = IsLetter(c) || IsDigit(c) || c == '$' || c == '_';
  }
  if (!valid) Diagnostic("The " + std::string(label) + " need to be a valid variable name.");
  return valid;
}

bool CheckDistinctId(std::string_view id) {
  if (id.empty()) {
    Diagnostic("The Distinct ID is empty.");
    return false;
  }
  if (id.size() > kMaxDistinctIdLength) {
    Diagnostic("The Distinct ID is too long, max length is 255.");
    return false;
  }
  return true;
}

std::optional<std::string> BuildRecord(std::string_view distinct_id, const PropertiesNode& super,
                                       std::string_view event, const PropertiesNode& properties,
                                       std::int64_t now_ms) {
  for (const auto& [key, value] : properties.Members()) {
    if (!CheckName(key, "Property Key")) return std::nullopt;
    if (key == "$time" && !std::holds_alternative<utils::DateTime>(value)) {
      Diagnostic("The property '$time' should be DateTime type.");
      return std::nullopt;
    }
    if (key == "$project" && !std::holds_alternative<std::string>(value)) {
      Diagnostic("The property '$project' should be String type.");
      return std::nullopt;
    }
  }
  if (!CheckName(event, "Event Name")) return std::nullopt;

  PropertiesNode merged = super;
  merged.MergeFrom(properties);

  std::int64_t time_ms = now_ms;
  if (const utils::Value* time = merged.Find("$time")) {
    if (const auto* date = std::get_if<utils::DateTime>(time)) {
      time_ms = date->seconds * 1000 + date->milliseconds;
    }
    merged.Remove("$time");
  }
  std::optional<std::string> project;
  if (const utils::Value* value = merged.Find("$project")) {
    if (const auto* text = std::get_if<std::string>(value)) project = *text;
    merged.Remove("$project");
  }

  // Built by hand: the members are few and their order (the key order) is fixed.
  std::string record = "{\"distinct_id\":" + utils::QuoteJson(distinct_id);
  record += ",\"event\":" + utils::QuoteJson(event);
  record += ",\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"";
  record += kLibVersion;
  record += "\"}";
  if (project) record += ",\"project\":" + utils::QuoteJson(*project);
  record += ",\"properties\":" + merged.ToJson();
  record += ",\"time\":" + std::to_string(time_ms);
  record += ",\"type\":\"track\"}";
  return record;
}

}  // namespace orb_analytics
