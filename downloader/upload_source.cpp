#include "downloader/upload_source.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace ns_PLX {

bool UploadSource::Open(const std::string& utf8_path) {
  try {
    const std::filesystem::path path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8_path.data()), utf8_path.size()));
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const auto bytes = std::filesystem::file_size(path, error);
    if (error) return false;
    file_.open(path, std::ios::binary);
    if (!file_) return false;
    size_ = static_cast<curl_off_t>(bytes);
    const std::u8string name = path.filename().u8string();
    file_name_.assign(reinterpret_cast<const char*>(name.data()), name.size());
    return true;
  } catch (...) {
    return false;  // not UTF-8, or out of memory
  }
}

size_t UploadSource::Read(char* buffer, size_t size, size_t count, void* source) {
  auto& self = *static_cast<UploadSource*>(source);
  self.file_.read(buffer, static_cast<std::streamsize>(size * count));
  const std::streamsize got = self.file_.gcount();
  if (got == 0 && self.file_.bad()) return CURL_READFUNC_ABORT;
  return static_cast<size_t>(got);
}

int UploadSource::Seek(void* source, curl_off_t offset, int origin) {
  auto& self = *static_cast<UploadSource*>(source);
  const std::ios::seekdir from = origin == SEEK_CUR   ? std::ios::cur
                                 : origin == SEEK_END ? std::ios::end
                                                      : std::ios::beg;
  self.file_.clear();
  self.file_.seekg(static_cast<std::streamoff>(offset), from);
  return self.file_ ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

}  // namespace ns_PLX
