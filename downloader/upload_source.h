#pragma once
// The file an upload streams to libcurl, opened by the helper itself so that its path is
// read as UTF-8 on every system (libcurl's own file opening would take the ANSI code page
// on Windows and lose characters outside it).
#include <curl/curl.h>

#include <fstream>
#include <string>

namespace ns_PLX {

class UploadSource {
 public:
  // False when the path is not UTF-8 or the file cannot be opened or sized.
  bool Open(const std::string& utf8_path);

  curl_off_t size() const { return size_; }
  // The path's last component, UTF-8, for the form part's file name.
  const std::string& file_name() const { return file_name_; }

  // libcurl callbacks; `source` is the UploadSource.
  static size_t Read(char* buffer, size_t size, size_t count, void* source);
  static int Seek(void* source, curl_off_t offset, int origin);

 private:
  std::ifstream file_;
  curl_off_t size_ = 0;
  std::string file_name_;
};

}  // namespace ns_PLX
