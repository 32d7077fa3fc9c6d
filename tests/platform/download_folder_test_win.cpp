// The download-folder rule on Wine's drives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/text_convert.h"
#include "platform/disk.h"
#include "platform/download_folder.h"
#include "platform/folders.h"
#include "platform/module_info.h"
#include "tests/platform/platform_test_support.h"

namespace {

// Removes the folders a test made, deepest first, and only those it made.
class Made {
 public:
  ~Made() {
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
  }
  // Call before the code under test may create `path`'s folders.
  void Watch(const std::wstring& path) {
    std::wstring part;
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
      part = path.substr(0, at);
      if (!FolderExists(part)) folders_.push_back(part);
    }
  }

 private:
  std::vector<std::wstring> folders_;
};

// Where step 2 of the rule may land for `brand`: the public documents on the Windows drive,
// <root><brand>\Download\ on the others.
std::vector<std::wstring> MostFreeCandidates(const std::wstring& brand) {
  const std::wstring brand_part = brand.empty() ? L"" : brand + L"\\";
  std::vector<std::wstring> candidates = {PublicDocumentsFolder() + L"\\" + (brand.empty() ? L"Korvane" : brand) +
                                          L"\\"};
  for (const std::wstring& root : FixedDrives()) {
    if (root != SystemDriveRoot()) candidates.push_back(root + brand_part + L"Download\\");
  }
  return candidates;
}

bool OneOf(const std::vector<std::wstring>& list, const std::wstring& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(DownloadFolderTest, AnExistingDownloadFolderOnAFixedDriveIsTakenFirst) {
  const pftest::LogCapture log;
  Made made;
  const std::wstring brand = pftest::UniqueName(L"OrbTest-");
  const std::wstring existing = SystemDriveRoot() + brand + L"\\Download\\";
  made.Watch(existing);
  for (const std::wstring& candidate : MostFreeCandidates(brand)) made.Watch(candidate);
  ASSERT_TRUE(CreateFolderTree(existing));

  EXPECT_EQ(GetDownloadFolder(brand, false), existing);
  // With max-free-only the existing folder does not count.
  const std::wstring most_free = GetDownloadFolder(brand, true);
  EXPECT_TRUE(OneOf(MostFreeCandidates(brand), most_free)) << WideToAnsi(most_free);
  EXPECT_TRUE(FolderExists(most_free));
  EXPECT_EQ(log.Text().find("[WARN]"), std::string::npos) << log.Text();
}

TEST(DownloadFolderTest, OtherwiseAFolderOnTheDriveWithMostFreeSpace) {
  const pftest::LogCapture log;
  Made made;
  for (const std::wstring& brand : {pftest::UniqueName(L"OrbTest-"), std::wstring()}) {
    for (const std::wstring& candidate : MostFreeCandidates(brand)) made.Watch(candidate);
    const std::wstring folder = GetDownloadFolder(brand, false);
    EXPECT_TRUE(OneOf(MostFreeCandidates(brand), folder)) << WideToAnsi(folder);
    EXPECT_TRUE(IsFolderWritable(folder));
    EXPECT_EQ(folder.back(), L'\\');
  }
  EXPECT_EQ(log.Text().find("[WARN]"), std::string::npos) << log.Text();
}

TEST(DownloadFolderTest, UnusableFoldersFallBackStepByStepWithALogLineEach) {
  // No folder of this name can exist: every step fails and says so.
  const std::wstring brand = L"OrbTest|" + pftest::UniqueName(L"");
  const pftest::LogCapture log;
  const std::wstring folder = GetDownloadFolder(brand, true);
  EXPECT_EQ(folder, TempFolder() + brand + L"\\");

  const auto lines = log.Messages();
  ASSERT_EQ(lines.size(), 4u) << log.Text();
  const std::string head = "[ERROR] create folder=[";
  const std::string tail = "] failed!";
  ASSERT_TRUE(lines[0].starts_with(head) && lines[0].ends_with(tail)) << lines[0];
  const std::string default_folder = lines[0].substr(head.size(), lines[0].size() - head.size() - tail.size());
  EXPECT_TRUE(OneOf(MostFreeCandidates(brand), Utf8ToWide(default_folder))) << default_folder;
  const std::string err = std::to_string(ERROR_INVALID_NAME);
  EXPECT_EQ(lines[1], "[WARN] get default folder=[" + default_folder + "] failed, err=[" + err + "].");
  EXPECT_EQ(lines[2], "[WARN] get exe folder=[" + WideToAnsi(OwnFolder() + brand) + "\\] failed, err=[" + err + "].");
  EXPECT_EQ(lines[3], "[ERROR] get temp folder=[" + WideToAnsi(TempFolder() + brand) + "\\] failed! err=[" + err +
                          "].");
}

}  // namespace
