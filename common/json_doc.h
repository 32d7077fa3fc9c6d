#pragma once
// A JSON value over cJSON: parse, read members, add members, print.
// Texts are UTF-8. Member keys are compared case-sensitively.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct cJSON;

class JsonDoc {
 public:
  JsonDoc();  // an empty object {}
  JsonDoc(const JsonDoc& other);  // deep copy
  JsonDoc& operator=(const JsonDoc& other);
  // A moved-from document holds no value until it is parsed or assigned again.
  JsonDoc(JsonDoc&& other) noexcept = default;
  JsonDoc& operator=(JsonDoc&& other) noexcept = default;
  ~JsonDoc();

  // Replaces the value with the one in `utf8`. The whole text must be one JSON value
  // (white space around it is allowed). On failure the value is left as it was and
  // Error() tells the byte offset where parsing stopped.
  bool Parse(std::string_view utf8);
  bool IsObject() const;

  // Readers: false when the value is not an object, the member is absent or of
  // another type. Numbers are truncated toward zero and must fit the target type.
  bool GetInt(std::string_view key, int32_t& out) const;
  bool GetInt64(std::string_view key, int64_t& out) const;
  bool GetString(std::string_view key, std::string& out) const;
  bool GetObject(std::string_view key, JsonDoc& out) const;  // deep copy
  bool IsNull(std::string_view key) const;                   // absent or null

  // Writers: members are appended; an existing key is never replaced. Keys and
  // strings may not hold NUL characters.
  bool AddString(std::string_view key, std::string_view value);
  bool AddInt(std::string_view key, int32_t value);
  bool AddInt64(std::string_view key, int64_t value);  // printed as an exact integer
  bool AddEmptyArray(std::string_view key);
  // Appends a copy of `object`, whose value must be an object, to the array member `key`.
  bool AppendToArray(std::string_view key, const JsonDoc& object);

  // Without white space, members in insertion order; empty when there is no value.
  std::string Print() const;
  // Text of the last failed Parse, Add or Append; empty after one that succeeded.
  const std::string& Error() const { return error_; }

 private:
  struct Deleter {
    void operator()(cJSON* item) const;
  };
  using Ptr = std::unique_ptr<cJSON, Deleter>;

  const cJSON* Member(std::string_view key) const;
  bool CheckNewKey(std::string_view key);
  bool AddItem(std::string_view key, Ptr item, const char* createError);
  bool Fail(std::string text);

  Ptr root_;
  std::string error_;
};
