// The program's runtime-loading hooks write into a tracking store: served bind items
// become dependent records with their digests, the reply's facts become properties.
#include "config/load_wiring.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text_convert.h"
#include "tests/support/test_server.h"

TEST(LoadWiring, RuntimeFactsReachTheTrackingStore) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::string tag = orbtest::UniqueTag();
  server.PutFile(tag + "/rest/v2/downloader/runtime",
                 "<kvrp><downloader><runtime><version>5.1.0</version><md5>m32</md5>"
                 "<history_md5_64>h64</history_md5_64></runtime><bind>"
                 "<item><ProductID>1902</ProductID><Url_Down>http://pkg/a.exe</Url_Down><md5>d1</md5></item>"
                 "<item><ProductID>1908</ProductID><Url_Downx64>http://pkg/b.exe</Url_Downx64>"
                 "<ForceInstall>false</ForceInstall></item>"
                 "</bind></downloader></kvrp>");
  server.PutFile(tag + "/api/v1/prodweb/trk", R"({"code":0,"data":"T-1901"})");
  ProductConfig product;
  product.ServerHost = Utf8ToWide(server.BaseUrl() + "/" + tag + "/");
  product.ProductID = L"1901";
  RuntimeConfig runtime;
  CTrackingStore store(0);
  const ServerRequestFacts facts{{true, false}, L"1.0.0.0", [] { return std::wstring(L"{sign}"); }};
  ASSERT_TRUE(LoadServerXml(product, runtime, facts, DefaultRuntimeLoadHooks(store, Utf8ToWide(server.BaseUrl() + "/" + tag))));

  EXPECT_EQ(store.GetProperty("serverxmlmd5"), "m32,h64");
  EXPECT_EQ(store.GetProperty("xmlprodcutver"), "5.1.0");
  EXPECT_EQ(store.TrackId(), "T-1901");
  const auto dependents = store.Dependents();
  ASSERT_EQ(dependents.size(), 2u);
  EXPECT_EQ(dependents.at(1902).force_install, 1);
  EXPECT_EQ(dependents.at(1902).digest, "d1");
  EXPECT_EQ(dependents.at(1908).force_install, 0);
  EXPECT_EQ(dependents.at(1908).digest, "");
}
