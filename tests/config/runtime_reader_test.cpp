// The runtime reply reader and the request address: fields, bind merging, the banner's
// cache-busting query, the two address forms.
#include "config/runtime_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::int64_t kNow = 1700000000;

std::wstring Reply(const std::wstring& runtime, const std::wstring& bind = {}) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><kvrp><downloader>" + runtime + bind + L"</downloader></kvrp>";
}

DependentItem Dependent(const wchar_t* id, const wchar_t* url) {
  DependentItem item;
  item.ProductID = id;
  item.Url_Down = url;
  return item;
}

std::vector<std::wstring> Ids(const std::vector<DependentItem>& items) {
  std::vector<std::wstring> ids;
  for (const DependentItem& item : items) ids.push_back(item.ProductID);
  return ids;
}

ProductConfig ServiceProduct() {
  ProductConfig product;
  product.ServerHost = L"https://api.example/";
  product.ProductID = L"1901";
  product.SceneCode = L"s7";
  product.Downurl.Url = L"https://dl.example/pkgs/setup_full.exe";
  return product;
}

}  // namespace

TEST(RuntimeReader, ReadsEveryFieldByItsElementName) {
  // Each element holds its own name, so a field read from the wrong element shows.
  const std::vector<std::wstring> names = {
      L"name", L"version", L"process_name", L"install_url", L"download_url", L"download_url_with_framework",
      L"download_url_net", L"download_url_net_with_framework", L"download_url_x64", L"download_url_arm64",
      L"banner_url", L"oiap_url", L"md5", L"history_md5_32", L"md5_64", L"history_md5_64", L"md5_arm64",
      L"history_md5_arm64", L"filesize", L"netfx_minver", L"netfxlite_url", L"languages", L"Url_Jump",
      L"install_error_url", L"custom_install_path", L"is_allow_install_admin_path", L"user_agreement_url",
      L"privacy_agreement_url", L"not_support_win32"};
  std::wstring children;
  for (auto it = names.rbegin(); it != names.rend(); ++it) children += L"<" + *it + L">" + *it + L"</" + *it + L">";

  RuntimeConfig r;
  std::vector<DependentItem> dependents;
  const RuntimeReply reply = ReadRuntimeReply(Reply(L"<runtime>" + children + L"</runtime>"), kNow, r, dependents);
  EXPECT_TRUE(reply.downloader);
  EXPECT_TRUE(reply.runtime);
  const std::vector<std::wstring> got = {
      r.name, r.version, r.process_name, r.install_url, r.download_url, r.download_url_with_framework,
      r.download_url_net, r.download_url_net_with_framework, r.download_url_x64, r.download_url_arm64,
      r.banner_url, r.oiap_url, r.md5, r.history_md5_32, r.md5_64, r.history_md5_64, r.md5_arm64,
      r.history_md5_arm64, r.filesize, r.netfx_minver, r.netfxlite_url, r.languages, r.Url_Jump,
      r.install_error_url, r.custom_install_path, r.is_allow_install_admin_path, r.user_agreement_url,
      r.privacy_agreement_url, r.not_support_win32};
  std::vector<std::wstring> expected = names;
  expected[10] = L"banner_url?_t=1700000000";
  EXPECT_EQ(got, expected);
  EXPECT_EQ(JoinDigests(r), L"md5,history_md5_32,md5_64,history_md5_64,md5_arm64,history_md5_arm64");
}

TEST(RuntimeReader, ALaterReplyOverwritesOnlyWhatItCarries) {
  RuntimeConfig r;
  std::vector<DependentItem> dependents;
  ReadRuntimeReply(Reply(L"<runtime><version>1.0</version><md5>aa</md5><banner_url>http://b/x</banner_url></runtime>"),
                   kNow, r, dependents);
  ReadRuntimeReply(Reply(L"<runtime><version>2.0</version><md5_64>bb</md5_64></runtime>"), kNow + 5, r, dependents);
  EXPECT_EQ(r.version, L"2.0");
  EXPECT_EQ(r.md5, L"aa");
  EXPECT_EQ(r.md5_64, L"bb");
  // The kept banner address keeps its one query.
  EXPECT_EQ(r.banner_url, L"http://b/x?_t=1700000000");
  EXPECT_EQ(JoinDigests(r), L"aa,bb");
}

TEST(RuntimeReader, BannerAddressGetsACacheBustingQuery) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"<banner_url>http://b/page.html</banner_url>", L"http://b/page.html?_t=1700000000"},
      {L"<banner_url>http://b/page.html?lang=en</banner_url>", L"http://b/page.html?lang=en&_t=1700000000"},
      // An empty address would become a lone query and replace the configured banner.
      {L"<banner_url></banner_url>", L""},
      {L"", L""},
  };
  for (const auto& [element, expected] : cases) {
    RuntimeConfig r;
    std::vector<DependentItem> dependents;
    ReadRuntimeReply(Reply(L"<runtime>" + std::wstring(element) + L"</runtime>"), kNow, r, dependents);
    EXPECT_EQ(r.banner_url, expected) << element;
  }
}

TEST(RuntimeReader, BindItemsReplaceTheirNamesakeAndGoLast) {
  std::vector<DependentItem> dependents = {Dependent(L"1902", L"http://e/a.exe"), Dependent(L"1903", L"http://e/b.exe"),
                                           Dependent(L"1902", L"http://e/a2.exe")};
  const std::wstring bind =
      L"<bind>"
      L"<item><ProductID>1902</ProductID><Url_Downx64>http://s/a64.exe</Url_Downx64><md5>m1</md5>"
      L"<history_md5_64>h64</history_md5_64><filesize>123</filesize><ForkInstall>1</ForkInstall></item>"
      L"<item><ProductID>1905</ProductID></item>"
      L"<item><Url_Down>http://s/noid.exe</Url_Down></item>"
      L"<item><ProductID>1906</ProductID><Url_Down_arm64>http://s/c.exe</Url_Down_arm64>"
      L"<ForceInstall>false</ForceInstall><ProductArg>-x</ProductArg></item>"
      L"</bind>";
  std::vector<std::wstring> added;
  RuntimeConfig r;
  const RuntimeReply reply =
      ReadRuntimeReply(Reply({}, bind), kNow, r, dependents, [&](const DependentItem& item) { added.push_back(item.ProductID); });
  EXPECT_TRUE(reply.downloader);
  EXPECT_FALSE(reply.runtime);
  EXPECT_EQ(r, RuntimeConfig{});
  EXPECT_EQ(added, (std::vector<std::wstring>{L"1902", L"1906"}));
  // Only the first 1902 is replaced; the later one stays where it was.
  EXPECT_EQ(Ids(dependents), (std::vector<std::wstring>{L"1903", L"1902", L"1902", L"1906"}));
  EXPECT_EQ(dependents[1].Url_Down, L"http://e/a2.exe");

  const DependentItem& replaced = dependents[2];
  EXPECT_EQ(replaced.Url_Downx64, L"http://s/a64.exe");
  EXPECT_EQ(replaced.ForceInstall, L"true");
  EXPECT_EQ(replaced.filesize, L"123");
  EXPECT_EQ(replaced.ForkInstall, L"1");
  EXPECT_EQ(JoinDigests(replaced), L"m1,h64");
  EXPECT_EQ(dependents[3].ForceInstall, L"false");
  EXPECT_EQ(dependents[3].ProductArg, L"-x");
}

TEST(RuntimeReader, ForeignOrBrokenRepliesChangeNothing) {
  const wchar_t* const replies[] = {
      L"",
      L"status 404\n",
      L"<html><body>error</body></html>",
      L"<other><downloader><runtime><version>9</version></runtime></downloader></other>",
      L"<kvrp><runtime><version>9</version></runtime></kvrp>",
      L"<kvrp><downloader><runtime><version>9</version></runtime></downloader>",
      L"<kvrp><downloader><runtime><version>9</version></runtime></downloader></kvrp><kvrp/>",
  };
  for (const wchar_t* text : replies) {
    RuntimeConfig r;
    r.version = L"kept";
    std::vector<DependentItem> dependents = {Dependent(L"1902", L"http://e/a.exe")};
    const RuntimeReply reply = ReadRuntimeReply(text, kNow, r, dependents);
    EXPECT_FALSE(reply.downloader) << text;
    EXPECT_EQ(r.version, L"kept") << text;
    EXPECT_EQ(Ids(dependents), std::vector<std::wstring>{L"1902"}) << text;
  }
}

TEST(RuntimeRequestUrl, ServiceFormCarriesIdentityVersionSceneAndPlatform) {
  struct Case {
    MachineKind machine;
    const wchar_t* version;
    const wchar_t* tail;
  };
  const Case cases[] = {
      {{true, false}, L"4.2.17.3", L"&orb=4.2.17&scene_code=s7&platform=win_x64"},
      {{true, true}, L"4.2.17.3", L"&orb=4.2.17&scene_code=s7&platform=win_arm64"},
      {{false, true}, L"4.2.17.3", L"&orb=4.2.17&scene_code=s7&platform=win_x86"},
      {{true, false}, L"", L"&orb=3.0.5&scene_code=s7&platform=win_x64"},
  };
  for (const Case& c : cases) {
    int asked = 0;
    const ServerRequestFacts facts{c.machine, c.version, [&asked] {
                                     ++asked;
                                     return std::wstring(L"{0123abcd-0000-4000-8000-00000000000aG}");
                                   }};
    EXPECT_EQ(RuntimeRequestUrl(ServiceProduct(), facts),
              L"https://api.example/rest/v2/downloader/runtime/?client_sign={0123abcd-0000-4000-8000-00000000000aG}"
              L"&product_id=1901" + std::wstring(c.tail));
    EXPECT_EQ(asked, 1);
  }
}

TEST(RuntimeRequestUrl, StaticFormNeedsBothAppIdAndChannel) {
  int asked = 0;
  const ServerRequestFacts facts{{true, false}, L"1.2.3.4", [&asked] {
                                   ++asked;
                                   return std::wstring(L"{sign}");
                                 }};
  ProductConfig product = ServiceProduct();
  product.AppID = L"A1";
  product.Channel = L"C1";
  EXPECT_EQ(RuntimeRequestUrl(product, facts), L"https://dl.example/pkgs/xml/A1_C1.xml");
  EXPECT_EQ(asked, 0);

  for (const auto& [app, channel] : {std::pair{L"A1", L""}, std::pair{L"", L"C1"}}) {
    product.AppID = app;
    product.Channel = channel;
    EXPECT_EQ(RuntimeRequestUrl(product, facts).rfind(L"https://api.example/rest/v2/downloader/runtime/?", 0), 0u);
  }
}

TEST(RuntimeRequestUrl, QueryValuesCannotAddParameters) {
  // The identity is read from a key any process of the user may write.
  ProductConfig product = ServiceProduct();
  product.SceneCode = L"a b#c";
  const ServerRequestFacts facts{{true, false}, L"1.0.0.0", [] { return std::wstring(L"{x}&product_id=1"); }};
  EXPECT_EQ(RuntimeRequestUrl(product, facts),
            L"https://api.example/rest/v2/downloader/runtime/?client_sign={x}%26product_id=1&product_id=1901"
            L"&orb=1.0.0&scene_code=a%20b%23c&platform=win_x64");
  EXPECT_EQ(EncodeQueryValue(L"\u00e9%+"), L"%C3%A9%25%2B");
  EXPECT_EQ(EncodeQueryValue(L"1901"), L"1901");
}

TEST(RuntimeRequestUrl, OrbVersionIsThreeNumbersOrTheFallback) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"3.1.4.1", L"3.1.4"}, {L"10.0.19041.0", L"10.0.19041"}, {L"1.2.3", L"1.2.3"},
      {L"", L"3.0.5"},        {L"1.2", L"3.0.5"},               {L"a.b.c.d", L"3.0.5"},
  };
  for (const auto& [version, expected] : cases) EXPECT_EQ(OrbVersionTriple(version), expected) << version;
}
