#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/xml_doc.h"
#include "common/xml_utf.h"
#include "tests/support/temp_dir.h"

namespace {

// A path as UTF-16 units on every build.
std::wstring Wide(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return XmlUtf8ToWide(std::string(utf8.begin(), utf8.end()));
}

// Texts of the elements under the current parent that follow the main element (all of
// them when there is none).
std::vector<std::wstring> SiblingTexts(XmlDoc& doc) {
  std::vector<std::wstring> texts;
  while (doc.FindSibling()) texts.push_back(doc.GetText());
  return texts;
}

struct ParseCase {
  std::wstring_view text;
  bool well_formed;
  std::wstring_view result;
};

TEST(XmlDocParseTest, WellFormednessAndFirstError) {
  const ParseCase cases[] = {
      {L"<a>x</a>", true, L""},
      {L"<?xml version=\"1.0\"?>\n<!-- c --><a b='1'><c/><d></d></a>\r\n", true, L""},
      {L"\xFEFF<a/>", true, L""},
      {L"<!DOCTYPE a [<!ENTITY e \"]>\"><!-- ] > -->]><a/>", true, L""},
      {L"<a><![CDATA[</a>]]></a>", true, L""},
      {L"<a x='</a>'></a>", true, L""},
      {L"", false, L"Empty document"},
      {L"<?xml version=\"1.0\"?>", false, L"No root element"},
      {L"<a/><b/>", false, L"Root element has sibling"},
      {L"<a><b></a>", false, L"End tag 'a' at offset 7 does not match start tag 'b' at offset 3"},
      {L"<a></b></a>", false, L"No start tag for end tag 'b' at offset 3"},
      {L"<a></b><c>", false, L"No start tag for end tag 'b' at offset 3"},
      {L"<a><b>", false, L"Element 'b' at offset 3 not ended"},
      {L"<a>< b</a>", false, L"Incorrect tag name character at offset 3"},
      {L"<a><!-x--></a>", false, L"Incorrect comment tag at offset 3"},
      {L"<a><![X[y]]></a>", false, L"Incorrect tag at offset 3"},
      {L"<a><!X></a>", false, L"Incorrect ! tag at offset 3"},
      {L"<a><!-- x</a>", false, L"Comment at offset 3 unterminated"},
      {L"<a><![CDATA[x</a>", false, L"CDATA Section at offset 3 unterminated"},
      {L"<a><?pi x</a>", false, L"Processing instruction at offset 3 unterminated"},
      {L"<a></a", false, L"Element end tag at offset 3 unterminated"},
      {L"<a><b x='>'", false, L"Element tag at offset 3 unterminated"},
      {L"<!DOCTYPE a [<!ENTITY x \"]>\">", false, L"Doctype at offset 0 unterminated"},
      {L"<a/><", false, L"tag at offset 4 unterminated"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "text: " << std::wstring(c.text));
    XmlDoc doc;
    EXPECT_EQ(doc.SetText(c.text), c.well_formed);
    EXPECT_EQ(doc.IsWellFormed(), c.well_formed);
    EXPECT_EQ(doc.GetResult(), c.result);
    EXPECT_EQ(doc.GetDoc(), c.text);
  }
}

TEST(XmlDocParseTest, UnendedElementsGiveUpTheirChildren) {
  XmlDoc doc(L"<r><a><b>t</b><c/></r>");
  EXPECT_FALSE(doc.IsWellFormed());
  EXPECT_EQ(doc.GetResult(), L"End tag 'r' at offset 19 does not match start tag 'a' at offset 3");
  ASSERT_TRUE(doc.FindSibling(L"r"));
  ASSERT_TRUE(doc.EnterChild());
  // a keeps only its start tag; b and c follow it under r.
  EXPECT_EQ(SiblingTexts(doc), (std::vector<std::wstring>{L"", L"t", L""}));
  EXPECT_FALSE(doc.FindChild());

  XmlDoc unended(L"<a><b><c>x</c>");
  EXPECT_EQ(unended.GetResult(), L"Element 'b' at offset 3 not ended");
  EXPECT_EQ(SiblingTexts(unended), (std::vector<std::wstring>{L"", L"", L"x"}));
}

TEST(XmlDocCursorTest, WalksChildrenAndFailedMovesKeepTheCursor) {
  XmlDoc doc(L"<list><item>1</item><other/><item>2</item><Item>3</Item></list>");
  ASSERT_TRUE(doc.IsWellFormed());
  EXPECT_FALSE(doc.LeaveChild());
  EXPECT_FALSE(doc.EnterChild());

  std::vector<std::wstring> items;
  while (doc.FindChild(L"item")) {
    ASSERT_TRUE(doc.EnterChild());
    items.push_back(doc.GetText());
    ASSERT_TRUE(doc.LeaveChild());
  }
  EXPECT_EQ(items, (std::vector<std::wstring>{L"1", L"2"}));  // matching is case-sensitive
  // The failed search left the child on the last item.
  ASSERT_TRUE(doc.EnterChild());
  EXPECT_EQ(doc.GetText(), L"2");
  EXPECT_FALSE(doc.FindSibling(L"item"));
  EXPECT_EQ(doc.GetText(), L"2");
  EXPECT_TRUE(doc.FindSibling(L"Item"));
  EXPECT_EQ(doc.GetText(), L"3");

  EXPECT_TRUE(doc.ResetTop());
  EXPECT_TRUE(doc.FindChild(L"other"));
  EXPECT_TRUE(doc.ResetChild());
  EXPECT_TRUE(doc.FindChild());
  ASSERT_TRUE(doc.EnterChild());
  EXPECT_EQ(doc.GetText(), L"1");

  XmlDoc empty;
  EXPECT_FALSE(empty.FindSibling());
  EXPECT_FALSE(empty.FindChild());
}

TEST(XmlDocCursorTest, WantedNameMayCarryATail) {
  XmlDoc doc(L"<r><ab/><a/></r>");
  ASSERT_TRUE(doc.FindSibling());
  for (const std::wstring_view name : {L"a", L"a ", L"a=", L"a/", L"a[", L"a]"}) {
    SCOPED_TRACE(testing::Message() << std::wstring(name));
    doc.ResetChild();
    ASSERT_TRUE(doc.FindChild(name));
    EXPECT_FALSE(doc.FindChild(name));  // <ab/> was skipped, <a/> found
  }
  doc.ResetChild();
  EXPECT_FALSE(doc.FindChild(L"a-"));
  EXPECT_FALSE(doc.FindChild(L"abc"));
}

TEST(XmlDocReadTest, ReadChildTextTakesTheFirstMatchInAnyOrder) {
  XmlDoc doc(L"<cfg><B>2</B><A>1</A><B>3</B></cfg>");
  ASSERT_TRUE(doc.FindSibling(L"cfg"));
  std::wstring a = L"x", b = L"x", missing = L"kept";
  EXPECT_TRUE(ReadChildText(doc, L"A", a));
  EXPECT_TRUE(ReadChildText(doc, L"B", b));
  EXPECT_FALSE(ReadChildText(doc, L"C", missing));
  EXPECT_EQ(a, L"1");
  EXPECT_EQ(b, L"2");
  EXPECT_EQ(missing, L"kept");

  // From the top, the first element is taken as the main one.
  doc.ResetTop();
  EXPECT_TRUE(ReadChildText(doc, L"A", a));
}

TEST(XmlDocReadTest, ElementText) {
  const std::pair<std::wstring_view, std::wstring_view> cases[] = {
      {L"<a>x &amp; y</a>", L"x & y"},
      {L"<a> <![CDATA[<u>]]> </a>", L"<u>"},
      {L"<a>&#x41;&#66;&foo;</a>", L"AB&foo;"},
      {L"<a>  keep  spaces\r\n</a>", L"  keep  spaces\r\n"},
      {L"<a>&lt;&gt;&apos;&quot;&amp;amp;</a>", L"<>'\"&amp;"},
      {L"<a>1<b>skipped</b>2<c/>3</a>", L"123"},
      {L"<a>x<!-- c -->y<?pi?>z</a>", L"xyz"},
      {L"<a>x <![CDATA[&amp;]]> &amp;</a>", L"x &amp; &"},
      {L"<a/>", L""},
      {L"<a></a>", L""},
      // A ";" at most six characters after "#" or "x"; the low 16 bits are kept.
      {L"<a>&#65535;|&#99999;|&#123456;</a>", L"\xFFFF|\x869F|&#123456;"},
      {L"<a>&#x1F600;|&#x10FFFF;|&#X41;</a>", L"\xF600|&#x10FFFF;|&#X41;"},
      {L"<a>&#0;|&#;|&#x;|&#65536;|&#4a;</a>", L"&#0;|&#;|&#x;|&#65536;|&#4a;"},
      {L"<a>&lt</a>", L"&lt"},
      {L"<a>a&amp</a>", L"a&amp"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(testing::Message() << std::wstring(text));
    XmlDoc doc(text);
    ASSERT_TRUE(doc.FindSibling());
    EXPECT_EQ(doc.GetText(), expected);
  }
  XmlDoc none(L"<a>x</a>");
  EXPECT_EQ(none.GetText(), L"");  // no main element
}

TEST(XmlDocReadTest, Attributes) {
  XmlDoc doc(L"<a x=\"1\" y='2>' z=3 w = \"4\" e=\"\" q=\"it's\" flag esc='&amp;&#65;' x=\"dup\" u=v/></a>");
  ASSERT_TRUE(doc.IsWellFormed()) << doc.GetResult();
  ASSERT_TRUE(doc.FindSibling());
  const std::pair<std::wstring_view, std::wstring_view> cases[] = {
      {L"x", L"1"},   {L"y", L"2>"},    {L"z", L"3"},        {L"w", L"4"},   {L"e", L""},
      {L"q", L"it's"}, {L"esc", L"&A"}, {L"flag", L""},      {L"u", L"v/"}, {L"missing", L""},
      {L"a", L""},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(testing::Message() << std::wstring(name));
    EXPECT_EQ(doc.GetAttr(name), expected);
  }
  // The "/" of an empty element is no part of a value.
  XmlDoc empty_elem(L"<a b='1' c= />");
  ASSERT_TRUE(empty_elem.IsWellFormed());
  ASSERT_TRUE(empty_elem.FindSibling());
  EXPECT_EQ(empty_elem.GetAttr(L"b"), L"1");
  EXPECT_EQ(empty_elem.GetAttr(L"c"), L"");
  EXPECT_EQ(XmlDoc(L"<a b='1'/>").GetAttr(L"b"), L"");  // no main element
}

constexpr std::wstring_view kDeclaration = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

TEST(XmlDocWriteTest, RunStateDocumentIsByteExact) {
  XmlDoc doc(kDeclaration);
  EXPECT_FALSE(doc.IsWellFormed());
  EXPECT_TRUE(doc.AppendElem(L"config", L""));
  EXPECT_TRUE(doc.EnterChild());
  EXPECT_TRUE(doc.AppendElem(L"A", L"1"));
  EXPECT_TRUE(doc.AppendElem(L"B", L""));
  EXPECT_TRUE(doc.LeaveChild());
  EXPECT_EQ(doc.GetDoc(), std::wstring(kDeclaration) + L"<config>\r\n<A>1</A>\r\n<B/>\r\n</config>\r\n");
  EXPECT_TRUE(doc.IsWellFormed());

  // The index follows the edits.
  std::wstring a, b;
  EXPECT_TRUE(ReadChildText(doc, L"A", a));
  EXPECT_TRUE(ReadChildText(doc, L"B", b));
  EXPECT_EQ(a, L"1");
  EXPECT_EQ(b, L"");
}

TEST(XmlDocWriteTest, AppendPlacesAndEscapes) {
  // After the main element, before the following one.
  XmlDoc doc(L"<r>\r\n  <a k='1'/>\r\n  <c k='3'>c</c>\r\n</r>");
  ASSERT_TRUE(doc.FindSibling());
  ASSERT_TRUE(doc.FindChild(L"a"));
  ASSERT_TRUE(doc.EnterChild());
  EXPECT_TRUE(doc.AppendElem(L"b", L"x<y&z>\"'"));
  EXPECT_EQ(doc.GetText(), L"x<y&z>\"'");
  EXPECT_EQ(doc.GetDoc(), L"<r>\r\n  <a k='1'/>\r\n  <b>x&lt;y&amp;z&gt;\"'</b>\r\n<c k='3'>c</c>\r\n</r>");
  EXPECT_TRUE(doc.FindSibling(L"c"));
  EXPECT_EQ(doc.GetAttr(L"k"), L"3");
  EXPECT_EQ(doc.GetText(), L"c");
  ASSERT_TRUE(doc.LeaveChild());
  // No main element under r: in front of r's end tag.
  ASSERT_TRUE(doc.ResetChild());
  ASSERT_TRUE(doc.EnterChild());
  EXPECT_TRUE(doc.AppendElem(L"d", L"4"));
  EXPECT_EQ(doc.GetDoc(),
            L"<r>\r\n  <a k='1'/>\r\n  <b>x&lt;y&amp;z&gt;\"'</b>\r\n<c k='3'>c</c>\r\n<d>4</d>\r\n</r>");
  EXPECT_TRUE(doc.ResetTop());
  EXPECT_TRUE(doc.FindSibling());
  EXPECT_TRUE(doc.EnterChild());
  EXPECT_EQ(SiblingTexts(doc), (std::vector<std::wstring>{L"", L"x<y&z>\"'", L"c", L"4"}));

  // A fresh parse of the edited text sees the same tree.
  XmlDoc again(doc.GetDoc());
  ASSERT_TRUE(again.IsWellFormed()) << again.GetResult();
  ASSERT_TRUE(again.FindSibling());
  ASSERT_TRUE(again.EnterChild());
  EXPECT_EQ(SiblingTexts(again), (std::vector<std::wstring>{L"", L"x<y&z>\"'", L"c", L"4"}));
}

TEST(XmlDocWriteTest, AppendIntoEmptyElementSplitsIt) {
  XmlDoc doc(L"<r><config a=\"1\"/><z/></r>");
  ASSERT_TRUE(doc.FindSibling());
  ASSERT_TRUE(doc.FindChild(L"config"));
  ASSERT_TRUE(doc.EnterChild());
  ASSERT_TRUE(doc.EnterChild());
  EXPECT_TRUE(doc.AppendElem(L"A", L"1"));
  EXPECT_EQ(doc.GetDoc(), L"<r><config a=\"1\">\r\n<A>1</A>\r\n</config><z/></r>");
  ASSERT_TRUE(doc.LeaveChild());
  EXPECT_EQ(doc.GetAttr(L"a"), L"1");
  EXPECT_EQ(doc.GetText(), L"");
  EXPECT_TRUE(doc.FindSibling(L"z"));
  EXPECT_TRUE(doc.AppendElem(L"w", L"2"));
  EXPECT_EQ(doc.GetDoc(), L"<r><config a=\"1\">\r\n<A>1</A>\r\n</config><z/><w>2</w>\r\n</r>");
  EXPECT_TRUE(doc.IsWellFormed());
}

TEST(XmlDocWriteTest, AppendToEmptyDocument) {
  XmlDoc doc;
  EXPECT_EQ(doc.GetResult(), L"Empty document");
  EXPECT_TRUE(doc.AppendElem(L"root", L"t"));
  EXPECT_EQ(doc.GetDoc(), L"<root>t</root>\r\n");
  EXPECT_TRUE(doc.IsWellFormed());
  EXPECT_EQ(doc.GetText(), L"t");
}

TEST(XmlDocFileTest, WriteThenReadRoundTrips) {
  orbtest::TempDir dir;
  const std::wstring path = Wide(dir.path() / "state.xml");
  // "é" is two bytes, "€" three and the surrogate pair four.
  const std::wstring text = std::wstring(kDeclaration) + L"<a>\xE9\x20AC" + XmlUtf8ToWide("\xF0\x9F\x98\x80") + L"</a>";
  ASSERT_EQ(text.size(), 50u);

  XmlDoc out(text);
  ASSERT_TRUE(out.WriteFile(path)) << out.GetResult();
  EXPECT_EQ(out.GetResult(), L"50 wide chars to 55 bytes");
  EXPECT_EQ(orbtest::TempDir::read(dir.path() / "state.xml"), XmlWideToUtf8(text));

  XmlDoc in;
  ASSERT_TRUE(in.ReadFile(path));
  EXPECT_EQ(in.GetResult(), L"55 bytes to 50 wide chars");
  EXPECT_EQ(in.GetDoc(), text);
  EXPECT_FALSE(in.FindSibling());  // not parsed yet
  EXPECT_TRUE(in.Parse());
  EXPECT_EQ(in.GetResult(), L"55 bytes to 50 wide chars");
  ASSERT_TRUE(in.FindSibling(L"a"));
  EXPECT_EQ(in.GetText(), text.substr(42, 4));
}

TEST(XmlDocFileTest, ParseErrorFollowsTheReadSummary) {
  orbtest::TempDir dir;
  dir.write("bad.xml", "\xEF\xBB\xBF<a><b></a>");
  XmlDoc doc;
  ASSERT_TRUE(doc.ReadFile(Wide(dir.path() / "bad.xml")));
  EXPECT_FALSE(doc.Parse());
  EXPECT_EQ(doc.GetResult(),
            L"13 bytes to 11 wide chars, End tag 'a' at offset 8 does not match start tag 'b' at offset 4");
  // SetText starts a fresh result.
  EXPECT_FALSE(doc.SetText(doc.GetDoc()));
  EXPECT_EQ(doc.GetResult(), L"End tag 'a' at offset 8 does not match start tag 'b' at offset 4");
}

TEST(XmlDocFileTest, FailuresReportTheSystemText) {
  orbtest::TempDir dir;
  const std::wstring missing = Wide(dir.path() / "no-such-folder" / "file.xml");

  XmlDoc doc(L"<a/>");
  EXPECT_FALSE(doc.ReadFile(missing));
  EXPECT_FALSE(doc.GetResult().empty());
  EXPECT_EQ(doc.GetResult().find_first_of(L"\r\n"), std::wstring::npos);
  EXPECT_EQ(doc.GetDoc(), L"<a/>");  // the text and its index stay
  EXPECT_TRUE(doc.FindSibling(L"a"));

  EXPECT_FALSE(doc.WriteFile(missing));
  EXPECT_FALSE(doc.GetResult().empty());
  EXPECT_EQ(doc.GetResult().find_first_of(L"\r\n"), std::wstring::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

TEST(XmlDocFileTest, EmptyDocumentWritesEmptyFile) {
  orbtest::TempDir dir;
  const auto file = dir.write("old.xml", "old content");
  XmlDoc doc;
  ASSERT_TRUE(doc.WriteFile(Wide(file)));
  EXPECT_EQ(doc.GetResult(), L"0 wide chars to 0 bytes");
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
  ASSERT_TRUE(doc.ReadFile(Wide(file)));
  EXPECT_EQ(doc.GetResult(), L"0 bytes to 0 wide chars");
}

}  // namespace
