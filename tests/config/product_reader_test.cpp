// The product document reader: fields, defaults, package groups per machine, dependents,
// the clipboard rule and the install-folder helpers.
#include "config/product_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/xml_doc.h"
#include "common/xml_utf.h"
#include "tests/support/temp_dir.h"

namespace {

std::wstring ShippedDocument() {
  const char* const source = std::getenv("ORB_SOURCE_DIR");
  if (!source) return {};
  return XmlUtf8ToWide(orbtest::TempDir::read(std::string(source) + "/resources/product.xml"));
}

ProductConfig Read(const std::wstring& text, MachineKind machine = {true, false}) {
  XmlDoc doc(text);
  ProductConfig config;
  EXPECT_TRUE(EnterProduct(doc)) << std::string(text.begin(), text.end());
  ReadProductFields(doc, machine, config);
  ReadDependentItems(doc, config);
  return config;
}

std::wstring Product(const std::wstring& children) { return L"<Product>" + children + L"</Product>"; }

}  // namespace

TEST(ProductReader, ShippedDocumentHoldsTheShippedValues) {
  const std::wstring text = ShippedDocument();
  ASSERT_FALSE(text.empty()) << "set ORB_SOURCE_DIR";
  const ProductConfig c = Read(text);
  EXPECT_EQ(c.ProductSkin, L"blue");
  EXPECT_EQ(c.ProductID, L"1901");
  EXPECT_EQ(c.ProductBrand, L"Korvane");
  EXPECT_EQ(c.ProductName, L"Korvane Lumetra");
  EXPECT_EQ(c.InstallTime, L"240");
  EXPECT_EQ(c.AgreeUserLicense, L"1");
  EXPECT_EQ(c.CustomInstallPath, L"%localappdata%");
  EXPECT_EQ(c.IsAllowInstallAdminPath, L"1");
  EXPECT_EQ(c.AllowRunTimeInstall, L"0");
  EXPECT_EQ(c.FoldBottom, L"1");
  EXPECT_TRUE(c.AppID.empty());
  EXPECT_EQ(c.ServerHost.back(), L'/');
  EXPECT_TRUE(c.dependents.empty());
  // The Russian name starts with the Latin P, as the language list spells it.
  EXPECT_NE(c.Languages.find(L"P\u0443\u0441\u0441\u043A\u0438\u0439"), std::wstring::npos);
  for (const std::wstring* url : {&c.ServerHost, &c.Url_License, &c.Downurl.Url, &c.Downurl_x64.Url, &c.Dotneturl,
                                  &c.Installurl.Url, &c.UserAgreementUrl, &c.PrivacyAgreementUrl, &c.BannerImg}) {
    EXPECT_NE(url->find(L".example/"), std::wstring::npos) << std::string(url->begin(), url->end());
  }
}

TEST(ProductReader, PackageGroupsFollowTheMachine) {
  const std::wstring groups = Product(
      L"<Downurl><OnlyUseLocalUrl>1</OnlyUseLocalUrl><Url_Down>x86</Url_Down></Downurl>"
      L"<Downurl_x64><OnlyUseLocalUrl>2</OnlyUseLocalUrl><Url_Down>x64</Url_Down></Downurl_x64>"
      L"<Downurl_arm64><OnlyUseLocalUrl>3</OnlyUseLocalUrl><Url_Down>arm</Url_Down></Downurl_arm64>"
      L"<Installurl><OnlyUseLocalUrl>4</OnlyUseLocalUrl><Url_Install>page</Url_Install></Installurl>");
  struct Case {
    MachineKind machine;
    const wchar_t* x64;
    const wchar_t* arm64;
  };
  for (const Case& k : {Case{{false, false}, L"", L""}, Case{{false, true}, L"", L""}, Case{{true, false}, L"x64", L""},
                        Case{{true, true}, L"x64", L"arm"}}) {
    const ProductConfig c = Read(groups, k.machine);
    EXPECT_EQ(c.Downurl.Url, L"x86");
    EXPECT_EQ(c.Downurl.OnlyUseLocalUrl, L"1");
    EXPECT_EQ(c.Downurl_x64.Url, k.x64);
    EXPECT_EQ(c.Downurl_arm64.Url, k.arm64);
    EXPECT_EQ(c.Installurl.Url, L"page");
    EXPECT_EQ(c.Installurl.OnlyUseLocalUrl, L"4");
  }
}

TEST(ProductReader, DefaultsAndTheirExceptions) {
  struct Case {
    std::wstring children;
    std::wstring server_host, license, fold_bottom;
  };
  const std::wstring host{kDefaultServerHost};
  const std::wstring license{kDefaultLicenseUrl};
  const std::vector<Case> cases = {
      {L"", host, license, L"1"},
      {L"<ServerHost>https://a.example</ServerHost>", L"https://a.example/", license, L"1"},
      {L"<ServerHost>https://a.example/</ServerHost>", L"https://a.example/", license, L"1"},
      {L"<ServerHost>https://a.example/x/y</ServerHost>", L"https://a.example/x/y/", license, L"1"},
      {L"<Url_License/><FoldBottom/>", host, license, L""},
      {L"<Url_License>https://l.example/</Url_License><FoldBottom>0</FoldBottom>", host, L"https://l.example/", L"0"},
      {L"<FoldBottom><![CDATA[a<b]]></FoldBottom>", host, license, L"a<b"},
  };
  for (const Case& k : cases) {
    const ProductConfig c = Read(Product(k.children));
    EXPECT_EQ(c.ServerHost, k.server_host);
    EXPECT_EQ(c.Url_License, k.license);
    EXPECT_EQ(c.FoldBottom, k.fold_bottom);
  }
}

TEST(ProductReader, WithoutProductElementNothingIsRead) {
  for (const wchar_t* text : {L"<Config><ProductID>1</ProductID></Config>", L"", L"<Config><Product/></Config>"}) {
    XmlDoc doc(text);
    EXPECT_FALSE(EnterProduct(doc)) << text;
  }
}

TEST(ProductReader, DependentItemsNeedAnIdAndAPackage) {
  const ProductConfig c = Read(Product(
      L"<Dependent>"
      L"<item><ProductID>11</ProductID><Url_Down>a</Url_Down></item>"
      L"<item><Url_Down>no-id</Url_Down></item>"
      L"<item><ProductID>12</ProductID></item>"
      L"<item><ProductID>13</ProductID><Url_Down_arm64>c</Url_Down_arm64><ForceInstall>false</ForceInstall>"
      L"<ForkInstall>1</ForkInstall><ProductName>N</ProductName><ProductExe>e.exe</ProductExe>"
      L"<ProductArg>-a</ProductArg><ProductInstallArg>-i</ProductInstallArg><ProductInsCmple>done</ProductInsCmple></item>"
      L"<item><ProductID>14</ProductID><Url_Downx64>b</Url_Downx64></item>"
      L"</Dependent>"));
  ASSERT_EQ(c.dependents.size(), 3u);
  EXPECT_EQ(c.dependents[0].ProductID, L"11");
  EXPECT_EQ(c.dependents[0].ForceInstall, L"true");
  const DependentItem& full = c.dependents[1];
  EXPECT_EQ(full.ProductID, L"13");
  EXPECT_EQ(full.ForceInstall, L"false");
  EXPECT_EQ(full.ForkInstall, L"1");
  EXPECT_EQ(full.ProductName, L"N");
  EXPECT_EQ(full.ProductExe, L"e.exe");
  EXPECT_EQ(full.ProductArg, L"-a");
  EXPECT_EQ(full.ProductInstallArg, L"-i");
  EXPECT_EQ(full.ProductInsCmple, L"done");
  EXPECT_EQ(full.Url_Down_arm64, L"c");
  EXPECT_TRUE(full.md5.empty());
  EXPECT_EQ(c.dependents[2].Url_Downx64, L"b");
}

TEST(ProductReader, AddedDependentsAreReportedInOrder) {
  XmlDoc doc(Product(L"<Dependent><item><ProductID>7</ProductID><Url_Down>a</Url_Down></item>"
                     L"<item><ProductID>8</ProductID></item>"
                     L"<item><ProductID>9</ProductID><Url_Down>b</Url_Down></item></Dependent>"));
  ASSERT_TRUE(EnterProduct(doc));
  ProductConfig config;
  std::vector<std::wstring> seen;
  ReadDependentItems(doc, config, [&](const DependentItem& item) { seen.push_back(item.ProductID); });
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"7", L"9"}));
}

TEST(ProductReader, ClipboardGroup) {
  struct Case {
    const wchar_t* children;
    bool enabled;
    const wchar_t* keyword;
  };
  for (const Case& k : {Case{L"", false, L""}, Case{L"<Clipboard><Access>0</Access><Keyword>k</Keyword></Clipboard>", false, L""},
                        Case{L"<Clipboard><Access>1</Access><Keyword>k</Keyword></Clipboard>", true, L"k"},
                        Case{L"<Clipboard><Access>1</Access></Clipboard>", true, L""}}) {
    XmlDoc doc(Product(k.children));
    ASSERT_TRUE(EnterProduct(doc));
    const ClipboardRequest r = ReadClipboardRequest(doc);
    EXPECT_EQ(r.enabled, k.enabled) << k.children;
    EXPECT_EQ(r.keyword, k.keyword) << k.children;
  }
}

TEST(ProductReader, ClipboardTextMustStartWithTheKeywordAndBeSafe) {
  const ClipboardRequest abc{true, L"abc"};
  struct Case {
    ClipboardRequest request;
    std::string clipboard;
    std::wstring expected;
  };
  const std::vector<Case> cases = {
      {abc, "abcdef", L"abcdef"},
      {abc, "abc", L"abc"},
      {abc, "xabc", L""},
      {abc, "ab", L""},
      {abc, "", L""},
      {{true, L""}, "abcdef", L""},
      {{false, L"abc"}, "abcdef", L""},
      // Would add arguments to the installer's command line.
      {abc, "abc def", L""},
      {abc, "abc\"", L""},
      {abc, "abc'", L""},
      {abc, "abc/x", L""},
      {abc, "abc\\x", L""},
      {abc, "abc\tx", L""},
      {abc, "abc\r\nx", L""},
      {abc, "abc\x7f", L""},
      {abc, "abc" + std::string(253, 'z'), L"abc" + std::wstring(253, L'z')},
      {abc, "abc" + std::string(254, 'z'), L""},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(ClipboardTextFor(k.request, k.clipboard), k.expected) << k.clipboard;
  }
}

TEST(ProductReader, InstallFolderHelpers) {
  for (const wchar_t* token : {L"%localappdata%", L"%LocalAppData%", L"%LOCALAPPDATA%"}) EXPECT_TRUE(IsLocalAppDataToken(token));
  for (const wchar_t* other : {L"", L"%localappdata%\\x", L"C:\\", L"localappdata"}) EXPECT_FALSE(IsLocalAppDataToken(other));

  struct Case {
    const wchar_t* path;
    const wchar_t* brand;
    const wchar_t* root;
  };
  for (const Case& k : {Case{L"D:\\Apps\\Korvane\\Lumetra\\", L"Korvane", L"D:\\Apps\\"},
                        Case{L"D:\\Apps\\Korvane", L"Korvane", L"D:\\Apps\\"},
                        Case{L"D:\\KorvaneX\\Korvane\\x", L"Korvane", L"D:\\KorvaneX\\"},
                        Case{L"D:\\Apps\\KorvaneX\\x", L"Korvane", L""},
                        Case{L"D:\\Apps\\x", L"Korvane", L""},
                        Case{L"D:\\Apps\\Korvane\\x", L"", L""},
                        Case{L"", L"Korvane", L""}}) {
    EXPECT_EQ(InstallRootBeforeBrand(k.path, k.brand), k.root) << k.path;
  }
}

TEST(ProductReader, DecimalPrefix) {
  struct Case {
    const wchar_t* text;
    std::uint32_t value;
  };
  for (const Case& k : {Case{L"1901", 1901}, Case{L"", 0}, Case{L"x1", 0}, Case{L"12ab", 12}, Case{L"2147483647", 2147483647u},
                        Case{L"99999999999", 999999999u}}) {
    EXPECT_EQ(DecimalPrefix(k.text), k.value) << k.text;
  }
}
