// A full disk shows when the file is reserved, before any byte is fetched. Needs a small
// file system of its own: mounted here when the tests run as root.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "downloader/multi_downloader.h"
#include "tests/downloader/multi_harness.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

namespace fs = std::filesystem;

class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& at) : at_(at) {
    fs::create_directories(at_);
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", at_.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount(at_.c_str());
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }

 private:
  fs::path at_;
  bool mounted_ = false;
};

TEST(MultiDiskFull, ReservingTheFileFailsWithStatus10AndNothingIsFetched) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const orbtest::TempDir dir;
  const SmallDisk disk(dir.path() / "small");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system (needs root)";
  const std::string name = orbtest::UniqueTag() + ".bin";
  const std::string path = orbtest::TestServer::GenPath(4 * 1024 * 1024, name);
  ns_PLX::CHostTable hosts;
  orbtest::RecordingObserver observer;
  {
    ns_PLX::CMultiDownloader download(orbtest::QuickSettings(hosts));
    download.SetObserver(&observer);
    ASSERT_TRUE(download.StartDownload(1, server.Url(path), (dir.path() / "small").string() + "/"));
    ASSERT_EQ(observer.WaitFinished(), ns_PLX::kStatusDiskFull);
  }
  const auto errors = observer.OfKind(ns_PLX::kEventFileError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].value1, ns_PLX::kFileErrorDiskFull);
  EXPECT_EQ(errors[0].value2, ENOSPC);
  EXPECT_TRUE(observer.OfKind(ns_PLX::kEventAttemptStarted).empty());
  EXPECT_TRUE(fs::is_empty(dir.path() / "small"));
  for (const auto& request : server.Requests(path)) EXPECT_NE(request.method, "GET");
}

}  // namespace
