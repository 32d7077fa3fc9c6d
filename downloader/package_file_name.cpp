#include "downloader/package_file_name.h"

#include <array>

#include "common/text_convert.h"

namespace ns_PLX {
namespace {

constexpr std::size_t kMaxNameLength = 200;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string upper;
  for (const char c : stem) upper += Upper(c);
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (const std::string_view device : kPlain) {
    if (upper == device) return true;
  }
  return upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0) &&
         upper[3] >= '1' && upper[3] <= '9';
}

bool IsSafeName(std::string_view name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) return false;
  }
  if (IsDeviceName(name)) return false;
  const std::wstring wide = Utf8ToWide(name);
  return !wide.empty() && wide.size() <= kMaxNameLength;
}

}  // namespace

std::string PackageFileName(std::string_view url, std::int32_t task_id) {
  std::string_view rest = url.substr(0, url.find_first_of("?#"));
  const std::size_t scheme = rest.find("://");
  if (scheme != std::string_view::npos) {
    rest.remove_prefix(scheme + 3);
    const std::size_t path = rest.find('/');
    rest = path == std::string_view::npos ? std::string_view() : rest.substr(path);
  }
  const std::size_t slash = rest.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? rest : rest.substr(slash + 1);
  if (IsSafeName(name)) return std::string(name);
  return "package_" + std::to_string(task_id) + ".bin";
}

}  // namespace ns_PLX
