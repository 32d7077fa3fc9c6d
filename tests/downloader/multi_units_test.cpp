// The downloader's pure parts: range plan, file name, resume record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "downloader/multi_downloader.h"
#include "downloader/package_file_name.h"
#include "downloader/resume_record.h"

namespace {

using ns_PLX::ResumePair;
using ::testing::ElementsAre;

TEST(PlanRanges, HundredMegabytesOverTwentyFourConnections) {
  const std::vector<ResumePair> ranges = ns_PLX::PlanRanges(100'000'000, 24);
  ASSERT_EQ(ranges.size(), 24u);
  for (std::size_t i = 0; i + 1 < ranges.size(); ++i) {
    EXPECT_EQ(ranges[i].next, static_cast<std::int64_t>(i) * 4'166'667);
    EXPECT_EQ(ranges[i].last - ranges[i].next + 1, 4'166'667);
  }
  EXPECT_EQ(ranges.back().last - ranges.back().next + 1, 4'166'659);
  EXPECT_EQ(ranges.back().last, 99'999'999);
}

TEST(PlanRanges, FileSmallerThanTheConnectionCountGetsRangesPastItsEnd) {
  const std::vector<ResumePair> ranges = ns_PLX::PlanRanges(3, 5);
  EXPECT_THAT(ranges, ElementsAre(ResumePair{0, 0}, ResumePair{1, 1}, ResumePair{2, 2},
                                  ResumePair{3, 2}, ResumePair{4, 2}));
}

struct NameCase {
  const char* url;
  const char* name;
};

class PackageName : public ::testing::TestWithParam<NameCase> {};

TEST_P(PackageName, IsTheLastPathSegmentOnlyWhenItIsSafe) {
  EXPECT_EQ(ns_PLX::PackageFileName(GetParam().url, 7), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, PackageName,
    ::testing::Values(
        NameCase{"http://h/a/b/setup.exe", "setup.exe"},
        NameCase{"http://h/setup.exe?x=1/2#f/g", "setup.exe"},
        NameCase{"http://h/setup%20x.exe", "setup%20x.exe"},  // not decoded
        NameCase{"https://h:8080/p/Setup-1.2.msi#top", "Setup-1.2.msi"},
        NameCase{"http://h/d/\xE6\x96\x87.exe", "\xE6\x96\x87.exe"},
        // nothing after the last slash, or no path at all
        NameCase{"http://h/dir/", "package_7.bin"}, NameCase{"http://h", "package_7.bin"},
        NameCase{"http://h?q=/evil.exe", "package_7.bin"},
        // separators and reserved characters
        NameCase{"http://h/a\\..\\..\\evil.exe", "package_7.bin"},
        NameCase{"http://h/c:evil.exe", "package_7.bin"},
        NameCase{"http://h/a<b>.exe", "package_7.bin"}, NameCase{"http://h/a|b", "package_7.bin"},
        NameCase{"http://h/a\"b", "package_7.bin"}, NameCase{"http://h/a*b", "package_7.bin"},
        NameCase{"http://h/a\tb", "package_7.bin"},
        // dots, trailing spaces, device names
        NameCase{"http://h/..", "package_7.bin"}, NameCase{"http://h/.", "package_7.bin"},
        NameCase{"http://h/setup.exe.", "package_7.bin"},
        NameCase{"http://h/setup.exe ", "package_7.bin"},
        NameCase{"http://h/CON", "package_7.bin"}, NameCase{"http://h/nul.txt", "package_7.bin"},
        NameCase{"http://h/Com1.exe", "package_7.bin"}, NameCase{"http://h/lpt9", "package_7.bin"},
        NameCase{"http://h/aux .txt", "package_7.bin"},
        NameCase{"http://h/COM10.exe", "COM10.exe"}, NameCase{"http://h/console", "console"},
        // not UTF-8, too long
        NameCase{"http://h/\xFF\xFE.exe", "package_7.bin"},
        NameCase{"http://h/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                 "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                 "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                 "package_7.bin"}));

// Little-endian 64-bit values, written out by hand.
std::string Le(std::initializer_list<std::int64_t> values) {
  std::string out;
  for (const std::int64_t value : values) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
  }
  return out;
}

TEST(ResumeRecord, LayoutIsPairsThenCount) {
  const std::vector<ResumePair> pairs = {{100, 199}, {0x0102030405, 0x0102030406}};
  const std::string record = ns_PLX::EncodeResumeRecord(pairs);
  EXPECT_EQ(record, Le({100, 199, 0x0102030405, 0x0102030406, 2}));
  // Read back ordered by next byte, whatever order they were written in.
  const auto parsed = ns_PLX::ParseResumeRecord(
      ns_PLX::EncodeResumeRecord({pairs[1], pairs[0]}), 0x0102030407);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, pairs);
}

struct BadRecord {
  const char* name;
  std::string tail;
};

class ResumeRecordRejects : public ::testing::TestWithParam<BadRecord> {};

TEST_P(ResumeRecordRejects, AnyFlaw) {
  EXPECT_FALSE(ns_PLX::ParseResumeRecord(GetParam().tail, 1000));
}

INSTANTIATE_TEST_SUITE_P(
    Flaws, ResumeRecordRejects,
    ::testing::Values(
        BadRecord{"Empty", ""}, BadRecord{"ShorterThanTheCount", std::string(7, '\1')},
        BadRecord{"ZeroCount", Le({0})}, BadRecord{"NegativeCount", Le({-1})},
        BadRecord{"HugeCount", Le({1, 2, std::int64_t{1} << 40})},
        BadRecord{"CountAboveThePairs", Le({0, 9, 2})},
        BadRecord{"MoreThanTheRecord", Le({5, 5, 0, 9, 1})},
        BadRecord{"NextAfterLast", Le({10, 9, 1})}, BadRecord{"NegativeNext", Le({-1, 9, 1})},
        BadRecord{"LastPastTheFile", Le({0, 1000, 1})},
        BadRecord{"SumAboveTheFile", Le({0, 999, 0, 999, 2})},
        BadRecord{"Overlapping", Le({0, 100, 50, 150, 2})},
        BadRecord{"SameStartTwice", Le({10, 10, 10, 10, 2})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResumeRecord, GapsAreTheBytesNothingCovers) {
  EXPECT_THAT(ns_PLX::Gaps({}, 10), ElementsAre(ResumePair{0, 9}));
  EXPECT_THAT(ns_PLX::Gaps({{2, 3}, {0, 0}, {3, 5}, {9, 20}}, 10),
              ElementsAre(ResumePair{1, 1}, ResumePair{6, 8}));
  EXPECT_THAT(ns_PLX::Gaps({{0, 9}}, 10), ElementsAre());
  EXPECT_EQ(ns_PLX::MissingBytes({{1, 1}, {6, 8}}), 4);
}

}  // namespace
