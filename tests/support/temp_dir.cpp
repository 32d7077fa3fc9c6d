#include "tests/support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

namespace orbtest {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    std::ostringstream name;
    name << "orbtest-" << stamp << "-" << counter++;
    path_ = std::filesystem::temp_directory_path() / name.str();
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::narrow() const {
  std::string s = path_.string();
#ifdef _WIN32
  s += '\\';
#else
  s += '/';
#endif
  return s;
}

std::filesystem::path TempDir::write(const std::string& name, const std::string& bytes) const {
  const auto file = path_ / name;
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

std::string TempDir::read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace orbtest
