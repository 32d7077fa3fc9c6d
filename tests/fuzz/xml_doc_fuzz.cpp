// XmlDoc over arbitrary text: parse, walk every element, append one, walk again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/xml_doc.h"
#include "common/xml_utf.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Visit {
  std::wstring attrs;  // the values of a few attribute names
  bool operator==(const Visit&) const = default;
};

Visit Inspect(const XmlDoc& doc) {
  const std::wstring text = doc.GetText();
  Check(text.size() <= doc.GetDoc().size());
  Visit visit;
  for (const std::wstring_view name : {L"a", L"id", L"x", L"b"}) {
    const std::wstring value = doc.GetAttr(name);
    Check(value.size() <= doc.GetDoc().size());
    visit.attrs += value;
    visit.attrs += L'\x1';
  }
  return visit;
}

// Depth-first over every element, with the cursor moves only.
std::vector<Visit> Walk(XmlDoc& doc) {
  // Each element is visited once and every element has its own "<".
  const size_t most = static_cast<size_t>(std::count(doc.GetDoc().begin(), doc.GetDoc().end(), L'<')) + 1;
  std::vector<Visit> visits;
  doc.ResetTop();
  while (doc.FindSibling()) {
    visits.push_back(Inspect(doc));
    for (;;) {
      Check(visits.size() <= most);
      if (doc.FindChild()) {
        Check(doc.EnterChild());
        visits.push_back(Inspect(doc));
      } else if (!doc.LeaveChild()) {
        break;  // back at the top level
      }
    }
  }
  return visits;
}

void Exercise(std::wstring_view text) {
  XmlDoc doc(text);
  Check(doc.GetDoc() == text);
  const bool well_formed = doc.IsWellFormed();
  const std::vector<Visit> before = Walk(doc);
  Check(!well_formed || !before.empty());

  // Append somewhere inside: the deepest first child of the root.
  doc.ResetTop();
  doc.FindSibling();
  int depth = 0;
  while (depth < 3 && doc.FindChild() && doc.EnterChild()) ++depth;
  bool inside = depth > 0;
  if (text.size() % 2 == 1) {
    // As the last child instead, which splits an empty parent.
    doc.LeaveChild();
    doc.ResetChild();
    inside = doc.EnterChild();
  }
  const std::wstring value = L"v<&>" + std::wstring(text.substr(0, 8));
  Check(doc.AppendElem(L"n", value));
  Check(doc.GetText() == value);

  // Every old element keeps its attributes; the new one has none.
  const std::vector<Visit> after = Walk(doc);
  Check(after.size() == before.size() + 1);
  size_t at = 0;
  while (at < before.size() && before[at] == after[at]) ++at;
  Check(std::equal(before.begin() + at, before.end(), after.begin() + at + 1));

  // Appending into a well-formed tree keeps it well formed, and a fresh parse sees
  // the same elements.
  if (well_formed && inside) {
    XmlDoc again(doc.GetDoc());
    Check(again.IsWellFormed());
    Check(Walk(again) == after);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Exercise(XmlUtf8ToWide(bytes));

  std::wstring units;
  for (size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  Exercise(units);
  return 0;
}
