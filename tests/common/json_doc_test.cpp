#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/json_doc.h"

namespace {

constexpr const char* kNotObject = "not a json object! json array?";

JsonDoc Parsed(std::string_view text) {
  JsonDoc doc;
  EXPECT_TRUE(doc.Parse(text)) << text << ": " << doc.Error();
  return doc;
}

TEST(JsonDocTest, BuildsAndPrintsInInsertionOrder) {
  JsonDoc item;
  ASSERT_TRUE(item.AddInt("a", 1));

  JsonDoc doc;
  EXPECT_TRUE(doc.IsObject());
  EXPECT_EQ(doc.Print(), "{}");
  EXPECT_TRUE(doc.AddString("name", "orb"));
  EXPECT_TRUE(doc.AddInt("count", std::numeric_limits<int32_t>::min()));
  EXPECT_TRUE(doc.AddInt64("size", 9007199254740993));  // 2^53 + 1: not a double
  EXPECT_TRUE(doc.AddInt64("max", std::numeric_limits<int64_t>::max()));
  EXPECT_TRUE(doc.AddInt64("min", std::numeric_limits<int64_t>::min()));
  EXPECT_TRUE(doc.AddEmptyArray("list"));
  EXPECT_TRUE(doc.AppendToArray("list", item));
  EXPECT_TRUE(doc.AppendToArray("list", JsonDoc()));
  EXPECT_TRUE(doc.Error().empty());
  EXPECT_EQ(doc.Print(),
            "{\"name\":\"orb\",\"count\":-2147483648,\"size\":9007199254740993,"
            "\"max\":9223372036854775807,\"min\":-9223372036854775808,\"list\":[{\"a\":1},{}]}");

  int64_t value = 0;
  EXPECT_TRUE(doc.GetInt64("size", value));
  EXPECT_EQ(value, 9007199254740993);
  EXPECT_TRUE(doc.GetInt64("min", value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::min());
  int32_t small = 0;
  EXPECT_FALSE(doc.GetInt("size", small));
  EXPECT_TRUE(doc.GetInt("count", small));
  EXPECT_EQ(small, std::numeric_limits<int32_t>::min());
}

TEST(JsonDocTest, AddingAnExistingKeyKeepsTheFirstValue) {
  const std::pair<const char*, std::function<bool(JsonDoc&)>> adders[] = {
      {"string", [](JsonDoc& d) { return d.AddString("k", "second"); }},
      {"int", [](JsonDoc& d) { return d.AddInt("k", 2); }},
      {"int64", [](JsonDoc& d) { return d.AddInt64("k", 2); }},
      {"array", [](JsonDoc& d) { return d.AddEmptyArray("k"); }},
  };
  for (const auto& [name, add] : adders) {
    SCOPED_TRACE(name);
    JsonDoc doc;
    ASSERT_TRUE(doc.AddString("k", "first"));
    EXPECT_FALSE(add(doc));
    EXPECT_EQ(doc.Error(), "key exists!");
    EXPECT_EQ(doc.Print(), "{\"k\":\"first\"}");
    // A key differing only in case is another key.
    EXPECT_TRUE(doc.AddString("K", "other"));
    EXPECT_TRUE(doc.Error().empty());
  }
}

TEST(JsonDocTest, WritersRefuseANonObjectRoot) {
  for (const std::string_view text : {"[1,2]", "\"text\"", "null", "3"}) {
    SCOPED_TRACE(text);
    JsonDoc doc = Parsed(text);
    EXPECT_FALSE(doc.IsObject());
    EXPECT_FALSE(doc.AddString("a", "b"));
    EXPECT_EQ(doc.Error(), kNotObject);
    EXPECT_FALSE(doc.AddInt("a", 1));
    EXPECT_FALSE(doc.AddInt64("a", 1));
    EXPECT_FALSE(doc.AddEmptyArray("a"));
    EXPECT_EQ(doc.Error(), kNotObject);
    EXPECT_FALSE(doc.AppendToArray("a", JsonDoc()));
    EXPECT_EQ(doc.Error(), kNotObject);
    EXPECT_EQ(doc.Print(), text);
    int32_t n = 0;
    EXPECT_FALSE(doc.GetInt("a", n));
    EXPECT_TRUE(doc.IsNull("a"));
  }
}

TEST(JsonDocTest, AppendToArrayErrors) {
  JsonDoc doc = Parsed(R"({"list":[],"text":"x"})");
  EXPECT_FALSE(doc.AppendToArray("missing", JsonDoc()));
  EXPECT_EQ(doc.Error(), "array not found!");
  EXPECT_FALSE(doc.AppendToArray("text", JsonDoc()));
  EXPECT_EQ(doc.Error(), "array not found!");
  EXPECT_FALSE(doc.AppendToArray("list", Parsed("[1]")));
  EXPECT_EQ(doc.Error(), kNotObject);
  // The document may be appended to its own array: the copy is taken first.
  EXPECT_TRUE(doc.AppendToArray("list", doc));
  EXPECT_EQ(doc.Print(), R"({"list":[{"list":[],"text":"x"}],"text":"x"})");
}

TEST(JsonDocTest, NulCharactersAreRefusedNotCut) {
  JsonDoc doc;
  EXPECT_FALSE(doc.AddString(std::string_view("a\0b", 3), "v"));
  EXPECT_FALSE(doc.AddString("a", std::string_view("x\0y", 3)));
  EXPECT_FALSE(doc.AddInt(std::string_view("\0", 1), 1));
  EXPECT_EQ(doc.Print(), "{}");
}

TEST(JsonDocTest, ParsedDocumentKeepsMemberOrder) {
  const JsonDoc doc = Parsed(" { \"z\" : 1 , \"a\" : [ true , false , -0.5 ] ,\n\t\"m\" : { \"x\" : null } } \r\n");
  EXPECT_EQ(doc.Print(), R"({"z":1,"a":[true,false,-0.5],"m":{"x":null}})");
}

TEST(JsonDocTest, StringsPrintAsJsonThatParsesBack) {
  const std::string_view values[] = {
      "say \"hi\"",
      "C:\\temp\\orb\\",
      "\x01\x02\x08\x09\x0A\x0C\x0D\x1F\x7F end",
      "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80",
      "</script> / \\u0041",
      "",
  };
  for (const std::string_view value : values) {
    SCOPED_TRACE(testing::PrintToString(std::string(value)));
    JsonDoc doc;
    ASSERT_TRUE(doc.AddString("v", value));
    const std::string printed = doc.Print();
    for (const char c : printed) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << printed;
    const JsonDoc back = Parsed(printed);
    std::string read;
    EXPECT_TRUE(back.GetString("v", read));
    EXPECT_EQ(read, value);
  }
  std::string read;
  EXPECT_TRUE(Parsed(R"({"v":"\u00e9\ud83d\ude00\n"})").GetString("v", read));
  EXPECT_EQ(read, "\xC3\xA9\xF0\x9F\x98\x80\n");
}

TEST(JsonDocTest, ReadsIntegers) {
  const JsonDoc doc = Parsed(
      R"({"i":42,"neg":-7,"frac":3.9,"negfrac":-3.9,"max":2147483647,"min":-2147483648,)"
      R"("over":2147483648,"under":-2147483649,"big":4294967296,"exp":1e3,"huge":1e300,)"
      R"("edge64":9223372036854775807,"str":"5","nul":null,"obj":{},"Code":1})");
  struct Case {
    const char* key;
    std::optional<int32_t> int32;
    std::optional<int64_t> int64;
  };
  const Case cases[] = {
      {"i", 42, 42},
      {"neg", -7, -7},
      {"frac", 3, 3},
      {"negfrac", -3, -3},
      {"max", 2147483647, 2147483647},
      {"min", -2147483647 - 1, -2147483648LL},
      {"over", std::nullopt, 2147483648LL},
      {"under", std::nullopt, -2147483649LL},
      {"big", std::nullopt, 4294967296LL},
      {"exp", 1000, 1000},
      {"huge", std::nullopt, std::nullopt},
      {"edge64", std::nullopt, std::nullopt},  // rounds to 2^63 as a double: out of range
      {"str", std::nullopt, std::nullopt},
      {"nul", std::nullopt, std::nullopt},
      {"obj", std::nullopt, std::nullopt},
      {"code", std::nullopt, std::nullopt},  // keys are case-sensitive
      {"absent", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    int32_t i32 = 0;
    int64_t i64 = 0;
    EXPECT_EQ(doc.GetInt(c.key, i32), c.int32.has_value());
    if (c.int32) {
      EXPECT_EQ(i32, *c.int32);
    }
    EXPECT_EQ(doc.GetInt64(c.key, i64), c.int64.has_value());
    if (c.int64) {
      EXPECT_EQ(i64, *c.int64);
    }
  }
}

TEST(JsonDocTest, ReadsStringsObjectsAndNulls) {
  const JsonDoc doc = Parsed(R"({"s":"text","n":null,"zero":0,"empty":"","o":{"inner":{"x":1}},"a":[]})");
  std::string s;
  EXPECT_TRUE(doc.GetString("s", s));
  EXPECT_EQ(s, "text");
  EXPECT_FALSE(doc.GetString("zero", s));
  EXPECT_FALSE(doc.GetString("n", s));

  for (const char* key : {"n", "absent"}) EXPECT_TRUE(doc.IsNull(key)) << key;
  for (const char* key : {"s", "zero", "empty", "o", "a"}) EXPECT_FALSE(doc.IsNull(key)) << key;

  JsonDoc sub;
  EXPECT_FALSE(doc.GetObject("a", sub));
  EXPECT_FALSE(doc.GetObject("s", sub));
  ASSERT_TRUE(doc.GetObject("o", sub));
  EXPECT_EQ(sub.Print(), R"({"inner":{"x":1}})");
  // The sub-object is a copy: changing it leaves the source alone.
  EXPECT_TRUE(sub.AddInt("y", 2));
  EXPECT_EQ(sub.Print(), R"({"inner":{"x":1},"y":2})");
  EXPECT_EQ(doc.Print(), R"({"s":"text","n":null,"zero":0,"empty":"","o":{"inner":{"x":1}},"a":[]})");
}

TEST(JsonDocTest, ParseErrorsTellTheOffsetAndKeepTheDocument) {
  const std::pair<std::string_view, size_t> cases[] = {
      {"", 0},
      {"{} x", 3},                            // text after the value
      {std::string_view("{}\0{}", 5), 3},     // a NUL does not end the text
      {"{\"a\" 1}", 5},
      {"[1,2", 4},
  };
  for (const auto& [text, offset] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    JsonDoc doc = Parsed(R"({"keep":1})");
    EXPECT_FALSE(doc.Parse(text));
    EXPECT_EQ(doc.Error(), "prase json string error at " + std::to_string(offset));
    EXPECT_EQ(doc.Print(), R"({"keep":1})");
  }
  JsonDoc doc;
  ASSERT_FALSE(doc.Parse("{"));
  EXPECT_TRUE(doc.Parse("{}"));
  EXPECT_TRUE(doc.Error().empty());
}

TEST(JsonDocTest, TruncatedGarbageAndDeepInputFailCleanly) {
  const std::string whole = R"({"a":[1,2.5,{"b":"c\u00e9\"d"}],"e":null,"f":true})";
  for (size_t length = 0; length < whole.size(); ++length) {
    JsonDoc doc;
    EXPECT_FALSE(doc.Parse(std::string_view(whole).substr(0, length))) << length;
  }

  // Deterministic noise made of JSON's own characters and arbitrary bytes.
  const std::string_view alphabet = "{}[]\":,\\0123456789.eE+-tfnulr \x01\x80\xFF";
  uint32_t seed = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string noise;
    const size_t length = round % 64;
    for (size_t i = 0; i < length; ++i) {
      seed = seed * 1103515245 + 12345;
      noise += alphabet[(seed >> 16) % alphabet.size()];
    }
    JsonDoc doc;
    if (doc.Parse(noise)) {
      EXPECT_FALSE(doc.Print().empty());
    } else {
      EXPECT_EQ(doc.Error().rfind("prase json string error at ", 0), 0u);
    }
  }

  for (const std::string_view open : {"[", "{\"a\":"}) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += open;
    JsonDoc doc;
    EXPECT_FALSE(doc.Parse(deep));
  }
  std::string nested;
  for (int i = 0; i < 200; ++i) nested += "{\"a\":";
  nested += "1" + std::string(200, '}');
  const JsonDoc doc = Parsed(nested);
  EXPECT_EQ(JsonDoc(doc).Print(), nested);
}

TEST(JsonDocTest, CopyAndMove) {
  JsonDoc original;
  ASSERT_TRUE(original.AddString("a", "1"));

  JsonDoc copy(original);
  EXPECT_TRUE(copy.AddString("b", "2"));
  EXPECT_EQ(original.Print(), R"({"a":"1"})");
  JsonDoc assigned;
  assigned = copy;
  assigned = assigned;
  EXPECT_EQ(assigned.Print(), R"({"a":"1","b":"2"})");

  JsonDoc moved(std::move(copy));
  EXPECT_EQ(moved.Print(), R"({"a":"1","b":"2"})");
  // The moved-from document is empty but safe to use and to revive.
  EXPECT_FALSE(copy.IsObject());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(copy.Print(), "");
  EXPECT_FALSE(copy.AddInt("x", 1));
  EXPECT_FALSE(moved.AppendToArray("a", copy));
  EXPECT_TRUE(copy.Parse("{}"));
  EXPECT_TRUE(copy.AddInt("x", 1));

  assigned = std::move(moved);
  EXPECT_EQ(assigned.Print(), R"({"a":"1","b":"2"})");
}

}  // namespace
