#include "common/xml_doc.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "common/file_io.h"
#include "common/xml_utf.h"

namespace {

// ---- characters and names -------------------------------------------------------

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

bool IsQuote(wchar_t c) { return c == L'"' || c == L'\''; }

bool EndsTagName(wchar_t c) {
  switch (c) {
    case L' ': case L'\t': case L'\n': case L'\r':
    case L'<': case L'>': case L'=': case L'\\': case L'/': case L'?': case L'!':
      return true;
    default:
      return false;
  }
}

bool EndsAttrName(wchar_t c) { return IsSpace(c) || c == L'=' || c == L'>' || c == L'/' || c == L'?'; }

bool StartsTagName(wchar_t c) {
  return c == L':' || c == L'_' || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') ||
         static_cast<uint32_t>(c) >= 128;
}

size_t TagNameEnd(std::wstring_view doc, size_t from) {
  while (from < doc.size() && !EndsTagName(doc[from])) ++from;
  return from;
}

// ---- tokenizer --------------------------------------------------------------------

enum class NodeKind { kStartTag, kEndTag, kText, kWhitespace, kCData, kProcessing, kComment, kDoctype, kError, kEnd };

struct Node {
  NodeKind kind = NodeKind::kEnd;
  size_t start = 0;
  size_t end = 0;         // one past the node
  size_t name_end = 0;    // tags: one past the tag name
  size_t data_start = 0;  // CDATA: the inside
  size_t data_end = 0;
  bool empty = false;     // start tag written as <name/>
  std::wstring error;
};

constexpr size_t npos = std::wstring_view::npos;

Node Error(size_t start, size_t end, std::wstring message) {
  Node node;
  node.kind = NodeKind::kError;
  node.start = start;
  node.end = end;
  node.error = std::move(message);
  return node;
}

// A malformed "<...": only the "<" is consumed, what follows is read as text.
Node Incorrect(size_t at, std::wstring_view what) {
  return Error(at, at + 1, L"Incorrect " + std::wstring(what) + L" at offset " + std::to_wstring(at));
}

// A node without its terminator takes the rest of the text.
Node Unterminated(std::wstring_view doc, size_t at, std::wstring_view what) {
  return Error(at, doc.size(), std::wstring(what) + L" at offset " + std::to_wstring(at) + L" unterminated");
}

Node Simple(NodeKind kind, size_t start, size_t end) {
  Node node;
  node.kind = kind;
  node.start = start;
  node.end = end;
  return node;
}

// One past the closing quote of the quoted run that starts at `at`, or npos.
size_t SkipQuoted(std::wstring_view doc, size_t at) {
  const size_t close = doc.find(doc[at], at + 1);
  return close == npos ? npos : close + 1;
}

// The first ">" from `from` on that is not inside quotes, or npos.
size_t FindTagClose(std::wstring_view doc, size_t from) {
  size_t i = from;
  while (i < doc.size()) {
    const wchar_t c = doc[i];
    if (c == L'>') return i;
    if (IsQuote(c)) {
      i = SkipQuoted(doc, i);
      if (i == npos) return npos;
    } else {
      ++i;
    }
  }
  return npos;
}

// "<!D...": up to its ">", past a bracketed internal subset whose declarations,
// comments and processing instructions may hold "]" or ">".
Node ReadDoctype(std::wstring_view doc, size_t start) {
  bool subset = false;
  size_t i = start + 3;
  while (i < doc.size()) {
    const wchar_t c = doc[i];
    size_t next = i + 1;
    if (IsQuote(c)) {
      next = SkipQuoted(doc, i);
    } else if (!subset) {
      if (c == L'>') return Simple(NodeKind::kDoctype, start, i + 1);
      if (c == L'[') subset = true;
    } else if (c == L']') {
      subset = false;
    } else if (c == L'<' && doc.substr(i, 4) == L"<!--") {
      next = doc.find(L"-->", i + 4);
      if (next != npos) next += 3;
    } else if (c == L'<' && doc.substr(i, 2) == L"<?") {
      next = doc.find(L"?>", i + 2);
      if (next != npos) next += 2;
    } else if (c == L'<' && doc.substr(i, 2) == L"<!" && i + 2 < doc.size() &&
               (doc[i + 2] == L'E' || doc[i + 2] == L'A' || doc[i + 2] == L'N')) {
      next = FindTagClose(doc, i + 2);  // markup declaration
      if (next != npos) next += 1;
    }
    if (next == npos) break;
    i = next;
  }
  return Unterminated(doc, start, L"Doctype");
}

Node ReadMarkup(std::wstring_view doc, size_t start) {
  if (start + 1 >= doc.size()) return Unterminated(doc, start, L"tag");
  const wchar_t c = doc[start + 1];
  if (c == L'/') {
    const size_t close = doc.find(L'>', start + 2);
    if (close == npos) return Unterminated(doc, start, L"Element end tag");
    Node node = Simple(NodeKind::kEndTag, start, close + 1);
    node.name_end = TagNameEnd(doc, start + 2);
    return node;
  }
  if (c == L'?') {
    const size_t close = doc.find(L"?>", start + 2);
    if (close == npos) return Unterminated(doc, start, L"Processing instruction");
    return Simple(NodeKind::kProcessing, start, close + 2);
  }
  if (c == L'!') {
    if (start + 2 >= doc.size()) return Unterminated(doc, start, L"tag");
    const wchar_t kind = doc[start + 2];
    if (kind == L'-') {
      if (start + 3 >= doc.size()) return Unterminated(doc, start, L"tag");
      if (doc[start + 3] != L'-') return Incorrect(start, L"comment tag");
      const size_t close = doc.find(L"-->", start + 4);
      if (close == npos) return Unterminated(doc, start, L"Comment");
      return Simple(NodeKind::kComment, start, close + 3);
    }
    if (kind == L'[') {
      if (start + 3 >= doc.size()) return Unterminated(doc, start, L"tag");
      if (doc[start + 3] != L'C') return Incorrect(start, L"tag");
      const size_t close = doc.find(L"]]>", start + 4);
      if (close == npos) return Unterminated(doc, start, L"CDATA Section");
      Node node = Simple(NodeKind::kCData, start, close + 3);
      node.data_start = std::min(start + 9, close);  // after "<![CDATA["
      node.data_end = close;
      return node;
    }
    if (kind == L'D') return ReadDoctype(doc, start);
    return Incorrect(start, L"! tag");
  }
  if (!StartsTagName(c)) return Incorrect(start, L"tag name character");
  const size_t close = FindTagClose(doc, start + 1);
  if (close == npos) return Unterminated(doc, start, L"Element tag");
  Node node = Simple(NodeKind::kStartTag, start, close + 1);
  node.name_end = TagNameEnd(doc, start + 1);
  // "/>" makes an empty element when the "/" follows the name, white space or a quote.
  const size_t slash = close - 1;
  if (doc[slash] == L'/' && slash >= node.name_end) {
    const wchar_t before = doc[slash - 1];
    node.empty = slash == node.name_end || IsSpace(before) || IsQuote(before);
  }
  return node;
}

Node ReadNode(std::wstring_view doc, size_t pos) {
  if (pos >= doc.size()) return Simple(NodeKind::kEnd, pos, pos);
  if (doc[pos] == L'<') return ReadMarkup(doc, pos);
  size_t i = pos;
  while (i < doc.size() && IsSpace(doc[i])) ++i;
  if (i == doc.size() || doc[i] == L'<') return Simple(NodeKind::kWhitespace, pos, i);
  const size_t lt = doc.find(L'<', i);
  return Simple(NodeKind::kText, pos, lt == npos ? doc.size() : lt);
}

// ---- escaping -----------------------------------------------------------------------

// Decodes the reference at the start of `text` (which starts with "&").
bool DecodeReference(std::wstring_view text, wchar_t& out, size_t& used) {
  static constexpr std::pair<std::wstring_view, wchar_t> kNamed[] = {
      {L"&lt;", L'<'}, {L"&amp;", L'&'}, {L"&gt;", L'>'}, {L"&apos;", L'\''}, {L"&quot;", L'"'},
  };
  for (const auto& [name, c] : kNamed) {
    if (text.substr(0, name.size()) == name) {
      out = c;
      used = name.size();
      return true;
    }
  }
  if (text.size() < 2 || text[1] != L'#') return false;
  const bool hex = text.size() > 2 && text[2] == L'x';
  const size_t base = hex ? 2 : 1;  // the "#" or the "x"
  const size_t limit = base + 6;    // furthest place for the ";"
  uint32_t value = 0;
  size_t i = base + 1;
  for (; i < text.size() && i <= limit && text[i] != L';'; ++i) {
    const wchar_t c = text[i];
    uint32_t digit = 0;
    if (c >= L'0' && c <= L'9') {
      digit = static_cast<uint32_t>(c - L'0');
    } else if (hex && c >= L'a' && c <= L'f') {
      digit = static_cast<uint32_t>(c - L'a' + 10);
    } else if (hex && c >= L'A' && c <= L'F') {
      digit = static_cast<uint32_t>(c - L'A' + 10);
    } else {
      return false;
    }
    value = value * (hex ? 16 : 10) + digit;
  }
  if (i >= text.size() || i > limit || text[i] != L';' || i == base + 1) return false;
  // A zero character would cut the text short wherever it is passed on as a C string.
  const auto unit = static_cast<wchar_t>(value & 0xFFFF);
  if (unit == 0) return false;
  out = unit;
  used = i + 1;
  return true;
}

std::wstring Unescape(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i];
    size_t used = 1;
    if (c == L'&') {
      if (!DecodeReference(text.substr(i), c, used)) {
        c = L'&';
        used = 1;
      }
    }
    out.push_back(c);
    i += used;
  }
  return out;
}

std::wstring Escape(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    switch (c) {
      case L'<': out += L"&lt;"; break;
      case L'&': out += L"&amp;"; break;
      case L'>': out += L"&gt;"; break;
      default: out.push_back(c); break;
    }
  }
  return out;
}

// Moves `pos` over white space that runs up to a "<" or the end of the text.
size_t SkipBlankBeforeMarkup(std::wstring_view doc, size_t pos) {
  size_t i = pos;
  while (i < doc.size() && IsSpace(doc[i])) ++i;
  return i == doc.size() || doc[i] == L'<' ? i : pos;
}

}  // namespace

// ---- document -----------------------------------------------------------------------

XmlDoc::XmlDoc() { Parse(); }

XmlDoc::XmlDoc(std::wstring_view text) { SetText(text); }

bool XmlDoc::SetText(std::wstring_view text) {
  std::wstring copy(text);  // `text` may view our own text
  doc_.swap(copy);
  result_.clear();
  return Parse();
}

bool XmlDoc::IsWellFormed() const {
  if (elems_.empty() || ill_formed_) return false;
  const size_t root = elems_[0].child;
  return root != 0 && elems_[root].next == 0;
}

std::wstring_view XmlDoc::TagName(size_t elem) const {
  const std::wstring_view doc = doc_;
  const size_t from = elems_[elem].start + 1;
  if (from > doc.size()) return {};
  return doc.substr(from, TagNameEnd(doc, from) - from);
}

bool XmlDoc::Matches(size_t elem, std::wstring_view name) const {
  if (name.empty()) return true;
  const std::wstring_view tag = TagName(elem);
  if (name.substr(0, tag.size()) != tag) return false;
  if (name.size() == tag.size()) return true;
  const wchar_t more = name[tag.size()];
  return more == L' ' || more == L'=' || more == L'/' || more == L'[' || more == L']';
}

void XmlDoc::LinkLast(size_t parent, size_t elem) {
  Elem& e = elems_[elem];
  e.parent = parent;
  e.next = 0;
  const size_t first = elems_[parent].child;
  if (first == 0) {
    elems_[parent].child = elem;
    e.prev = elem;
    return;
  }
  const size_t last = elems_[first].prev;
  elems_[last].next = elem;
  e.prev = last;
  elems_[first].prev = elem;
}

void XmlDoc::LinkAfter(size_t prev, size_t elem) {
  const size_t parent = elems_[prev].parent;
  const size_t next = elems_[prev].next;
  Elem& e = elems_[elem];
  e.parent = parent;
  e.prev = prev;
  e.next = next;
  if (next != 0) {
    elems_[next].prev = elem;
  } else {
    elems_[elems_[parent].child].prev = elem;  // the new last child
  }
  elems_[prev].next = elem;
}

void XmlDoc::Shift(size_t from, size_t by, size_t first_ancestor) {
  for (size_t i = 1; i < elems_.size(); ++i) {
    if (elems_[i].start >= from) elems_[i].start += by;
  }
  for (size_t a = first_ancestor;; a = elems_[a].parent) {
    elems_[a].length += by;
    if (a == 0) break;
  }
}

bool XmlDoc::Parse() {
  elems_.clear();
  ill_formed_ = false;
  parent_ = main_ = child_ = 0;
  std::wstring error;
  const auto note = [&error](std::wstring message) {
    if (error.empty()) error = std::move(message);
  };

  const std::wstring_view doc = doc_;
  if (doc.empty()) {
    note(L"Empty document");
  } else {
    elems_.reserve(doc.size() / 64 + 8);
    Elem document;
    document.length = doc.size();
    elems_.push_back(document);

    // Records get their creation parent here; the links are made once the pass knows
    // which elements were never ended.
    struct Open {
      size_t elem;
      std::wstring_view name;
    };
    std::vector<Open> open;
    // Stack depths per tag name, so that matching an end tag does not walk the stack.
    std::unordered_map<std::wstring_view, std::vector<size_t>> depths;
    size_t pos = 0;
    for (;;) {
      const Node node = ReadNode(doc, pos);
      if (node.kind == NodeKind::kEnd) break;
      if (node.kind == NodeKind::kStartTag) {
        Elem e;
        e.start = node.start;
        e.start_tag_len = e.length = node.end - node.start;
        e.parent = open.empty() ? 0 : open.back().elem;
        e.flags = node.empty ? kEmpty : 0;
        elems_.push_back(e);
        if (!node.empty) {
          const std::wstring_view name = doc.substr(node.start + 1, node.name_end - node.start - 1);
          depths[name].push_back(open.size());
          open.push_back({elems_.size() - 1, name});
        }
      } else if (node.kind == NodeKind::kEndTag) {
        const std::wstring_view name = doc.substr(node.start + 2, node.name_end - node.start - 2);
        const auto found = depths.find(name);
        if (found == depths.end() || found->second.empty()) {
          ill_formed_ = true;
          note(L"No start tag for end tag '" + std::wstring(name) + L"' at offset " + std::to_wstring(node.start));
        } else {
          const size_t depth = found->second.back();
          if (depth + 1 < open.size()) {
            ill_formed_ = true;
            const Open& top = open.back();
            note(L"End tag '" + std::wstring(name) + L"' at offset " + std::to_wstring(node.start + 1) +
                 L" does not match start tag '" + std::wstring(top.name) + L"' at offset " +
                 std::to_wstring(elems_[top.elem].start));
          }
          for (size_t i = open.size(); i-- > depth;) {
            depths[open[i].name].pop_back();
            if (i > depth) elems_[open[i].elem].flags |= kNotEnded;
          }
          Elem& matched = elems_[open[depth].elem];
          matched.length = node.end - matched.start;
          matched.end_tag_len = node.end - node.start;
          open.resize(depth);
        }
      } else if (node.kind == NodeKind::kError) {
        ill_formed_ = true;
        note(node.error);
      }
      pos = node.end > pos ? node.end : pos + 1;
    }
    if (!open.empty()) {
      ill_formed_ = true;
      const Open& inner = open.back();
      note(L"Element '" + std::wstring(inner.name) + L"' at offset " + std::to_wstring(elems_[inner.elem].start) +
           L" not ended");
      for (const Open& o : open) elems_[o.elem].flags |= kNotEnded;
    }

    // A not-ended element keeps only its start tag; its children follow it as
    // siblings. Parents come before their children, so one step up suffices: the
    // parent's own parent is already final.
    for (size_t i = 1; i < elems_.size(); ++i) {
      size_t parent = elems_[i].parent;
      if (parent != 0 && (elems_[parent].flags & kNotEnded)) parent = elems_[parent].parent;
      LinkLast(parent, i);
    }

    const size_t root = elems_[0].child;
    if (root == 0) {
      note(L"No root element");
    } else if (elems_[root].next != 0) {
      note(L"Root element has sibling");
    }
  }

  if (!error.empty()) result_ = result_.empty() ? error : result_ + L", " + error;
  return IsWellFormed();
}

bool XmlDoc::ReadFile(const std::wstring& path) {
  std::string bytes;
  std::wstring error;
  if (!ReadWholeFile(path, bytes, error)) {
    result_ = error;
    return false;
  }
  doc_ = XmlUtf8ToWide(bytes);
  // The old index does not describe the new text.
  elems_.clear();
  ill_formed_ = false;
  parent_ = main_ = child_ = 0;
  result_ = std::to_wstring(bytes.size()) + L" bytes to " + std::to_wstring(doc_.size()) + L" wide chars";
  return true;
}

bool XmlDoc::WriteFile(const std::wstring& path) {
  const std::string bytes = XmlWideToUtf8(doc_);
  std::wstring error;
  if (!WriteWholeFile(path, bytes, error)) {
    result_ = error;
    return false;
  }
  result_ = std::to_wstring(doc_.size()) + L" wide chars to " + std::to_wstring(bytes.size()) + L" bytes";
  return true;
}

bool XmlDoc::ResetTop() {
  parent_ = main_ = child_ = 0;
  return true;
}

bool XmlDoc::ResetChild() {
  child_ = 0;
  return true;
}

bool XmlDoc::FindSibling(std::wstring_view name) {
  if (elems_.empty()) return false;
  for (size_t i = main_ ? elems_[main_].next : elems_[parent_].child; i != 0; i = elems_[i].next) {
    if (Matches(i, name)) {
      main_ = i;
      child_ = 0;
      return true;
    }
  }
  return false;
}

bool XmlDoc::FindChild(std::wstring_view name) {
  if (elems_.empty()) return false;
  const size_t saved_main = main_;
  const size_t saved_child = child_;
  if (main_ == 0 && !FindSibling()) return false;
  for (size_t i = child_ ? elems_[child_].next : elems_[main_].child; i != 0; i = elems_[i].next) {
    if (Matches(i, name)) {
      child_ = i;
      return true;
    }
  }
  main_ = saved_main;
  child_ = saved_child;
  return false;
}

bool XmlDoc::EnterChild() {
  if (main_ == 0) return false;
  parent_ = main_;
  main_ = child_;
  child_ = 0;
  return true;
}

bool XmlDoc::LeaveChild() {
  if (parent_ == 0) return false;
  child_ = main_;
  main_ = parent_;
  parent_ = elems_[parent_].parent;
  return true;
}

std::wstring XmlDoc::GetText() const {
  if (main_ == 0) return {};
  const Elem& e = elems_[main_];
  const size_t begin = e.start + e.start_tag_len;
  const size_t end = e.start + e.length - e.end_tag_len;
  if (end <= begin || end > doc_.size()) return {};
  // Nodes are read within the content only.
  const std::wstring_view doc = std::wstring_view(doc_).substr(0, end);
  const std::wstring_view content = doc.substr(begin);
  if (content.find(L'<') == npos) return Unescape(content);

  std::wstring text;
  size_t child = e.child;
  size_t pos = begin;
  while (pos < end) {
    while (child != 0 && elems_[child].start < pos) child = elems_[child].next;
    if (child != 0 && elems_[child].start == pos) {
      pos += elems_[child].length > 0 ? elems_[child].length : 1;
      child = elems_[child].next;
      continue;
    }
    const Node node = ReadNode(doc, pos);
    if (node.kind == NodeKind::kEnd) break;
    if (node.kind == NodeKind::kText) {
      text += Unescape(doc.substr(node.start, node.end - node.start));
    } else if (node.kind == NodeKind::kCData) {
      text += doc.substr(node.data_start, node.data_end - node.data_start);
    }
    pos = node.end > pos ? node.end : pos + 1;
  }
  return text;
}

std::wstring XmlDoc::GetAttr(std::wstring_view name) const {
  if (main_ == 0 || name.empty()) return {};
  const Elem& e = elems_[main_];
  if (e.start >= doc_.size()) return {};
  // Without the closing ">" (or "/>" of an empty element), which belong to no value.
  const size_t closing = (e.flags & kEmpty) ? 2 : 1;
  const std::wstring_view tag =
      std::wstring_view(doc_).substr(e.start, e.start_tag_len > closing ? e.start_tag_len - closing : 0);
  size_t i = TagNameEnd(tag, 1);
  while (i < tag.size()) {
    if (EndsAttrName(tag[i])) {  // white space and stray "=", "/", "?", ">"
      ++i;
      continue;
    }
    const size_t name_start = i;
    while (i < tag.size() && !EndsAttrName(tag[i])) ++i;
    const std::wstring_view attr = tag.substr(name_start, i - name_start);

    std::wstring_view value;
    size_t j = i;
    while (j < tag.size() && IsSpace(tag[j])) ++j;
    if (j < tag.size() && tag[j] == L'=') {
      ++j;
      while (j < tag.size() && IsSpace(tag[j])) ++j;
      if (j < tag.size() && IsQuote(tag[j])) {
        const size_t close = tag.find(tag[j], j + 1);
        const size_t value_end = close == npos ? tag.size() : close;
        value = tag.substr(j + 1, value_end - j - 1);
        i = value_end + 1;
      } else {
        const size_t value_start = j;
        while (j < tag.size() && !IsSpace(tag[j]) && tag[j] != L'>') ++j;
        value = tag.substr(value_start, j - value_start);
        i = j;
      }
    } else {
      i = j;
    }
    if (attr == name) return Unescape(value);
  }
  return {};
}

bool XmlDoc::AppendElem(std::wstring_view name, std::wstring_view text) {
  if (elems_.empty()) {
    if (!doc_.empty()) Parse();  // text read by ReadFile and not parsed yet
    if (elems_.empty()) {
      Elem document;
      document.length = doc_.size();
      elems_.push_back(document);
    }
  }

  std::wstring elem = L"<" + std::wstring(name);
  Elem added;
  if (text.empty()) {
    elem += L"/>";
    added.flags = kEmpty;
    added.start_tag_len = elem.size();
  } else {
    elem += L">";
    added.start_tag_len = elem.size();
    elem += Escape(text);
    elem += L"</" + std::wstring(name) + L">";
    added.end_tag_len = name.size() + 3;
  }
  added.length = elem.size();
  elem += L"\r\n";

  const size_t parent = parent_;
  if (main_ == 0 && parent != 0 && (elems_[parent].flags & kEmpty)) {
    // <name/> becomes <name>, CR LF, the new element, </name>.
    const std::wstring parent_name(TagName(parent));
    const std::wstring insert = L">\r\n" + elem + L"</" + parent_name;
    const size_t slash = elems_[parent].start + elems_[parent].start_tag_len - 2;
    doc_.replace(slash, 1, insert);
    const size_t grow = insert.size() - 1;
    Shift(slash + 1, grow, elems_[parent].parent);
    Elem& p = elems_[parent];
    p.flags &= ~kEmpty;
    p.start_tag_len -= 1;
    p.end_tag_len = parent_name.size() + 3;
    p.length += grow;
    added.start = slash + 3;
  } else {
    const Elem& anchor = elems_[main_ != 0 ? main_ : parent];
    const size_t after = main_ != 0 ? anchor.start + anchor.length : anchor.start + anchor.length - anchor.end_tag_len;
    const size_t pos = SkipBlankBeforeMarkup(doc_, after);
    doc_.insert(pos, elem);
    Shift(pos, elem.size(), parent);
    added.start = pos;
  }

  elems_.push_back(added);
  const size_t index = elems_.size() - 1;
  if (main_ != 0) {
    LinkAfter(main_, index);
  } else {
    LinkLast(parent, index);
  }
  main_ = index;
  child_ = 0;
  return true;
}

bool ReadChildText(XmlDoc& doc, std::wstring_view name, std::wstring& out) {
  doc.ResetChild();
  if (!doc.FindChild(name)) return false;
  doc.EnterChild();
  out = doc.GetText();
  doc.LeaveChild();
  return true;
}
