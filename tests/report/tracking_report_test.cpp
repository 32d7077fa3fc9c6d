#include "report/tracking_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/json_doc.h"
#include "report/tracking_text.h"

namespace {

TrackFacts SampleFacts() {
  TrackFacts facts;
  facts.windows_version = "10.0.19045";
  facts.windows64 = true;
  facts.ie_version = "11.0";
  facts.bias_minutes = -480;
  facts.lcid = 2052;
  facts.screen_width = 1920;
  facts.screen_height = 1080;
  facts.own_version = "3.0.5.12";
  facts.own_file_name = "KorvaneLumetraSetup_1901(2).exe";
  return facts;
}

std::string Body(const CTrackingStore& store, const TrackReportHead& head,
                 const TrackReportInput& input, const TrackFacts& facts) {
  std::string body;
  store.ReadProperties(
      [&](const TrackProperties& p) { body = BuildTrackBody(p, head, input, facts); });
  return body;
}

TEST(TrackingReport, BodyHasEveryMemberInOrder) {
  CTrackingStore store(1700000000);
  store.SetPropertyUtf8("client_sign", "S1");
  store.SetPropertyUtf8("product_id", "555");  // the report's own member wins
  store.SetPropertyUtf8("winver", "spoofed");  // so do the later ones
  store.SetPropertyUtf8("zeta", "z");
  store.SetPropertyUtf8("alpha", "a");
  store.AddEvent("retry", std::int64_t{2});
  const auto relayed = u"{\"pid\":1901,\"event\":\"x\",\"time\":\"7\",\"data\":\"y\"}";
  store.AddRelayedEvent(relayed, std::char_traits<char16_t>::length(relayed) * 2);
  store.SetTrackId("T-9");

  TrackReportHead head{"1901", "19012", 2, 7, 1, 0};
  TrackReportInput input;
  input.address_list = "1.2.3.4,5.6.7.8";
  input.url_list = "-";
  input.dependents[30].force_install = 1;
  input.dependents[30].down_start = 100;
  input.dependents[30].down_end = 200;
  input.dependents[4].down_error = -1;
  input.dependents[4].install_error = 5;
  input.dependents[4].install_start = 300;
  input.start_time = store.StartTime();
  input.now = 1700000100;
  input.first_install = false;
  TrackFacts facts = SampleFacts();
  facts.crash = {true, 0xC0000005u, 0x401A2Bu, 0x1A2Bu, "C:\\a\\setup.exe", ".text"};

  EXPECT_EQ(Body(store, head, input, facts),
            R"({"product_id":"1901","orbver":"204","orbversion":"3.0.5.12","orbnamepid":"19012",)"
            R"("alpha":"a","client_sign":"S1","zeta":"z",)"
            R"("winver":"10.0.19045","winbits":"64","iever":"11.0",)"
            R"("orbstart":"1700000000","orbend":"1700000100",)"
            R"("downstate":"1007","installstate":"2004",)"
            R"("cdniplist":"1.2.3.4,5.6.7.8","cdnurllist":"-",)"
            R"("bindtasks":"4,0;30,1","binddownfail":"4,-1;30,0","bindinstallfail":"4,5;30,0",)"
            R"("binddowntime":"4:0,0;30:100,200","bindinstalltime":"4:300,0;30:0,0",)"
            R"("crash":"1","crashcode":"3221225477","crashattr":"0x00401A2B",)"
            R"("crashoffset":"6699","crashfilename":"C:\\a\\setup.exe","crashsection":".text",)"
            R"("timezone":"8","syslcid":"2052","srceensize":"1920*1080",)"
            R"("orbclose":"1700000100","remark1":"{\"retry\":2}",)"
            R"("remark2":"{1901:\"x,7,y\"}","remark3":"","orbtrackid":"T-9",)"
            R"("is_first_install":0})");
}

TEST(TrackingReport, EmptyListsAndNoCrash) {
  CTrackingStore store(1);
  TrackReportInput input;
  input.address_list = "-";
  input.url_list = "-";
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse(Body(store, TrackReportHead{}, input, TrackFacts{})));
  const std::pair<const char*, const char*> expected[] = {
      {"bindtasks", ""},     {"binddownfail", "-"},    {"bindinstallfail", "-"},
      {"binddowntime", ""},  {"crash", "0"},           {"crashattr", "0x00000000"},
      {"downstate", "1017"}, {"installstate", "2005"}, {"winbits", "32"},
      {"srceensize", "0*0"}, {"remark1", ""},          {"orbtrackid", ""},
  };
  for (const auto& [key, value] : expected) {
    std::string text;
    EXPECT_TRUE(doc.GetString(key, text)) << key;
    EXPECT_EQ(text, value) << key;
  }
  std::int32_t first = -1;
  EXPECT_TRUE(doc.GetInt("is_first_install", first));
  EXPECT_EQ(first, 1);
}

TEST(TrackingReport, HostileValuesStayValidJson) {
  CTrackingStore store(1);
  const std::string hostile = std::string("q\"b\\c\n\t\x01 end") + '\0' + "after";
  store.SetPropertyUtf8("quote", hostile);
  store.SetPropertyUtf8("bad_utf8", "a\xff\xc3(b\xed\xa0\x80z\xf0\x9f\x98");
  store.SetPropertyUtf8("k\"ey\x02", "v");
  store.SetProperty("lone", std::wstring_view(L"x\xDC00y"));
  store.AddEvent("e\"v", std::string_view("\x80"), true);
  store.SetTrackId("id\"\\");
  TrackFacts facts = SampleFacts();
  facts.crash.module_path = "C:\\\xe9t\xe9\\x.dll";  // ANSI bytes where UTF-8 belongs
  TrackReportInput input;
  const std::string body = Body(store, TrackReportHead{"1\"2", "", 0, 0, 0, 0}, input, facts);

  EXPECT_EQ(RepairUtf8(body), body) << "the body is not valid UTF-8";
  for (const char c : body) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "raw control";
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse(body)) << doc.Error() << "\n" << body;
  struct Case {
    const char* key;
    std::string value;
  };
  const Case cases[] = {
      {"quote", hostile},  // NUL included: escaped, not cut
      {"bad_utf8",
       "a\xef\xbf\xbd\xef\xbf\xbd(b\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdz"
       "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
      {"k\"ey\x02", "v"},
      {"lone", "x\xef\xbf\xbdy"},
      {"product_id", "1\"2"},
      {"orbtrackid", "id\"\\"},
      {"remark1", "{\"e\\\"v\":\"\xef\xbf\xbd\"}"},
      {"crashfilename", "C:\\\xef\xbf\xbdt\xef\xbf\xbd\\x.dll"},
  };
  for (const Case& c : cases) {
    if (c.value.find('\0') != std::string::npos) {
      // JsonDoc reads strings up to a NUL: compare the escaped text instead.
      EXPECT_NE(body.find(R"("quote":"q\"b\\c\n\t\u0001 end\u0000after")"), std::string::npos);
      continue;
    }
    std::string text;
    EXPECT_TRUE(doc.GetString(c.key, text)) << c.key;
    EXPECT_EQ(text, c.value) << c.key;
  }
}

TEST(TrackingReport, StateCodes) {
  struct Case {
    std::int32_t status, code;
    bool crashed;
    const char* down;
    const char* install;
  };
  const Case cases[] = {
      {0, 0, false, "1017", "2005"},    {1, 0, false, "1015", "2004"},
      {1, 0, true, "1016", "2004"},     {2, 7, false, "1007", "2003"},
      {2, 5, false, "1005", "2002"},    {2, 1, false, "1001", "2001"},
      {2, 123, false, "10123", "2003"}, {3, 9, false, "1000", "2000"},
      {4, 0, false, "1099", "2005"},    {-1, 0, false, "1099", "2005"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DownStateCode(c.status, c.code, c.crashed), c.down) << c.status << "/" << c.code;
    EXPECT_EQ(InstallStateCode(c.status, c.code), c.install) << c.status << "/" << c.code;
  }
}

TEST(TrackingReport, TimeZoneRoundsHalvesAwayFromZero) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {-480, 8}, {300, -5}, {0, 0}, {-330, 6}, {570, -10}, {-345, 6}, {-29, 0}, {30, -1},
  };
  for (const auto& [bias, hours] : cases) EXPECT_EQ(TimeZoneHours(bias), hours) << bias;
}

TEST(TrackingReport, RemarkJoinStopsPastTwoThousand) {
  EXPECT_EQ(JoinRemark({}), "");
  EXPECT_EQ(JoinRemark({"a", "b"}), "a,b");
  // 1997 + ",ab" is exactly 2000 long, so one more item still goes in.
  const std::string big(1997, 'x');
  EXPECT_EQ(JoinRemark({big, "ab", "c", "d"}), big + ",ab,c");
  const std::string over(2001, 'y');
  EXPECT_EQ(JoinRemark({over, "z"}), over);
}

TEST(TrackingReport, SmallConversions) {
  EXPECT_EQ(NameDigits("KorvaneLumetraSetup_19_01.exe"), "1901");
  EXPECT_EQ(NameDigits("setup.exe"), "");
  const std::pair<const char*, std::int32_t> ints[] = {
      {"7", 7}, {"4294967295", -1}, {"-3", -3}, {"", 0}, {"abc", 0}, {"12x", 12}, {"4294967296", 0},
  };
  for (const auto& [text, value] : ints) EXPECT_EQ(PropertyInt(text), value) << text;
  EXPECT_EQ(TrackFileName("1901", "20260102030405"), L"ORB_1901_T20260102030405.json");
  EXPECT_EQ(TrackFileName("..\\../x", "1"), L"ORB_______x_T1.json");
}

}  // namespace
