// Folders, drives and the writable test against Wine's file system.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>

#include "common/text_convert.h"
#include "platform/disk.h"
#include "platform/folders.h"
#include "platform/module_info.h"
#include "platform/win_handle.h"
#include "tests/platform/platform_test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(FoldersTest, SystemAndUserFolders) {
  const std::wstring temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  EXPECT_TRUE(FolderExists(temp));

  const std::wstring windows = WindowsFolder();
  ASSERT_GE(windows.size(), 3u);
  EXPECT_TRUE(FolderExists(windows));
  EXPECT_EQ(SystemDriveRoot(), windows.substr(0, 3));
  EXPECT_EQ(SystemDriveRoot().substr(1), L":\\");

  for (const std::wstring& folder : {DesktopFolder(), PublicDocumentsFolder()}) {
    EXPECT_TRUE(FolderExists(folder)) << WideToAnsi(folder);
    EXPECT_NE(folder.back(), L'\\');
  }
}

TEST(FoldersTest, CreateFolderTreeMakesEveryMissingParent) {
  orbtest::TempDir temp;
  const std::wstring deep = (temp.path() / L"a" / L"b" / L"c").wstring();
  EXPECT_TRUE(CreateFolderTree(deep + L"\\"));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_TRUE(CreateFolderTree(deep));  // already there
  EXPECT_TRUE(CreateFolderTree((temp.path() / L"x" / L"y").wstring()));
  EXPECT_FALSE(CreateFolderTree(L""));
  EXPECT_FALSE(CreateFolderTree(temp.write("file", "").wstring() + L"\\under-a-file"));
}

TEST(FoldersTest, WritableFolderLeavesNoProbeBehind) {
  orbtest::TempDir temp;
  const std::wstring folder = temp.path().wstring();
  const fs::path probe = temp.path() / "orb.tmp";
  EXPECT_TRUE(IsFolderWritable(folder));
  EXPECT_TRUE(IsFolderWritable(folder + L"\\"));
  EXPECT_FALSE(fs::exists(probe));

  unsigned long error = 0;
  EXPECT_FALSE(IsFolderWritable(folder + L"\\missing", &error));
  EXPECT_EQ(error, static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(fs::exists(temp.path() / "missing"));
  EXPECT_FALSE(IsFolderWritable(L""));
}

TEST(FoldersTest, AProbeFileOfSomeoneElsesIsKept) {
  orbtest::TempDir temp;
  const fs::path probe = temp.write("orb.tmp", "keep me");
  EXPECT_TRUE(IsFolderWritable(temp.path().wstring()));
  EXPECT_EQ(orbtest::TempDir::read(probe), "keep me");
}

TEST(FoldersTest, BrandFoldersAreCreatedWithKorvaneForAnEmptyBrand) {
  const std::wstring brand = pftest::UniqueName(L"OrbTest-");
  const bool korvane_was_there = FolderExists(TempFolder() + L"Korvane");
  struct Case {
    std::wstring folder;
    std::wstring expected;
  };
  const Case cases[] = {
      {BrandTempFolder(brand), TempFolder() + brand + L"\\"},
      {BrandExeFolder(brand), OwnFolder() + brand + L"\\"},
      {BrandDocumentsFolder(brand), PublicDocumentsFolder() + L"\\" + brand + L"\\"},
      {BrandTempFolder(L""), TempFolder() + L"Korvane\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.folder, c.expected);
    EXPECT_TRUE(FolderExists(c.folder)) << WideToAnsi(c.folder);
  }
  for (size_t i = 0; i < 3; ++i) ::RemoveDirectoryW(cases[i].folder.c_str());
  if (!korvane_was_there) ::RemoveDirectoryW(cases[3].folder.c_str());
}

TEST(FoldersTest, InteractiveUsersLocalAppDataThroughTheShellsOwner) {
  const std::wstring found = InteractiveUserLocalAppData();
  if (!::GetShellWindow()) {
    EXPECT_EQ(found, L"");
    GTEST_SKIP() << "no desktop shell runs here; the answer is empty";
  }
  // The shell belongs to the same user as the test.
  winh::CoTaskMem<wchar_t> own;
  ASSERT_TRUE(SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, own.put())));
  EXPECT_EQ(found, own.get());
}

TEST(FoldersTest, ProtectedSystemPaths) {
  const std::wstring windows = WindowsFolder();
  const std::wstring root = windows.substr(0, 3);
  const std::wstring other_root = root == L"Q:\\" ? L"R:\\" : L"Q:\\";
  std::wstring lower = windows;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  const std::pair<std::wstring, bool> cases[] = {
      {windows, true},
      {windows + L"\\System32\\drivers", true},
      {lower + L"\\temp", true},
      {root + L"Program Files", true},
      {root + L"Program Files\\Korvane\\", true},
      {root + L"Program Files (x86)\\Korvane", true},
      {root + L"Program Files2", false},
      {windows + L"Apps", false},
      {other_root + L"Program Files\\Korvane", false},
      {root + L"Games\\Korvane", false},
      {L"", false},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(IsProtectedSystemPath(path), expected) << WideToAnsi(path);
}

TEST(DrivesTest, FixedDrivesAndTheirFreeSpace) {
  const auto drives = FixedDrives();
  ASSERT_FALSE(drives.empty());
  for (const std::wstring& root : drives) {
    EXPECT_EQ(root.size(), 3u);
    EXPECT_EQ(root.substr(1), L":\\");
    EXPECT_EQ(::GetDriveTypeW(root.c_str()), static_cast<UINT>(DRIVE_FIXED));
  }
  EXPECT_NE(std::find(drives.begin(), drives.end(), SystemDriveRoot()), drives.end());
  const std::wstring most = DriveWithMostFreeSpace();
  EXPECT_NE(std::find(drives.begin(), drives.end(), most), drives.end());
  EXPECT_GT(FreeSpace(TempFolder()), 0u);
  EXPECT_EQ(FreeSpace(L"Q:\\nowhere\\"), 0u);
}

}  // namespace
