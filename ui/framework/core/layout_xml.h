#pragma once
// The reader of layout documents: a whole XML text into a tree of elements whose
// attributes keep their document order (a later attribute overrides an earlier one
// when they are applied). Text content is not needed by layouts and is dropped.
// Accepts blanks between "<" and the element name.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uifw {

struct XmlAttribute {
  std::wstring name;
  std::wstring value;  // unescaped
};

struct XmlElement {
  std::wstring name;
  std::vector<XmlAttribute> attributes;
  std::vector<XmlElement> children;

  // Value of the last attribute of that name (the one that wins), or null.
  const std::wstring* Attribute(std::wstring_view attribute) const;
};

// Deepest element nesting accepted; deeper documents are refused.
inline constexpr size_t kMaxLayoutDepth = 200;

// Parses UTF-8 bytes (a UTF-16LE text when they start with its byte-order mark).
// A document that is not well formed gives no tree and, when asked, a reason.
std::optional<XmlElement> ParseLayoutXml(std::string_view bytes, std::string* error = nullptr);
std::optional<XmlElement> ParseLayoutXmlText(std::wstring_view text, std::string* error = nullptr);

}  // namespace uifw
