#include "common/json_doc.h"

#include <cjson/cJSON.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>

namespace {

constexpr const char* kNotObject = "not a json object! json array?";
constexpr const char* kCreateItem = "create json item error!";

// cJSON records every parse failure in one process-wide variable; parsing one at a
// time keeps threads from racing on it.
std::mutex& ParseMutex() {
  static std::mutex mutex;
  return mutex;
}

bool HasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// Reads a number (truncated toward zero) or an integer this class stored as raw text.
template <typename T>
bool ReadInteger(const cJSON* item, T& out) {
  if (cJSON_IsRaw(item) && item->valuestring != nullptr) {
    const char* const first = item->valuestring;
    const char* const last = first + std::strlen(first);
    T value{};
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc{} || end != last) return false;
    out = value;
    return true;
  }
  if (!cJSON_IsNumber(item)) return false;
  const double whole = std::trunc(item->valuedouble);
  constexpr double kLow = static_cast<double>(std::numeric_limits<T>::min());  // -2^(bits-1), exact
  constexpr double kBeyond = -kLow;
  if (!(whole >= kLow && whole < kBeyond)) return false;  // NaN fails here too
  out = static_cast<T>(whole);
  return true;
}

}  // namespace

void JsonDoc::Deleter::operator()(cJSON* item) const { cJSON_Delete(item); }

JsonDoc::JsonDoc() : root_(cJSON_CreateObject()) {}

JsonDoc::JsonDoc(const JsonDoc& other)
    : root_(other.root_ ? cJSON_Duplicate(other.root_.get(), true) : nullptr), error_(other.error_) {}

JsonDoc& JsonDoc::operator=(const JsonDoc& other) {
  if (this != &other) *this = JsonDoc(other);
  return *this;
}

JsonDoc::~JsonDoc() = default;

bool JsonDoc::Fail(std::string text) {
  error_ = std::move(text);
  return false;
}

bool JsonDoc::Parse(std::string_view utf8) {
  // A private copy ends in the NUL that cJSON needs; the parse must end exactly there.
  const std::string text(utf8);
  const char* end = nullptr;
  Ptr parsed;
  {
    const std::lock_guard lock(ParseMutex());
    parsed.reset(cJSON_ParseWithLengthOpts(text.c_str(), text.size() + 1, &end, true));
  }
  const size_t stop = end != nullptr ? static_cast<size_t>(end - text.c_str()) : 0;
  if (!parsed || stop != text.size()) {
    return Fail("prase json string error at " + std::to_string(stop));
  }
  root_ = std::move(parsed);
  error_.clear();
  return true;
}

bool JsonDoc::IsObject() const { return cJSON_IsObject(root_.get()); }

const cJSON* JsonDoc::Member(std::string_view key) const {
  if (!IsObject() || HasNul(key)) return nullptr;
  return cJSON_GetObjectItemCaseSensitive(root_.get(), std::string(key).c_str());
}

bool JsonDoc::GetInt(std::string_view key, int32_t& out) const { return ReadInteger(Member(key), out); }

bool JsonDoc::GetInt64(std::string_view key, int64_t& out) const { return ReadInteger(Member(key), out); }

bool JsonDoc::GetString(std::string_view key, std::string& out) const {
  const cJSON* item = Member(key);
  if (!cJSON_IsString(item) || item->valuestring == nullptr) return false;
  out = item->valuestring;
  return true;
}

bool JsonDoc::GetObject(std::string_view key, JsonDoc& out) const {
  const cJSON* item = Member(key);
  if (!cJSON_IsObject(item)) return false;
  Ptr copy(cJSON_Duplicate(item, true));
  if (!copy) return false;
  out.root_ = std::move(copy);
  out.error_.clear();
  return true;
}

bool JsonDoc::IsNull(std::string_view key) const {
  const cJSON* item = Member(key);
  return item == nullptr || cJSON_IsNull(item);
}

bool JsonDoc::CheckNewKey(std::string_view key) {
  if (!IsObject()) return Fail(kNotObject);
  // cJSON keys end at the first NUL, which would silently shorten the key.
  if (HasNul(key)) return Fail("key holds a NUL character!");
  if (Member(key) != nullptr) return Fail("key exists!");
  return true;
}

bool JsonDoc::AddItem(std::string_view key, Ptr item, const char* createError) {
  if (!item) return Fail(createError);
  if (!cJSON_AddItemToObject(root_.get(), std::string(key).c_str(), item.get())) return Fail(createError);
  item.release();  // now owned by the root
  error_.clear();
  return true;
}

bool JsonDoc::AddString(std::string_view key, std::string_view value) {
  if (!CheckNewKey(key)) return false;
  if (HasNul(value)) return Fail("string holds a NUL character!");
  return AddItem(key, Ptr(cJSON_CreateString(std::string(value).c_str())), kCreateItem);
}

bool JsonDoc::AddInt(std::string_view key, int32_t value) {
  if (!CheckNewKey(key)) return false;
  return AddItem(key, Ptr(cJSON_CreateNumber(value)), kCreateItem);
}

bool JsonDoc::AddInt64(std::string_view key, int64_t value) {
  if (!CheckNewKey(key)) return false;
  // cJSON holds numbers as doubles, exact only up to 2^53: keep the decimal text.
  return AddItem(key, Ptr(cJSON_CreateRaw(std::to_string(value).c_str())), kCreateItem);
}

bool JsonDoc::AddEmptyArray(std::string_view key) {
  if (!CheckNewKey(key)) return false;
  return AddItem(key, Ptr(cJSON_CreateArray()), "create sub empty array error!");
}

bool JsonDoc::AppendToArray(std::string_view key, const JsonDoc& object) {
  if (!IsObject() || !object.IsObject()) return Fail(kNotObject);
  cJSON* array = const_cast<cJSON*>(Member(key));
  if (!cJSON_IsArray(array)) return Fail("array not found!");
  // Copy first: `object` may be this document itself.
  Ptr copy(cJSON_Duplicate(object.root_.get(), true));
  if (!copy || !cJSON_AddItemToArray(array, copy.get())) return Fail(kCreateItem);
  copy.release();
  error_.clear();
  return true;
}

std::string JsonDoc::Print() const {
  if (!root_) return {};
  char* const printed = cJSON_PrintUnformatted(root_.get());
  if (printed == nullptr) return {};
  std::string text(printed);
  cJSON_free(printed);
  return text;
}
