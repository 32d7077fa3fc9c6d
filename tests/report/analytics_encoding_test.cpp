// The batch encoding, the record buffer and the staging file's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/analytics_buffer.h"
#include "report/analytics_encoding.h"
#include "tests/report/analytics_test_support.h"

namespace {

using orb_analytics::RecordBuffer;

std::vector<std::string> Numbered(int from, int to) {
  std::vector<std::string> records;
  for (int i = from; i <= to; ++i) records.push_back("{\"n\":" + std::to_string(i) + "}");
  return records;
}

TEST(AnalyticsEncoding, GzipAtLevelNineRoundTrips) {
  const std::string text = orb_analytics::BatchText(Numbered(1, 50));
  const auto compressed = orb_analytics::GzipCompress(text);
  ASSERT_TRUE(compressed);
  ASSERT_GE(compressed->size(), 10u);
  EXPECT_EQ(static_cast<unsigned char>((*compressed)[0]), 0x1F);  // gzip magic
  EXPECT_EQ(static_cast<unsigned char>((*compressed)[1]), 0x8B);
  EXPECT_EQ(static_cast<unsigned char>((*compressed)[8]), 2);  // XFL: slowest, best compression
  EXPECT_EQ(orbtest::Gunzip(*compressed), text);
}

TEST(AnalyticsEncoding, PercentEncodingKeepsOnlyUnreservedBytes) {
  EXPECT_EQ(orb_analytics::PercentEncode("azAZ09-._~"), "azAZ09-._~");
  EXPECT_EQ(orb_analytics::PercentEncode("a+b/c=d e%"), "a%2Bb%2Fc%3Dd%20e%25");
  EXPECT_EQ(orb_analytics::PercentEncode(std::string("\x00\xFF", 2)), "%00%FF");
}

TEST(AnalyticsEncoding, BodyDecodesBackToTheBatch) {
  const std::vector<std::string> records = {"{\"a\":\"\xC3\xA9\"}", "{\"b\":2}"};
  const auto body = orb_analytics::EncodeBatchBody(records);
  ASSERT_TRUE(body);
  EXPECT_EQ(body->rfind("data_list=", 0), 0u);
  EXPECT_EQ(body->substr(body->size() - 7), "&gzip=1");
  const std::string encoded = body->substr(10, body->size() - 17);
  EXPECT_EQ(encoded.find_first_of("+/="), std::string::npos);  // base64's own signs are encoded
  EXPECT_EQ(orbtest::DecodeBatchBody(*body), "[{\"a\":\"\xC3\xA9\"},{\"b\":2}]");
}

TEST(AnalyticsBuffer, KeepsTheNewestHundred) {
  RecordBuffer buffer;
  for (const std::string& record : Numbered(1, 120)) buffer.Push(record);
  EXPECT_EQ(buffer.Records(), Numbered(21, 120));
}

TEST(AnalyticsBuffer, TakenRecordsGoBackInFrontAsRoomAllows) {
  RecordBuffer buffer(5);
  for (const std::string& record : Numbered(1, 5)) buffer.Push(record);
  std::vector<std::string> taken = buffer.TakeFront(3);
  EXPECT_EQ(taken, Numbered(1, 3));
  buffer.Push(Numbered(6, 6)[0]);  // one new record while the batch was out
  buffer.PutFront(taken);          // room for two: the newest two of the batch
  EXPECT_EQ(buffer.Records(), (std::vector<std::string>{"{\"n\":2}", "{\"n\":3}", "{\"n\":4}", "{\"n\":5}", "{\"n\":6}"}));
  EXPECT_EQ(buffer.TakeFront(30).size(), 5u);
  EXPECT_TRUE(buffer.TakeFront(30).empty());
}

TEST(AnalyticsStaging, OnlyWholeJsonObjectLinesAreRecords) {
  const std::string text =
      "{\"n\":1}\n"
      "{\"n\":2}\r\n"        // written with CR LF
      " {\"n\":3}\n"         // does not begin with {
      "{\"n\":4} \n"         // does not end with }
      "{\"n\":5,}\n"         // not JSON
      "{\"n\":\"\xFF\"}\n"   // not UTF-8
      "{}{}\n"               // two values
      "\n"
      "{\"n\":6}";           // no final line end
  EXPECT_EQ(orb_analytics::ParseStagingText(text),
            (std::vector<std::string>{"{\"n\":1}", "{\"n\":2}", "{\"n\":6}"}));
}

TEST(AnalyticsStaging, FormatAndParseAgree) {
  const std::vector<std::string> records = Numbered(1, 3);
  EXPECT_EQ(orb_analytics::FormatStagingText(records), "{\"n\":1}\n{\"n\":2}\n{\"n\":3}\n");
  EXPECT_EQ(orb_analytics::ParseStagingText(orb_analytics::FormatStagingText(records)), records);
}

}  // namespace
