#include "ui/framework/text_render_win.h"

#include <algorithm>
#include <map>
#include <vector>

#include "ui/framework/core/inline_markup.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/render_win.h"
#include "ui/framework/win_handles.h"

namespace uifw {
namespace {

constexpr UINT kAlignMask = DT_LEFT | DT_CENTER | DT_RIGHT;

struct Piece {
  std::wstring_view text;
  HFONT font = nullptr;
  COLORREF color = 0;
  bool underline = false;
  enum Kind { kWord, kSpace, kBreak } kind = kWord;
  int width = 0;
  int ascent = 0;
  int descent = 0;
};

struct Line {
  std::vector<const Piece*> pieces;
  int width = 0;
  int ascent = 0;
  int descent = 0;
};

// Splits runs into words, blank runs and line breaks.
std::vector<Piece> Pieces(const std::vector<MarkupRun>& runs, const CPaintManagerUI& manager, const TextStyle& style) {
  std::vector<Piece> pieces;
  for (const MarkupRun& run : runs) {
    const std::wstring_view text = run.text;
    Piece base;
    base.font = manager.GetFont(run.font >= 0 ? run.font : style.font);
    base.color = ToColorRef(run.color ? *run.color : style.color);
    base.underline = run.underline;
    for (size_t i = 0; i < text.size();) {
      Piece p = base;
      size_t j = i + 1;
      if (text[i] == L'\n') {
        p.kind = Piece::kBreak;
      } else if (text[i] == L'\r') {
        i = j;
        continue;
      } else {
        const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
        const bool space = blank(text[i]);
        while (j < text.size() && text[j] != L'\n' && text[j] != L'\r' && blank(text[j]) == space) ++j;
        p.kind = space ? Piece::kSpace : Piece::kWord;
      }
      p.text = text.substr(i, j - i);
      pieces.push_back(p);
      i = j;
    }
  }
  return pieces;
}

void Measure(HDC dc, std::vector<Piece>& pieces, std::map<HFONT, TEXTMETRICW>& metrics) {
  for (Piece& p : pieces) {
    const SelectedObject font(dc, p.font);
    auto [it, added] = metrics.try_emplace(p.font);
    if (added) ::GetTextMetricsW(dc, &it->second);
    p.ascent = it->second.tmAscent;
    p.descent = it->second.tmDescent;
    if (p.kind == Piece::kBreak) continue;
    SIZE size{};
    ::GetTextExtentPoint32W(dc, p.text.data(), static_cast<int>(p.text.size()), &size);
    p.width = size.cx;
  }
}

std::vector<Line> BreakLines(const std::vector<Piece>& pieces, int max_width, bool wrap) {
  std::vector<Line> lines(1);
  for (const Piece& p : pieces) {
    if (p.kind == Piece::kBreak) {
      lines.back().ascent = std::max(lines.back().ascent, p.ascent);
      lines.back().descent = std::max(lines.back().descent, p.descent);
      lines.emplace_back();
      continue;
    }
    Line* line = &lines.back();
    if (wrap && p.kind == Piece::kWord && !line->pieces.empty() && line->width + p.width > max_width) {
      // Trailing blanks of a wrapped line take no room.
      while (!line->pieces.empty() && line->pieces.back()->kind == Piece::kSpace) {
        line->width -= line->pieces.back()->width;
        line->pieces.pop_back();
      }
      line = &lines.emplace_back();
    }
    if (wrap && p.kind == Piece::kSpace && line->pieces.empty() && lines.size() > 1) continue;
    line->pieces.push_back(&p);
    line->width += p.width;
    line->ascent = std::max(line->ascent, p.ascent);
    line->descent = std::max(line->descent, p.descent);
  }
  return lines;
}

}  // namespace

void DrawPlainText(HDC dc, const CPaintManagerUI& manager, const RECT& rect, std::wstring_view text,
                   const TextStyle& style) {
  if (text.empty()) return;
  const SelectedObject font(dc, manager.GetFont(style.font));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ToColorRef(style.color));
  UINT format = (style.align & kAlignMask) | DT_NOPREFIX;
  format |= style.wordbreak ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
  if (style.end_ellipsis) format |= DT_END_ELLIPSIS;
  RECT r = rect;
  ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, format);
}

void DrawMarkupText(HDC dc, const CPaintManagerUI& manager, const RECT& rect, std::wstring_view text,
                    const TextStyle& style) {
  const std::vector<MarkupRun> runs = ParseInlineMarkup(text);
  std::vector<Piece> pieces = Pieces(runs, manager, style);
  if (pieces.empty()) return;
  std::map<HFONT, TEXTMETRICW> metrics;
  Measure(dc, pieces, metrics);
  const std::vector<Line> lines = BreakLines(pieces, rect.right - rect.left, style.wordbreak);

  int total = 0;
  for (const Line& line : lines) total += line.ascent + line.descent;
  int y = rect.top;
  if (!style.wordbreak && lines.size() == 1) y += (rect.bottom - rect.top - total) / 2;

  const SavedDc saved(dc);
  ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  ::SetBkMode(dc, TRANSPARENT);
  for (const Line& line : lines) {
    int x = rect.left;
    if ((style.align & kAlignMask) == DT_CENTER) x += (rect.right - rect.left - line.width) / 2;
    if ((style.align & kAlignMask) == DT_RIGHT) x = rect.right - line.width;
    const int baseline = y + line.ascent;
    for (const Piece* p : line.pieces) {
      if (p->kind == Piece::kWord) {
        const SelectedObject font(dc, p->font);
        ::SetTextColor(dc, p->color);
        ::TextOutW(dc, x, baseline - p->ascent, p->text.data(), static_cast<int>(p->text.size()));
      }
      if (p->underline) {
        const UniqueBrush brush(::CreateSolidBrush(p->color));
        const RECT under{x, baseline + 1, x + p->width, baseline + 2};
        ::FillRect(dc, &under, brush.get());
      }
      x += p->width;
    }
    y += line.ascent + line.descent;
  }
}

SIZE MeasureText(HDC dc, HFONT font, std::wstring_view text, int wrap_width) {
  const SelectedObject selected(dc, font);
  RECT r{0, 0, wrap_width > 0 ? wrap_width : 0, 0};
  UINT format = DT_CALCRECT | DT_NOPREFIX | (wrap_width > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  if (text.empty()) {
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    return {0, tm.tmHeight};
  }
  ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, format);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace uifw
