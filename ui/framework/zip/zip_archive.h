#pragma once
// Read-only zip archive held in memory: the skin package. Only what a skin needs is
// supported: one disk, no ZIP64, no encryption, members stored or deflated. Every
// offset and length read from the archive is checked against the bytes held, so a
// damaged or hostile archive is rejected, never read out of bounds.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uifw {

class ZipArchive {
 public:
  struct Member {
    std::string name;  // as stored: UTF-8 or the archive's own code page
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t packed_size = 0;
    uint32_t size = 0;
    uint32_t local_offset = 0;
  };

  // Largest member that is ever unpacked; a bigger declared size is refused rather
  // than allocated.
  static constexpr uint32_t kMaxMemberSize = 64u << 20;

  // Copies `bytes` and reads the central directory. On failure `error` (when given)
  // says why.
  static std::optional<ZipArchive> Open(std::string_view bytes, std::string* error = nullptr);

  const std::vector<Member>& Members() const { return members_; }
  // Exact name first, then ASCII case-insensitively, as file names on Windows.
  const Member* Find(std::string_view name) const;
  bool Contains(std::string_view name) const { return Find(name) != nullptr; }

  // The member's bytes, unpacked and checked against its size and CRC-32.
  std::optional<std::string> Read(std::string_view name, std::string* error = nullptr) const;
  std::optional<std::string> Read(const Member& member, std::string* error = nullptr) const;

 private:
  explicit ZipArchive(std::string bytes) : bytes_(std::move(bytes)) {}
  bool ReadDirectory(std::string* error);

  std::string bytes_;
  std::vector<Member> members_;
  uint32_t directory_offset_ = 0;  // members' data must lie before it
};

}  // namespace uifw
