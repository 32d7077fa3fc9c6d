// Property values, validation and the record text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/json_doc.h"
#include "report/analytics_record.h"
#include "report/analytics_value.h"
#include "tests/report/analytics_test_support.h"

namespace {

using orb_analytics::BuildRecord;
using orb_analytics::PropertiesNode;
using orb_analytics::utils::DateTime;
using orbtest::DiagnosticCapture;

constexpr std::int64_t kNow = 1700000000123;

TEST(AnalyticsRecord, RecordTextHasMembersInKeyOrder) {
  PropertiesNode super;
  super.SetString("$lib", "cpp");
  super.SetString("tid", "UA-Orb-Web");
  super.SetNumber("osbit", 64);
  PropertiesNode properties;
  properties.SetString("pop_name", "downloading");
  properties.SetString("tid", "override");  // the event's own value wins
  properties.SetBool("flag", true);
  properties.SetList("list", {"a", "b\"c"});

  const auto record = BuildRecord("SIGN", super, "downloader_pop", properties, kNow);
  ASSERT_TRUE(record);
  EXPECT_EQ(*record,
            "{\"distinct_id\":\"SIGN\",\"event\":\"downloader_pop\","
            "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.8\"},"
            "\"properties\":{\"$lib\":\"cpp\",\"flag\":true,\"list\":[\"a\",\"b\\\"c\"],\"osbit\":64,"
            "\"pop_name\":\"downloading\",\"tid\":\"override\"},"
            "\"time\":1700000000123,\"type\":\"track\"}");
}

TEST(AnalyticsRecord, TimeAndProjectComeOutOfTheProperties) {
  PropertiesNode properties;
  properties.SetDateTime("$time", DateTime{1600000000, 250});
  properties.SetString("$project", "other");
  properties.SetString("x", "1");
  const auto record = BuildRecord("SIGN", PropertiesNode{}, "ev", properties, kNow);
  ASSERT_TRUE(record);
  EXPECT_EQ(*record,
            "{\"distinct_id\":\"SIGN\",\"event\":\"ev\","
            "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.8\"},"
            "\"project\":\"other\",\"properties\":{\"x\":\"1\"},\"time\":1600000000250,\"type\":\"track\"}");
}

TEST(AnalyticsRecord, InvalidEventsAreDroppedWithTheirMessage) {
  struct Case {
    const char* what;
    std::string event;
    std::string key;  // a string property under this key, unless special below
    bool time_as_string = false;
    bool project_as_number = false;
    const char* message;  // nullptr: the event is kept
  };
  const std::vector<Case> cases = {
      {"plain key", "ev", "_ok$1", false, false, nullptr},
      {"100-character key", "ev", std::string(100, 'k'), false, false, nullptr},
      {"key starts with a digit", "ev", "1abc", false, false, "The Property Key need to be a valid variable name."},
      {"key with a dash", "ev", "a-b", false, false, "The Property Key need to be a valid variable name."},
      {"101-character key", "ev", std::string(101, 'k'), false, false,
       "The Property Key is empty or too long, max length is 100"},
      {"empty key", "ev", "", false, false, "The Property Key is empty or too long, max length is 100"},
      {"$time holds a string", "ev", "", true, false, "The property '$time' should be DateTime type."},
      {"$project holds a number", "ev", "", false, true, "The property '$project' should be String type."},
      {"event name starts with a digit", "9ev", "k", false, false, "The Event Name need to be a valid variable name."},
      {"empty event name", "", "k", false, false, "The Event Name is empty or too long, max length is 100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PropertiesNode properties;
    if (c.time_as_string) {
      properties.SetString("$time", "2024-01-01 00:00:00.000");
    } else if (c.project_as_number) {
      properties.SetNumber("$project", 5);
    } else {
      properties.SetString(c.key, "v");
    }
    DiagnosticCapture capture;
    const auto record = BuildRecord("SIGN", PropertiesNode{}, c.event, properties, kNow);
    if (c.message == nullptr) {
      EXPECT_TRUE(record);
      EXPECT_TRUE(capture.Messages().empty());
    } else {
      EXPECT_FALSE(record);
      EXPECT_EQ(capture.Messages(), std::vector<std::string>{c.message});
    }
  }
}

TEST(AnalyticsValue, StringsTooLongOrNotValidTextAreLeftOut) {
  struct Case {
    const char* what;
    std::string value;
    bool stored;
  };
  const std::vector<Case> cases = {
      {"8192 bytes", std::string(8192, 'a'), true},
      {"tab, line feed, carriage return", "a\tb\nc\rd", true},
      {"two-, three- and four-byte UTF-8", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", true},
      {"8193 bytes", std::string(8193, 'a'), false},
      {"control character", std::string("a\x01z"), false},
      {"DEL", "a\x7F", false},
      {"overlong slash", "\xC0\xAF", false},
      {"encoded surrogate", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"truncated sequence", "\xE2\x82", false},
      {"stray continuation byte", "\x80", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DiagnosticCapture capture;
    PropertiesNode node;
    EXPECT_EQ(node.SetString("key", c.value), c.stored);
    EXPECT_EQ(node.Find("key") != nullptr, c.stored);
    if (c.stored) {
      EXPECT_TRUE(capture.Messages().empty());
    } else {
      const std::string reason = c.value.size() > 8192 ? "' is too long, value: " : "' is not valid UTF-8 string, value: ";
      EXPECT_EQ(capture.Messages(), std::vector<std::string>{"String property 'key" + reason + c.value});
    }
  }
}

TEST(AnalyticsRecord, EventWithAnOversizedStringIsStillSent) {
  DiagnosticCapture capture;
  PropertiesNode properties;
  properties.SetString("big", std::string(8193, 'x'));
  properties.SetString("small", "y");
  const auto record = BuildRecord("SIGN", PropertiesNode{}, "ev", properties, kNow);
  ASSERT_TRUE(record);
  EXPECT_NE(record->find("\"properties\":{\"small\":\"y\"}"), std::string::npos);
  EXPECT_EQ(capture.Messages().size(), 1u);
}

TEST(AnalyticsRecord, DistinctIdLimits) {
  DiagnosticCapture capture;
  EXPECT_TRUE(orb_analytics::CheckDistinctId(std::string(255, 'a')));
  EXPECT_FALSE(orb_analytics::CheckDistinctId(""));
  EXPECT_FALSE(orb_analytics::CheckDistinctId(std::string(256, 'a')));
  EXPECT_EQ(capture.Messages(), (std::vector<std::string>{"The Distinct ID is empty.",
                                                          "The Distinct ID is too long, max length is 255."}));
}

// Keys of super properties and the distinct id are not checked like event keys; the
// record must stay valid JSON in valid UTF-8 whatever they hold.
TEST(AnalyticsRecord, HostileKeysAndIdsStillGiveValidJson) {
  const std::vector<std::string> hostile = {
      "quo\"te", "back\\slash", std::string("nul\0byte", 8), "ctl\x01\x1f", "\xFF\xFE invalid", "\xC3", "}{\",",
  };
  for (const std::string& text : hostile) {
    SCOPED_TRACE(text);
    DiagnosticCapture capture;
    PropertiesNode super;
    super.SetNumber(text, 1);  // refused when not valid text
    super.SetString("k" + std::to_string(text.size()), "v\\\"\t\r\n");
    const auto record = BuildRecord(text, super, "ev", PropertiesNode{}, kNow);
    ASSERT_TRUE(record);
    EXPECT_TRUE(orb_analytics::utils::IsValidText(*record)) << *record;
    JsonDoc doc;
    EXPECT_TRUE(doc.Parse(*record)) << *record;
    std::string id;
    EXPECT_TRUE(doc.GetString("distinct_id", id));
  }
}

TEST(AnalyticsValue, QuoteJsonEscapes) {
  EXPECT_EQ(orb_analytics::utils::QuoteJson("a\"b\\c\b\f\n\r\t"), "\"a\\\"b\\\\c\\b\\f\\n\\r\\t\"");
  EXPECT_EQ(orb_analytics::utils::QuoteJson(std::string("\x01\x7F", 2)), "\"\\u0001\\u007f\"");
  EXPECT_EQ(orb_analytics::utils::QuoteJson("\xFF" "a"), "\"\xEF\xBF\xBD" "a\"");
}

}  // namespace

namespace {

TEST(AnalyticsDiagnostics, GoToStandardErrorWithoutASink) {
  const orb_analytics::DiagnosticSink previous = orb_analytics::SetDiagnosticSink({});
  ::testing::internal::CaptureStderr();
  orb_analytics::PropertiesNode node;
  node.SetString("k", std::string(8193, 'x'));
  const std::string written = ::testing::internal::GetCapturedStderr();
  orb_analytics::SetDiagnosticSink(previous);
  EXPECT_EQ(written, "String property 'k' is too long, value: " + std::string(8193, 'x') + "\n");
}

}  // namespace
