// The layout document reader: the tree, attribute order, the accepted oddities of the
// skin's documents and the refusal of documents that are not well formed.
#include <gtest/gtest.h>

#include <string>

#include "ui/framework/core/layout_xml.h"

using uifw::ParseLayoutXml;
using uifw::XmlElement;

TEST(LayoutXml, ReadsTheTreeWithAttributesInDocumentOrder) {
  const std::string doc =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<!-- skin -->\n"
      "<!DOCTYPE Window [ <!ELEMENT Window ANY> ]>\n"
      "<Window size=\"600,400\" caption='0,0,0,0'>\n"
      "  <Font id=\"1\" name=\"Segoe UI\" size=\"12\" default=\"true\"/>\n"
      "  <VerticalLayout name=\"lay_main\">text is dropped<![CDATA[<Label/>]]>\n"
      "    <Label name=\"a\" text=\"first\" text=\"second\" />\n"
      "    < Label name=\"lbl_error_tip\" text=\"&lt;&amp;&gt;&quot;&apos;&#65;&#x42;&nbsp;\xE5\x8A\xA0\"/>\n"
      "  </VerticalLayout >\n"
      "</Window>\n";
  std::string error;
  const auto root = ParseLayoutXml(doc, &error);
  ASSERT_TRUE(root) << error;
  EXPECT_EQ(root->name, L"Window");
  ASSERT_EQ(root->attributes.size(), 2u);
  EXPECT_EQ(root->attributes[1].name, L"caption");
  EXPECT_EQ(root->attributes[1].value, L"0,0,0,0");
  ASSERT_EQ(root->children.size(), 2u);
  EXPECT_EQ(root->children[0].name, L"Font");
  const XmlElement& layout = root->children[1];
  ASSERT_EQ(layout.children.size(), 2u);
  const XmlElement& a = layout.children[0];
  ASSERT_EQ(a.attributes.size(), 3u);
  EXPECT_EQ(a.attributes[1].value, L"first");
  EXPECT_EQ(*a.Attribute(L"text"), L"second");  // the later one wins
  EXPECT_EQ(a.Attribute(L"missing"), nullptr);
  const XmlElement& tip = layout.children[1];
  EXPECT_EQ(tip.name, L"Label");
  EXPECT_EQ(*tip.Attribute(L"name"), L"lbl_error_tip");
  EXPECT_EQ(*tip.Attribute(L"text"), L"<&>\"'AB&nbsp;\x52A0");
}

TEST(LayoutXml, ReadsUtf16WithByteOrderMark) {
  const std::wstring text = L"<Window><Label text=\"\x52A0\x8F7D\"/></Window>";
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : text) {
    bytes += static_cast<char>(c & 0xff);
    bytes += static_cast<char>(c >> 8 & 0xff);
  }
  const auto root = ParseLayoutXml(bytes);
  ASSERT_TRUE(root);
  EXPECT_EQ(*root->children.at(0).Attribute(L"text"), L"\x52A0\x8F7D");
}

TEST(LayoutXml, RefusesDocumentsThatAreNotWellFormed) {
  const char* const bad[] = {
      "",
      "<?xml version=\"1.0\"?>",
      "<Window>",
      "<Window></Windows>",
      "<Window><Label></Window>",
      "<Window/><Window/>",
      "<Window a=\"1\" b></Window>",
      "<Window a=1></Window>",
      "<Window a=\"1></Window>",
      "<Window><!-- open </Window>",
      "<Window><Label name=\"x\"</Window>",
      "< ></Window>",
      "</Window>",
      "<Window><![CDATA[ never closed </Window>",
  };
  for (const char* doc : bad) {
    std::string error;
    EXPECT_FALSE(ParseLayoutXml(doc, &error)) << doc;
    EXPECT_FALSE(error.empty()) << doc;
  }
}

TEST(LayoutXml, RefusesNestingBeyondTheLimitAndAcceptsItUpToTheLimit) {
  const auto nested = [](size_t depth) {
    std::string doc;
    for (size_t i = 0; i < depth; ++i) doc += "<a>";
    for (size_t i = 0; i < depth; ++i) doc += "</a>";
    return doc;
  };
  EXPECT_TRUE(ParseLayoutXml(nested(uifw::kMaxLayoutDepth)));
  EXPECT_FALSE(ParseLayoutXml(nested(uifw::kMaxLayoutDepth + 1)));
  EXPECT_FALSE(ParseLayoutXml(nested(100000)));
}
