#include "ui/framework/core/inline_markup.h"

#include "ui/framework/core/values.h"

namespace uifw {
namespace {

struct Tag {
  bool closing = false;
  wchar_t letter = 0;
  std::wstring_view argument;
  size_t length = 0;  // characters from "{" to "}" inclusive
};

std::optional<Tag> ReadTag(std::wstring_view s) {
  Tag tag;
  size_t i = 1;  // past "{"
  if (i < s.size() && s[i] == L'/') {
    tag.closing = true;
    ++i;
  }
  if (i >= s.size() || s[i] < L'a' || s[i] > L'z') return std::nullopt;
  tag.letter = s[i++];
  if (i >= s.size() || (s[i] != L'}' && s[i] != L' ')) return std::nullopt;
  const size_t close = s.find(L'}', i);
  if (close == std::wstring_view::npos) return std::nullopt;
  tag.argument = s.substr(i, close - i);
  while (!tag.argument.empty() && tag.argument.front() == L' ') tag.argument.remove_prefix(1);
  while (!tag.argument.empty() && tag.argument.back() == L' ') tag.argument.remove_suffix(1);
  tag.length = close + 1;
  return tag;
}

bool IsDecimal(std::wstring_view s) {
  if (s.empty()) return false;
  for (const wchar_t c : s) {
    if (c < L'0' || c > L'9') return false;
  }
  return true;
}

}  // namespace

std::vector<MarkupRun> ParseInlineMarkup(std::wstring_view text) {
  std::vector<MarkupRun> runs;
  std::vector<int> fonts;
  std::vector<std::optional<uint32_t>> colors;
  int underline = 0;
  MarkupRun current;
  const auto style = [&] {
    MarkupRun r;
    r.font = fonts.empty() ? -1 : fonts.back();
    r.color = colors.empty() ? std::nullopt : colors.back();
    r.underline = underline > 0;
    return r;
  };
  const auto flush = [&] {
    if (current.text.empty()) return;
    if (!runs.empty() && runs.back().font == current.font && runs.back().color == current.color &&
        runs.back().underline == current.underline) {
      runs.back().text += current.text;
    } else {
      runs.push_back(current);
    }
    current.text.clear();
  };

  current = style();
  for (size_t i = 0; i < text.size();) {
    const std::optional<Tag> tag = text[i] == L'{' ? ReadTag(text.substr(i)) : std::nullopt;
    if (!tag) {
      current.text += text[i++];
      continue;
    }
    i += tag->length;
    flush();
    switch (tag->letter) {
      case L'f':
        if (tag->closing) {
          if (!fonts.empty()) fonts.pop_back();
        } else {
          // A font that is not a number keeps the current one.
          fonts.push_back(IsDecimal(tag->argument) ? ParseInt(tag->argument) : style().font);
        }
        break;
      case L'c':
        if (tag->closing) {
          if (!colors.empty()) colors.pop_back();
        } else {
          const std::optional<uint32_t> c = ParseColor(tag->argument);
          colors.push_back(c ? std::optional<uint32_t>(*c & 0xffffff) : style().color);
        }
        break;
      case L'u':
        underline += tag->closing ? (underline > 0 ? -1 : 0) : 1;
        break;
      default:
        break;  // {l} and unknown letters: no effect
    }
    current = style();
  }
  flush();
  return runs;
}

}  // namespace uifw
