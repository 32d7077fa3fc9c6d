#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include "common/base64.h"

namespace {

TEST(Base64Test, Rfc4648Vectors) {
  const std::pair<std::string_view, std::string_view> vectors[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : vectors) {
    SCOPED_TRACE(plain);
    EXPECT_EQ(Base64Encode(plain), encoded);
    std::string decoded = "junk";
    EXPECT_TRUE(Base64Decode(encoded, decoded));
    EXPECT_EQ(decoded, plain);
  }
}

TEST(Base64Test, EveryByteValueAndLengthRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Base64Encode(std::string_view(all).substr(0xF8)), "+Pn6+/z9/v8=");
  for (size_t length = 0; length <= all.size(); ++length) {
    const std::string_view plain = std::string_view(all).substr(all.size() - length);
    const std::string encoded = Base64Encode(plain);
    ASSERT_EQ(encoded.size(), (length + 2) / 3 * 4);
    std::string decoded;
    ASSERT_TRUE(Base64Decode(encoded, decoded)) << encoded;
    ASSERT_EQ(decoded, plain);
  }
}

TEST(Base64Test, RejectsBadCharactersAndPadding) {
  const std::string_view bad[] = {
      "Zg",        // padding missing
      "Zg=",       // length not a multiple of four
      "Z===",      // three pad characters
      "====",
      "Zg==Zg==",  // padding inside
      "Zm=v",
      "=Zm9",
      "Zh==",      // unused bits set: not the canonical text of "f"
      "Zm9=",
      "Zm9v\n",    // white space
      " Zm9v",
      "Zm9v-_==",  // URL-safe alphabet
      std::string_view("Zm\0v", 4),
      "Zm\xC3\xA9",
  };
  for (const std::string_view text : bad) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    std::string out = "junk";
    EXPECT_FALSE(Base64Decode(text, out));
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
