// The skin package as the build makes it: its members and how each is packed, every
// image at its size, and every layout document whole: the window size, fonts that
// exist for each font id, images that exist for each image attribute (except the seven
// the companion check box and the language combo name without the package having
// them), and control names that the program can find without ambiguity.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "ui/framework/core/image_descriptor.h"
#include "ui/framework/core/inline_markup.h"
#include "ui/framework/core/layout_xml.h"
#include "ui/framework/core/values.h"
#include "ui/framework/zip/zip_archive.h"

using uifw::XmlElement;
using uifw::ZipArchive;

namespace {

struct Size {
  int width, height;
  bool operator==(const Size&) const = default;
};

const std::map<std::string, Size> kImages = {
    {"banner.png", {640, 340}},
    {"btn_normal.png", {108, 40}},         {"btn_hot.png", {108, 40}},
    {"btn_pushed.png", {108, 40}},         {"btn_disabled.png", {108, 40}},
    {"btn1_normal.png", {99, 32}},         {"btn1_hot.png", {99, 32}},
    {"btn1_pushed.png", {99, 32}},         {"btn1_disabled.png", {99, 32}},
    {"btn2_normal.png", {99, 32}},         {"btn2_hot.png", {99, 32}},
    {"btn2_pushed.png", {99, 32}},         {"btn2_disabled.png", {99, 32}},
    {"close_normal.png", {24, 24}},        {"close_hot.png", {24, 24}},
    {"close_pushed.png", {24, 24}},        {"close_disabled.png", {24, 24}},
    {"minimal_normal.png", {24, 24}},      {"minimal_hot.png", {24, 24}},
    {"minimal_pushed.png", {24, 24}},      {"minimal_disabled.png", {24, 24}},
    {"folder_normal.png", {24, 24}},       {"folder_hot.png", {24, 24}},
    {"folder_pushed.png", {24, 24}},       {"folder_disabled.png", {24, 24}},
    {"cbx_normal.png", {16, 16}},          {"cbx_hot.png", {16, 16}},
    {"cbx_checked.png", {16, 16}},         {"cbx_checked_hot.png", {16, 16}},
    {"tips_close_normal.png", {14, 14}},   {"tips_close_pressed.png", {14, 14}},
    {"close_pressed.png", {14, 14}},
    {"warn.png", {56, 56}},                {"success.png", {56, 56}},
    {"info_bg_warning.png", {40, 40}},     {"folder_bk.png", {40, 32}},
    {"progress_background.png", {24, 6}},  {"progress_fore.png", {24, 6}},
    {"down.png", {8, 8}},                  {"up.png", {8, 8}},
};

const std::map<std::string, Size> kLayouts = {
    {"skin.xml", {600, 400}},       {"mask.xml", {600, 330}},      {"messagebox.xml", {248, 248}},
    {"privacybox.xml", {248, 264}}, {"redeembox.xml", {288, 344}}, {"selectfolder.xml", {320, 200}},
};

// Named by skin.xml, deliberately absent: those controls show no images.
const std::set<std::wstring> kAbsentImages = {
    L"checkboxoff-normal.png", L"checkboxoff-hover.png", L"checkboxon-normal.png", L"checkboxon-hover.png",
    L"dn_cb_normal.png",       L"dn_cb_hover.png",       L"dn_cb_pressed.png",
};

const std::set<std::wstring> kImageAttributes = {
    L"bkimage",       L"normalimage",   L"hotimage",         L"pushedimage", L"disabledimage",
    L"selectedimage", L"selectedhotimage", L"foreimage",     L"layeredimage",
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Width and height from a PNG's IHDR chunk, or nothing when the bytes are no PNG.
std::optional<Size> PngSize(const std::string& png) {
  if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || png.compare(12, 4, "IHDR") != 0) {
    return std::nullopt;
  }
  const auto be32 = [&](size_t at) {
    return static_cast<int>(static_cast<unsigned char>(png[at]) << 24 | static_cast<unsigned char>(png[at + 1]) << 16 |
                            static_cast<unsigned char>(png[at + 2]) << 8 | static_cast<unsigned char>(png[at + 3]));
  };
  return Size{be32(16), be32(20)};
}

std::string Narrow(std::wstring_view w) { return std::string(w.begin(), w.end()); }

void Walk(const XmlElement& e, const std::function<void(const XmlElement&)>& visit) {
  visit(e);
  for (const XmlElement& child : e.children) Walk(child, visit);
}

class SkinPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* path = std::getenv("ORB_SKIN_ZIP");
    ASSERT_NE(path, nullptr) << "ORB_SKIN_ZIP names the built package";
    std::string error;
    archive_ = new std::optional<ZipArchive>(ZipArchive::Open(ReadAll(path), &error));
    ASSERT_TRUE(archive_->has_value()) << error;
  }
  static void TearDownTestSuite() {
    delete archive_;
    archive_ = nullptr;
  }

  const ZipArchive& zip() const { return **archive_; }
  std::string Member(const std::string& name) const {
    std::string error;
    const std::optional<std::string> bytes = zip().Read(name, &error);
    EXPECT_TRUE(bytes) << name << ": " << error;
    return bytes.value_or("");
  }
  XmlElement Layout(const std::string& name) const {
    std::string error;
    std::optional<XmlElement> root = uifw::ParseLayoutXml(Member(name), &error);
    EXPECT_TRUE(root) << name << ": " << error;
    return root.value_or(XmlElement{});
  }

  static std::optional<ZipArchive>* archive_;
};

std::optional<ZipArchive>* SkinPackage::archive_ = nullptr;

}  // namespace

TEST_F(SkinPackage, HoldsTheSixLayoutsAndFortyImagesPackedAsStated) {
  std::set<std::string> names;
  for (const ZipArchive::Member& m : zip().Members()) {
    names.insert(m.name);
    EXPECT_EQ(m.name.find('/'), std::string::npos) << m.name << ": no folders inside the package";
    const bool deflated = m.name.ends_with(".xml") || m.name == "banner.png";
    EXPECT_EQ(m.method, deflated ? 8 : 0) << m.name;
  }
  std::set<std::string> expected;
  for (const auto& [name, size] : kImages) expected.insert(name);
  for (const auto& [name, size] : kLayouts) expected.insert(name);
  EXPECT_EQ(zip().Members().size(), 46u);
  EXPECT_EQ(names, expected);
}

TEST_F(SkinPackage, EveryImageHasItsSize) {
  for (const auto& [name, size] : kImages) {
    const std::optional<Size> actual = PngSize(Member(name));
    ASSERT_TRUE(actual) << name << " is no PNG";
    EXPECT_EQ(*actual, size) << name << " is " << actual->width << "x" << actual->height;
  }
}

TEST_F(SkinPackage, EveryLayoutIsAWindowOfItsSizeAroundLayMain) {
  for (const auto& [name, size] : kLayouts) {
    const XmlElement root = Layout(name);
    ASSERT_EQ(root.name, L"Window") << name;
    const std::wstring* value = root.Attribute(L"size");
    ASSERT_NE(value, nullptr) << name;
    const uifw::UiSize parsed = uifw::ParseSize(*value);
    EXPECT_EQ((Size{parsed.cx, parsed.cy}), size) << name;
    EXPECT_EQ(*root.Attribute(L"bktrans"), L"false") << name;
    // Fonts first, then the one root control.
    ASSERT_FALSE(root.children.empty()) << name;
    const XmlElement& control = root.children.back();
    EXPECT_EQ(control.name, L"VerticalLayout") << name;
    ASSERT_NE(control.Attribute(L"name"), nullptr) << name;
    EXPECT_EQ(*control.Attribute(L"name"), L"lay_main") << name;
    for (size_t i = 0; i + 1 < root.children.size(); ++i) EXPECT_EQ(root.children[i].name, L"Font") << name;
  }
}

TEST_F(SkinPackage, FontIdsImagesAndNamesResolveInEachDocument) {
  for (const auto& [name, size] : kLayouts) {
    const XmlElement root = Layout(name);
    std::set<int> fonts;
    for (const XmlElement& e : root.children) {
      if (e.name != L"Font") continue;
      fonts.insert(uifw::ParseInt(*e.Attribute(L"id")));
      EXPECT_EQ(*e.Attribute(L"name"), L"Segoe UI") << name;
    }
    std::set<std::wstring> control_names;
    Walk(root.children.back(), [&](const XmlElement& e) {
      for (const uifw::XmlAttribute& a : e.attributes) {
        const std::string where = name + " " + Narrow(a.name) + "=\"" + Narrow(a.value) + "\"";
        if (a.name == L"font") {
          EXPECT_TRUE(fonts.count(uifw::ParseInt(a.value))) << where;
        } else if (a.name == L"text") {
          for (const uifw::MarkupRun& run : uifw::ParseInlineMarkup(a.value)) {
            if (run.font >= 0) {
              EXPECT_TRUE(fonts.count(run.font)) << where;
            }
          }
        } else if (kImageAttributes.count(a.name) && !a.value.empty()) {
          const uifw::ImageDescriptor d = uifw::ParseImageDescriptor(a.value);
          if (!d.res.empty()) {
            EXPECT_EQ(d.res, L"136") << where;
            EXPECT_EQ(d.restype, L"PNG") << where;
          } else if (!kAbsentImages.count(d.file)) {
            EXPECT_TRUE(zip().Contains(Narrow(d.file))) << where;
          }
        } else if (a.name == L"name") {
          EXPECT_TRUE(control_names.insert(a.value).second) << where << " twice";
        }
      }
    });
  }
}

TEST_F(SkinPackage, RedeemBoxWritesItsErrorTipWithABlankAfterTheBracket) {
  EXPECT_NE(Member("redeembox.xml").find("< Label name=\"lbl_error_tip\""), std::string::npos);
}
