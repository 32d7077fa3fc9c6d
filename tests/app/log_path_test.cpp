// The log's folder rule, against the real temporary folder of a private environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/log/simple_log.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// Points the user's temporary folder at `folder` for the life of the object.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const fs::path& folder) {
    Save();
#ifdef _WIN32
    ::SetEnvironmentVariableW(L"TMP", folder.wstring().c_str());
    ::SetEnvironmentVariableW(L"TEMP", folder.wstring().c_str());
#else
    ::setenv("TMPDIR", folder.string().c_str(), 1);
#endif
  }
  ~TempFolderOverride() {
#ifdef _WIN32
    ::SetEnvironmentVariableW(L"TMP", saved_[0].c_str());
    ::SetEnvironmentVariableW(L"TEMP", saved_[1].c_str());
#else
    if (had_) ::setenv("TMPDIR", saved_[0].c_str(), 1); else ::unsetenv("TMPDIR");
#endif
  }
  TempFolderOverride(const TempFolderOverride&) = delete;
  TempFolderOverride& operator=(const TempFolderOverride&) = delete;

 private:
#ifdef _WIN32
  void Save() {
    const wchar_t* names[] = {L"TMP", L"TEMP"};
    for (int i = 0; i < 2; ++i) {
      std::wstring value(32768, L'\0');
      value.resize(::GetEnvironmentVariableW(names[i], value.data(), static_cast<DWORD>(value.size())));
      saved_[i] = value;
    }
  }
  std::wstring saved_[2];
#else
  void Save() {
    const char* value = std::getenv("TMPDIR");
    had_ = value != nullptr;
    saved_[0] = value ? value : "";
  }
  bool had_ = false;
  std::string saved_[1];
#endif
};

std::string Sep() { return std::string(1, static_cast<char>(fs::path::preferred_separator)); }

}  // namespace

TEST(LogPath, CreatesKorvaneOrbUnderTheTemporaryFolder) {
  orbtest::TempDir dir;
  const fs::path temp = dir.path() / "t e m p";  // a missing folder with spaces: created too
  const TempFolderOverride override(temp);

  const std::string path = ProgramLogPath("kvORB.log");
  EXPECT_EQ(path, temp.string() + Sep() + "Korvane" + Sep() + "ORB" + Sep() + "kvORB.log");
  EXPECT_TRUE(fs::is_directory(temp / "Korvane" / "ORB"));

  // The writer uses the path as it is.
  simpleLog log(path);
  log.Open();
  log.Write(kLogInfo, "[INFO] start, fork=[%d].", 0);
  EXPECT_TRUE(fs::is_regular_file(path));
}

TEST(LogPath, FallsBackToTheTemporaryFolderWhenTheFolderCannotBeMade) {
  orbtest::TempDir dir;
  dir.write("Korvane", "a file where the folder should be");
  const TempFolderOverride override(dir.path());
  EXPECT_EQ(ProgramLogPath("kvForkORB.log"), dir.narrow() + "kvForkORB.log");
}
