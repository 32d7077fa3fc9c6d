#pragma once
// A small non-validating XML document: the whole text as one wide string plus an index
// of element positions built in one pass. Reading moves a cursor (parent, main element,
// child) through the element tree; writing appends elements in place and keeps the
// index in step. Files are read and written as UTF-8.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class XmlDoc {
 public:
  XmlDoc();                                 // parses an empty text
  explicit XmlDoc(std::wstring_view text);  // same as SetText

  // Replaces the text, clears the result text and parses. Returns IsWellFormed().
  bool SetText(std::wstring_view text);
  // Parses the current text again. The first parse error is appended to whatever the
  // result text holds (after ", "), so the summary of ReadFile survives.
  bool Parse();
  const std::wstring& GetDoc() const { return doc_; }
  // An index exists, no parse error marked the text ill-formed, and there is exactly
  // one root element.
  bool IsWellFormed() const;

  // Reads the file as UTF-8 into the text without parsing it; until Parse or SetText
  // runs there is no index, so every cursor move fails. On failure the text is kept
  // and the result text is the system's error text.
  bool ReadFile(const std::wstring& path);
  // Writes the text as UTF-8 without a byte-order mark.
  bool WriteFile(const std::wstring& path);

  // Cursor moves. A failed move leaves the cursor as it was.
  bool ResetTop();
  bool ResetChild();
  // Next element after the main one (or the first one) under the parent; an empty
  // name matches any element. Becomes the main element; the child is cleared.
  bool FindSibling(std::wstring_view name = {});
  // Next child of the main element after the current child (or the first one).
  // Without a main element, first takes the first element under the parent.
  bool FindChild(std::wstring_view name = {});
  bool EnterChild();  // parent <- main, main <- child, child <- none
  bool LeaveChild();  // child <- main, main <- parent, parent <- its parent

  // Content of the main element, unescaped; child elements, comments, processing
  // instructions and white-space-only runs are left out, CDATA sections kept as is.
  std::wstring GetText() const;
  // Unescaped value of the main element's first attribute of that name; empty when
  // absent.
  std::wstring GetAttr(std::wstring_view name) const;

  // Adds <name>text</name> (or <name/> for an empty text) plus CR LF after the main
  // element, or as the parent's last child, and makes it the main element.
  bool AppendElem(std::wstring_view name, std::wstring_view text);

  // Summary of the last file operation and the first error of the last parse.
  const std::wstring& GetResult() const { return result_; }

 private:
  struct Elem {
    size_t start = 0;        // offset of the start tag's '<'
    size_t length = 0;       // start tag to end of end tag
    size_t start_tag_len = 0;
    size_t end_tag_len = 0;  // 0 for an empty or not-ended element
    size_t parent = 0;
    size_t child = 0;  // first child
    size_t next = 0;
    size_t prev = 0;  // for a first child: the last child
    unsigned flags = 0;
  };
  static constexpr unsigned kNotEnded = 1;  // closed implicitly, no end tag
  static constexpr unsigned kEmpty = 2;     // written as <name/>

  bool Matches(size_t elem, std::wstring_view name) const;
  std::wstring_view TagName(size_t elem) const;
  void LinkLast(size_t parent, size_t elem);
  void LinkAfter(size_t prev, size_t elem);
  void Shift(size_t from, size_t by, size_t first_ancestor);

  std::wstring doc_;
  std::wstring result_;
  std::vector<Elem> elems_;  // [0] is the document itself; empty: no index
  bool ill_formed_ = false;
  size_t parent_ = 0;
  size_t main_ = 0;
  size_t child_ = 0;
};

// Reads the text of the main element's first child called `name` into `out`; leaves
// `out` unchanged and returns false when there is none. Starts over from the first
// child, so the order of the children does not matter.
bool ReadChildText(XmlDoc& doc, std::wstring_view name, std::wstring& out);
