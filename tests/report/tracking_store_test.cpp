#include "report/tracking_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> Events(const CTrackingStore& store) {
  std::vector<std::string> out;
  store.ReadProperties([&](const TrackProperties& p) { out = p.events; });
  return out;
}

std::vector<std::string> Relayed(const CTrackingStore& store) {
  std::vector<std::string> out;
  store.ReadProperties([&](const TrackProperties& p) { out = p.relayed; });
  return out;
}

// The record as another process sends it: UTF-16 units with their terminator.
std::vector<unsigned char> Block(std::u16string_view text, bool terminated = true) {
  std::vector<unsigned char> bytes((text.size() + (terminated ? 1 : 0)) * 2, 0);
  std::memcpy(bytes.data(), text.data(), text.size() * 2);
  return bytes;
}

bool Relay(CTrackingStore& store, std::u16string_view text) {
  const auto block = Block(text);
  return store.AddRelayedEvent(block.data(), block.size());
}

TEST(TrackingStore, PropertiesFormatNumbersAndReplaceValues) {
  CTrackingStore store(1000);
  struct Case {
    const char* key;
    std::string expected;
  };
  store.SetProperty("a32", std::int32_t{-1});
  store.SetProperty("b32", std::int32_t{INT32_MIN});
  store.SetProperty("c64", std::int64_t{-1});
  store.SetProperty("d64", std::int64_t{5'000'000'000});
  store.SetProperty("wide", std::wstring_view(L"K\u00f6rvane \u6f22"));
  store.SetProperty("lone", std::wstring_view(L"a\xD800z"));
  store.SetProperty("same", std::wstring_view(L"first"));
  store.SetProperty("same", std::wstring_view(L"second"));
  const Case cases[] = {
      {"a32", "4294967295"},
      {"b32", "2147483648"},
      {"c64", "-1"},
      {"d64", "5000000000"},
      {"wide", "K\xc3\xb6rvane \xe6\xbc\xa2"},
      {"lone", "a\xef\xbf\xbdz"},  // a lone surrogate is repaired, not the value lost
      {"same", "second"},
      {"absent", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(store.GetProperty(c.key), c.expected) << c.key;

  std::vector<std::string> keys;
  store.ReadProperties([&](const TrackProperties& p) {
    for (const auto& [key, value] : p.properties) keys.push_back(key);
  });
  EXPECT_EQ(keys, (std::vector<std::string>{"a32", "b32", "c64", "d64", "lone", "same", "wide"}));
}

TEST(TrackingStore, EventsAreKeptOnceInOrder) {
  CTrackingStore store(0);
  store.AddEvent("matchmd5_1", std::string_view("1"), false);
  store.AddEvent("filemd5_1", std::wstring_view(L"ABC"), true);
  store.AddEvent("matchmd5_1", std::string_view("1"), false);  // same text: kept once
  store.AddEvent("retry", std::int64_t{1});
  store.AddEvent("retry", std::int64_t{-2});                 // same name, other value
  store.AddEvent("odd", std::string_view("a\"b\\c"), true);  // stays one JSON object
  EXPECT_EQ(Events(store), (std::vector<std::string>{R"({"matchmd5_1":1})",
                                                     R"({"filemd5_1":"ABC"})", R"({"retry":1})",
                                                     R"({"retry":-2})", R"({"odd":"a\"b\\c"})"}));
}

TEST(TrackingStore, RelayedRecordIsCompacted) {
  CTrackingStore store(0);
  ASSERT_TRUE(Relay(store, u"{\"pid\":1901,\"event\":\"x\",\"time\":\"7\",\"data\":\"y\"}"));
  ASSERT_TRUE(Relay(store, u"{\"pid\":2,\"event\":\"\u00e9\",\"time\":\"\",\"data\":\"\"}"));
  EXPECT_EQ(Relayed(store), (std::vector<std::string>{"{1901:\"x,7,y\"}", "{2:\"\xc3\xa9,,\"}"}));
}

TEST(TrackingStore, RelayedRecordsThatAreDamagedAreDropped) {
  const std::u16string good = u"{\"pid\":1,\"event\":\"a\",\"time\":\"2\",\"data\":\"b\"}";
  std::u16string at_limit = good;
  at_limit.insert(at_limit.size() - 2, 256 - good.size(), u'z');
  const std::u16string too_long = at_limit.substr(0, 254) + u"z" + at_limit.substr(254);
  ASSERT_EQ(at_limit.size(), 256u);
  ASSERT_EQ(too_long.size(), 257u);
  struct Case {
    const char* what;
    std::u16string text;
    bool kept;
  };
  const Case cases[] = {
      {"256 characters", at_limit, true},
      {"257 characters", too_long, false},
      {"no data marker", u"{\"pid\":1,\"event\":\"a\",\"time\":\"2\"}", false},
      {"markers out of order", u"{\"pid\":1,\"event\":\"a\",\"data\":\"b\",\"time\":\"2\"}", false},
      {"event before the pid value", u"{\"p\":1,\"event\":\"a\",\"time\":\"2\",\"data\":\"b\"}",
       false},
      {"overlapping markers", u"{\"pid\":1,\"event\",\"time\":\"\",\"data\":\"\"}", false},
  };
  for (const Case& c : cases) {
    CTrackingStore store(0);
    EXPECT_EQ(Relay(store, c.text), c.kept) << c.what;
    EXPECT_EQ(Relayed(store).size(), c.kept ? 1u : 0u) << c.what;
  }
}

TEST(TrackingStore, RelayedBlocksAreReadWithinTheirByteCount) {
  CTrackingStore store(0);
  const std::u16string good = u"{\"pid\":1,\"event\":\"a\",\"time\":\"2\",\"data\":\"b\"}";
  // No terminator: the byte count ends the record, nothing past it is read.
  const auto unterminated = Block(good, false);
  EXPECT_TRUE(store.AddRelayedEvent(unterminated.data(), unterminated.size()));
  // A count that cuts the data marker leaves a record without it.
  EXPECT_FALSE(store.AddRelayedEvent(unterminated.data(), unterminated.size() - 12));
  EXPECT_FALSE(store.AddRelayedEvent(unterminated.data(), unterminated.size() - 1));  // odd
  EXPECT_FALSE(store.AddRelayedEvent(unterminated.data(), 0));
  EXPECT_FALSE(store.AddRelayedEvent(nullptr, 8));
  const auto empty = Block(u"");
  EXPECT_FALSE(store.AddRelayedEvent(empty.data(), empty.size()));
  // The record ends at its terminator even when the block goes on.
  auto padded = Block(good);
  padded.resize(padded.size() + 4000, 'x');
  EXPECT_TRUE(store.AddRelayedEvent(padded.data(), padded.size()));
  EXPECT_EQ(Relayed(store), (std::vector<std::string>{"{1:\"a,2,b\"}", "{1:\"a,2,b\"}"}));
}

TEST(TrackingStore, RelayListStopsAtOneHundred) {
  CTrackingStore store(0);
  for (int i = 0; i < 100; ++i) {
    const std::u16string record = u"{\"pid\":" +
                                  std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                                  u",\"event\":\"e\",\"time\":\"1\",\"data\":\"d\"}";
    ASSERT_TRUE(Relay(store, record)) << i;
  }
  EXPECT_FALSE(Relay(store, u"{\"pid\":9,\"event\":\"last\",\"time\":\"1\",\"data\":\"d\"}"));
  EXPECT_EQ(Relayed(store).size(), 100u);
}

TEST(TrackingStore, DependentRecordsAreCreatedOnFirstUse) {
  CTrackingStore store(0);
  store.SetDependentForceInstall(30, true);
  store.SetDependentDigest(30, std::wstring_view(L"aa,bb"));
  store.SetDependentDownloadError(30, 7);
  store.SetDependentDownloadTimes(30, 100, 200);
  store.SetDependentInstallError(4, -1);
  store.SetDependentInstallTimes(4, 300, 400);
  const auto records = store.Dependents();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records.begin()->first, 4);  // product id order
  const DependentTrack& first = records.at(4);
  EXPECT_EQ(first.force_install, 0);
  EXPECT_EQ(first.install_error, -1);
  EXPECT_EQ(first.install_start, 300);
  EXPECT_EQ(first.install_end, 400);
  const DependentTrack& second = records.at(30);
  EXPECT_EQ(second.force_install, 1);
  EXPECT_EQ(second.digest, "aa,bb");
  EXPECT_EQ(second.down_error, 7);
  EXPECT_EQ(second.down_start, 100);
  EXPECT_EQ(second.down_end, 200);
}

TEST(TrackingStore, FlagsStartAsARunBegins) {
  CTrackingStore store(1234);
  EXPECT_EQ(store.StartTime(), 1234);
  EXPECT_FALSE(store.Enabled());
  EXPECT_FALSE(store.PerDependentMode());
  EXPECT_TRUE(store.FirstInstall());
  EXPECT_EQ(store.TrackId(), "");
  EXPECT_EQ(store.ServerBaseUrl(), std::string(kDefaultTrackServer));
}

TEST(TrackingStore, CountsAddUpAcrossThreads) {
  CTrackingStore store(0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&store, t] {
      for (int i = 0; i < 500; ++i) {
        store.CountAddress(std::string_view("10.0.0.1"));
        store.CountUrl(std::wstring_view(L"http://h/a"));
        store.SetProperty("p" + std::to_string(t), std::int32_t{i});
        store.AddEvent("e", std::int64_t{i});
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(store.AddressCounts().at("10.0.0.1"), 2000);
  EXPECT_EQ(store.UrlCounts().at("http://h/a"), 2000);
  EXPECT_EQ(Events(store).size(), 500u);
  EXPECT_EQ(store.GetProperty("p3"), "499");
}

TEST(TrackingStore, ProcessWideStoreIsOneObject) {
  EXPECT_EQ(&TrackingStore(), &TrackingStore());
  EXPECT_GT(TrackingStore().StartTime(), 0);
}

}  // namespace
