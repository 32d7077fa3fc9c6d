#pragma once
// The analytics core's property values and the JSON text they are sent as.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orb_analytics {
namespace utils {

// Longest string value a property may hold, in bytes.
inline constexpr std::size_t kMaxStringBytes = 8192;

// Tab, line feed, carriage return, printable ASCII and well-formed UTF-8 of two to four
// bytes (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidText(std::string_view text);

// `text` as a quoted JSON string. Quote, backslash and control characters (DEL too) are escaped
// and ill-formed UTF-8 becomes U+FFFD, so the result is valid JSON whatever `text` holds.
std::string QuoteJson(std::string_view text);

class ObjectNode;

struct DateTime {
  std::int64_t seconds = 0;  // since 1970
  int milliseconds = 0;
  bool operator==(const DateTime&) const = default;
};

// A member value. Objects are shared, never changed once stored.
using Value = std::variant<std::int64_t, std::string, std::vector<std::string>, DateTime, bool,
                           std::shared_ptr<const ObjectNode>>;

// A map from key to value, written with its members in ascending byte order of the keys.
// The string setters refuse values that are too long or not valid text, with a message
// on standard error; they answer whether the value was stored.
class ObjectNode {
 public:
  bool SetNumber(std::string_view key, std::int64_t value);
  bool SetString(std::string_view key, std::string_view value);
  bool SetList(std::string_view key, const std::vector<std::string>& values);
  bool SetDateTime(std::string_view key, DateTime value);
  bool SetBool(std::string_view key, bool value);
  bool SetObject(std::string_view key, const ObjectNode& value);

  // Copies every member of `other`, replacing equal keys.
  void MergeFrom(const ObjectNode& other);
  bool Remove(std::string_view key);
  const Value* Find(std::string_view key) const;
  const std::map<std::string, Value, std::less<>>& Members() const { return members_; }
  bool Empty() const { return members_.empty(); }

  std::string ToJson() const;

 private:
  bool CheckKey(std::string_view key) const;
  void Put(std::string_view key, Value value);

  std::map<std::string, Value, std::less<>> members_;
};

// Local time as "YYYY-MM-DD hh:mm:ss.mmm".
std::string FormatDateTime(const DateTime& value);

}  // namespace utils

using PropertiesNode = utils::ObjectNode;

}  // namespace orb_analytics
