#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes away.
#include <filesystem>
#include <string>

namespace orbtest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as a narrow path with a trailing separator ('\' on Windows, '/' elsewhere).
  std::string narrow() const;
  // Writes `bytes` to `name` inside the folder and returns its full path.
  std::filesystem::path write(const std::string& name, const std::string& bytes) const;
  static std::string read(const std::filesystem::path& file);

 private:
  std::filesystem::path path_;
};

}  // namespace orbtest
