// The skin package reader against archives written by Python's zipfile and against
// damaged archives built here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "tests/ui/support/skin_builder.h"
#include "ui/framework/zip/zip_archive.h"

namespace fs = std::filesystem;
using uifw::ZipArchive;

namespace {

fs::path Fixtures() {
  const char* dir = std::getenv("ORB_UI_ZIPS");
  return dir ? fs::path(dir) : fs::path();
}

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

uint32_t Get32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
                               static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<unsigned char>(b[at + 3]) << 24);
}
void Set32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xff);
}
void Set16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v & 0xff);
  b[at + 1] = static_cast<char>(v >> 8 & 0xff);
}

// A small archive with one deflated and one stored member, and where its parts lie.
struct Sample {
  std::string deflated = std::string(3000, 'x') + "tail of the layout";
  std::string stored = "\x89PNG stored bytes";
  std::string bytes = uitest::MakeZip({{"skin.xml", deflated, true}, {"img.png", stored, false}});
  size_t end = bytes.size() - 22;
  size_t directory = Get32(bytes, end + 16);
  size_t first_entry = directory;                                 // skin.xml
  size_t second_entry = directory + 46 + std::string("skin.xml").size();  // img.png
  size_t first_data = 30 + std::string("skin.xml").size();
};

}  // namespace

TEST(ZipArchive, ReadsEveryMemberOfArchivesWrittenByZipfile) {
  ASSERT_FALSE(Fixtures().empty()) << "ORB_UI_ZIPS is not set";
  // mixed: stored and deflated members and an archive comment; descriptors: sizes in
  // data descriptors after the data; zip64_local: ZIP64 extra fields in local headers.
  for (const char* name : {"mixed", "descriptors", "zip64_local"}) {
    SCOPED_TRACE(name);
    std::string error;
    const auto archive = ZipArchive::Open(Slurp(Fixtures() / (std::string(name) + ".zip")), &error);
    ASSERT_TRUE(archive) << error;
    EXPECT_EQ(archive->Members().size(), 4u);
    for (const auto& expected : fs::directory_iterator(Fixtures() / name)) {
      const std::string member = expected.path().filename().string();
      const auto data = archive->Read(member, &error);
      ASSERT_TRUE(data) << member << ": " << error;
      EXPECT_EQ(*data, Slurp(expected.path())) << member;
    }
  }
}

TEST(ZipArchive, RefusesAnUnsupportedMethodButReadsTheOtherMembers) {
  ASSERT_FALSE(Fixtures().empty());
  const auto archive = ZipArchive::Open(Slurp(Fixtures() / "other_method.zip"));
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->Read("skin.xml"), Slurp(Fixtures() / "other_method" / "skin.xml"));
  std::string error;
  EXPECT_FALSE(archive->Read("packed.bin", &error));
  EXPECT_NE(error.find("method 12"), std::string::npos) << error;
}

TEST(ZipArchive, FindsMembersByExactNameThenIgnoringCase) {
  const std::string bytes = uitest::MakeZip({{"Btn.png", "upper"}, {"btn.png", "lower"}});
  const auto archive = ZipArchive::Open(bytes);
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->Read("btn.png"), "lower");
  EXPECT_EQ(archive->Read("Btn.png"), "upper");
  EXPECT_EQ(archive->Read("BTN.PNG"), "upper");  // the first one in the directory
  EXPECT_FALSE(archive->Read("btn.pn"));
  EXPECT_FALSE(archive->Contains("missing.png"));
}

TEST(ZipArchive, EmptyArchiveAndArchiveWithTrailingBytesOpen) {
  const auto empty = ZipArchive::Open(uitest::MakeZip({}));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->Members().empty());
  // A comment and bytes after it (the end record is still found).
  const auto trailing = ZipArchive::Open(uitest::MakeZip({{"a", "b"}}, "comment") + "junk");
  ASSERT_TRUE(trailing);
  EXPECT_EQ(trailing->Read("a"), "b");
}

TEST(ZipArchive, RejectsDamagedArchivesAtOpen) {
  const Sample s;
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
  };
  const Case cases[] = {
      {"empty input", [](std::string& b) { b.clear(); }},
      {"not a zip", [](std::string& b) { b = std::string(100, 'z'); }},
      {"no end record", [&](std::string& b) { b[s.end] = 'X'; }},
      {"directory beyond the end record", [&](std::string& b) { Set32(b, s.end + 16, static_cast<uint32_t>(s.end)); }},
      {"directory size too large", [&](std::string& b) { Set32(b, s.end + 12, 0x7fffffff); }},
      {"more entries than written", [&](std::string& b) { Set16(b, s.end + 8, 3), Set16(b, s.end + 10, 3); }},
      {"second disk", [&](std::string& b) { Set16(b, s.end + 4, 1); }},
      {"ZIP64 marker", [&](std::string& b) { Set16(b, s.end + 8, 0xffff), Set16(b, s.end + 10, 0xffff); }},
      {"entry signature", [&](std::string& b) { b[s.second_entry] = 'Q'; }},
      {"name runs past the directory", [&](std::string& b) { Set16(b, s.second_entry + 28, 0x7fff); }},
      {"member without a name", [&](std::string& b) { Set16(b, s.first_entry + 28, 0); }},
  };
  for (const Case& c : cases) {
    std::string bytes = s.bytes;
    c.damage(bytes);
    std::string error;
    EXPECT_FALSE(ZipArchive::Open(bytes, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

TEST(ZipArchive, RejectsDamagedMembersAndKeepsTheOthersReadable) {
  const Sample s;
  struct Case {
    const char* what;
    const char* member;
    std::function<void(std::string&)> damage;
  };
  const size_t first = s.first_entry, second = s.second_entry;
  const Case cases[] = {
      {"deflate data", "skin.xml", [&](std::string& b) { b[s.first_data + 1] ^= 0x55; }},
      {"CRC of a deflated member", "skin.xml", [&](std::string& b) { Set32(b, first + 16, Get32(b, first + 16) ^ 1); }},
      {"CRC of a stored member", "img.png", [&](std::string& b) { Set32(b, second + 16, Get32(b, second + 16) ^ 1); }},
      {"declared size one larger", "skin.xml", [&](std::string& b) { Set32(b, first + 24, Get32(b, first + 24) + 1); }},
      {"declared size one smaller", "skin.xml", [&](std::string& b) { Set32(b, first + 24, Get32(b, first + 24) - 1); }},
      {"stored sizes that differ", "img.png", [&](std::string& b) { Set32(b, second + 24, Get32(b, second + 24) - 1); }},
      {"data past the directory", "img.png", [&](std::string& b) { Set32(b, second + 20, 0x100000); }},
      {"local header elsewhere", "skin.xml", [&](std::string& b) { Set32(b, first + 42, 7); }},
      {"local header past the directory", "img.png", [&](std::string& b) { Set32(b, second + 42, 0x7ffffff0); }},
      {"local name length", "skin.xml", [&](std::string& b) { Set16(b, 26, 0xffff); }},
      {"encrypted", "img.png", [&](std::string& b) { Set16(b, second + 8, 1); }},
      {"size beyond the limit", "skin.xml", [&](std::string& b) { Set32(b, first + 24, ZipArchive::kMaxMemberSize + 1); }},
  };
  for (const Case& c : cases) {
    std::string bytes = s.bytes;
    c.damage(bytes);
    const auto archive = ZipArchive::Open(bytes);
    ASSERT_TRUE(archive) << c.what;
    std::string error;
    EXPECT_FALSE(archive->Read(c.member, &error)) << c.what;
    EXPECT_NE(error.find(c.member), std::string::npos) << c.what << ": " << error;
    const bool other_is_skin = std::string(c.member) != "skin.xml";
    EXPECT_EQ(archive->Read(other_is_skin ? "skin.xml" : "img.png"), other_is_skin ? s.deflated : s.stored) << c.what;
  }
}

TEST(ZipArchive, DeflateStreamLongerThanDeclaredIsRefused) {
  // Pack 4000 bytes but declare 3000, with the CRC of the first 3000.
  const std::string data(4000, 'a');
  std::string bytes = uitest::MakeZip({{"bomb", data, true}});
  const std::string short_bytes = uitest::MakeZip({{"bomb", data.substr(0, 3000), true}});
  const size_t directory = Get32(bytes, bytes.size() - 22 + 16);
  const size_t short_directory = Get32(short_bytes, short_bytes.size() - 22 + 16);
  Set32(bytes, directory + 24, 3000);
  Set32(bytes, directory + 16, Get32(short_bytes, short_directory + 16));
  const auto archive = ZipArchive::Open(bytes);
  ASSERT_TRUE(archive);
  EXPECT_FALSE(archive->Read("bomb"));
}

TEST(ZipArchive, EveryTruncationOrChangedByteFailsCleanlyOrReadsTheRightBytes) {
  const Sample s;
  const auto check = [&](const std::string& bytes, const std::string& what) {
    const auto archive = ZipArchive::Open(bytes);
    if (!archive) return;
    for (const auto& m : archive->Members()) {
      const auto data = archive->Read(m);
      if (data && (m.name == "skin.xml" || m.name == "img.png")) {
        EXPECT_EQ(*data, m.name == "skin.xml" ? s.deflated : s.stored) << what;
      }
    }
  };
  for (size_t at = 0; at < s.bytes.size(); ++at) {
    check(s.bytes.substr(0, at), "cut at " + std::to_string(at));
    std::string changed = s.bytes;
    changed[at] ^= static_cast<char>(0xff);
    check(changed, "changed at " + std::to_string(at));
  }
}
