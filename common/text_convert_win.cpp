// Windows text conversions over the code page API and the C runtime's locales.
#include "common/text_convert.h"

#include <windows.h>

#include <climits>
#include <cstdlib>
#include <locale.h>
#include <memory>
#include <string>
#include <type_traits>

namespace {

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int inLen = static_cast<int>(text.size());
  const int outLen = WideCharToMultiByte(codePage, flags, text.data(), inLen, nullptr, 0, nullptr, nullptr);
  if (outLen <= 0) return {};
  std::string out(static_cast<size_t>(outLen), '\0');
  if (WideCharToMultiByte(codePage, flags, text.data(), inLen, out.data(), outLen, nullptr, nullptr) != outLen) {
    return {};
  }
  return out;
}

std::wstring ToWide(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int inLen = static_cast<int>(text.size());
  const int outLen = MultiByteToWideChar(codePage, flags, text.data(), inLen, nullptr, 0);
  if (outLen <= 0) return {};
  std::wstring out(static_cast<size_t>(outLen), L'\0');
  if (MultiByteToWideChar(codePage, flags, text.data(), inLen, out.data(), outLen) != outLen) return {};
  return out;
}

struct LocaleDeleter {
  void operator()(_locale_t loc) const { _free_locale(loc); }
};
using LocalePtr = std::unique_ptr<std::remove_pointer_t<_locale_t>, LocaleDeleter>;

// Converts one NUL-free piece; the C runtime reads up to a terminator.
bool AppendLocalePiece(std::wstring& out, const std::string& piece, _locale_t loc) {
  if (piece.empty()) return true;
  const size_t needed = _mbstowcs_l(nullptr, piece.c_str(), 0, loc);
  if (needed == static_cast<size_t>(-1)) return false;
  std::wstring buffer(needed + 1, L'\0');
  const size_t written = _mbstowcs_l(buffer.data(), piece.c_str(), buffer.size(), loc);
  if (written != needed) return false;
  buffer.resize(written);
  out += buffer;
  return true;
}

}  // namespace

std::string WideToAnsi(std::wstring_view text) { return FromWide(CP_ACP, 0, text); }

std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, WC_ERR_INVALID_CHARS, text); }

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, text); }

std::wstring LocaleToWide(std::string_view text) {
  if (text.empty()) return {};
  // A locale object of its own: the process locale stays as it is.
  const LocalePtr loc(_create_locale(LC_CTYPE, ""));
  if (!loc) return {};

  // NUL characters are carried over one by one between the pieces.
  std::wstring out;
  size_t start = 0;
  while (true) {
    const size_t nul = text.find('\0', start);
    const std::string piece(text.substr(start, nul == std::string_view::npos ? std::string_view::npos : nul - start));
    if (!AppendLocalePiece(out, piece, loc.get())) return {};
    if (nul == std::string_view::npos) break;
    out.push_back(L'\0');
    start = nul + 1;
  }
  return out;
}
