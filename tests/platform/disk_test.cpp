// Free space and file sizes against the real file system.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/disk.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

TEST(DiskTest, FreeSpaceOfAnExistingFolderAndNothingForAMissingOne) {
  orbtest::TempDir temp;
  EXPECT_GT(FreeSpace(temp.path()), 0u);
  EXPECT_EQ(FreeSpace(temp.path() / "missing" / "deeper"), 0u);
}

TEST(DiskTest, FileSizeOfFilesOnly) {
  orbtest::TempDir temp;
  EXPECT_EQ(FileSize(temp.write("some.bin", std::string(1234, 'x'))), 1234);
  EXPECT_EQ(FileSize(temp.write("empty.bin", "")), 0);
  EXPECT_EQ(FileSize(temp.path() / "missing.bin"), -1);
  EXPECT_EQ(FileSize(temp.path()), -1);
  // Beyond 32 bits (a sparse file: nothing is written).
  const fs::path big = temp.write("big.bin", "");
  std::error_code error;
  fs::resize_file(big, (5ULL << 30) + 3, error);
  ASSERT_FALSE(error) << error.message();
  EXPECT_EQ(FileSize(big), static_cast<std::int64_t>((5ULL << 30) + 3));
}
