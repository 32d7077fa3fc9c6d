// The loaders with the program's own hooks and facts: what they read lands in the
// process-wide tracking store and the channel registry values.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text_convert.h"
#include "config/channel_values.h"
#include "config/client_identity.h"
#include "config/load_wiring.h"
#include "platform/registry.h"
#include "tests/support/test_server.h"

namespace {

constexpr int kWiringDocument = 204;
constexpr std::wstring_view kBrandKey = L"Software\\KorvaneWiringTest";

}  // namespace

TEST(LoadWiring, LocalProductFactsReachTheTrackingStore) {
  CTrackingStore& store = TrackingStore();
  // The prefix's own default channel is put back as it was.
  const bool had_default_channel = !ReadDefaultChannel().empty();
  LocalProduct product;
  ASSERT_TRUE(LoadProductXml(kWiringDocument, product, DefaultProductLoadHooks()));

  EXPECT_EQ(store.ServerBaseUrl(), "http://127.0.0.1:9/platform/");
  EXPECT_EQ(store.GetProperty("product_id"), "1931");
  const std::wstring sign = LookupClientSign(L"KorvaneWiringTest");
  EXPECT_TRUE(IsClientSignForm(sign)) << WideToUtf8(sign);
  EXPECT_EQ(store.GetProperty("client_sign"), WideToUtf8(sign));
  EXPECT_EQ(store.GetProperty("channel"), "ch_wiring");
  EXPECT_FALSE(store.GetProperty("defchannel").empty());
  EXPECT_EQ(store.GetProperty("defchannel"), WideToUtf8(ReadDefaultChannel()));
  EXPECT_EQ(store.GetProperty("scene_code"), "sc9");

  const auto dependents = store.Dependents();
  ASSERT_TRUE(dependents.contains(1932) && dependents.contains(1933));
  EXPECT_EQ(dependents.at(1932).force_install, 1);
  EXPECT_EQ(dependents.at(1933).force_install, 0);

  // The channel values were written for this product's AppID.
  const RegKey channels = RegKey::Open(HKEY_LOCAL_MACHINE, kChannelKey, KEY_READ | KEY_SET_VALUE, RegView::k32);
  ASSERT_TRUE(channels);
  EXPECT_EQ(channels.ReadString(L"WiringTestApp").value_or(L"<none>"), L"ch_wiring");

  ::RegDeleteValueW(channels.get(), L"WiringTestApp");
  if (!had_default_channel) ::RegDeleteValueW(channels.get(), nullptr);
  DeleteRegTree(HKEY_LOCAL_MACHINE, kBrandKey, RegView::k32);
}

TEST(LoadWiring, ServerRequestCarriesThisMachinesFacts) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::string tag = orbtest::UniqueTag();
  server.PutFile(tag + "/rest/v2/downloader/runtime",
                 "<kvrp><downloader><runtime><version>7.0.1</version><md5>ab</md5></runtime></downloader></kvrp>");
  LocalProduct product;
  ASSERT_TRUE(LoadProductXml(kWiringDocument, product, {}));
  product.config.AppID.clear();  // the service form
  product.config.ServerHost = Utf8ToWide(server.BaseUrl() + "/" + tag + "/");
  RuntimeConfig runtime;
  ASSERT_TRUE(LoadServerXml(product.config, runtime));

  // A 64-bit Intel process without a version resource; the brand's identity is created.
  const std::string sign = WideToUtf8(LookupClientSign(L"KorvaneWiringTest"));
  EXPECT_TRUE(IsClientSignForm(Utf8ToWide(sign))) << sign;
  const std::vector<orbtest::LoggedRequest> requests = server.Requests("/" + tag + "/");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/" + tag + "/rest/v2/downloader/runtime/?client_sign=" + sign +
                                    "&product_id=1931&orb=3.0.5&scene_code=sc9&platform=win_x64");
  EXPECT_EQ(runtime.version, L"7.0.1");
  EXPECT_EQ(TrackingStore().GetProperty("xmlprodcutver"), "7.0.1");
  EXPECT_EQ(TrackingStore().GetProperty("serverxmlmd5"), "ab");
  DeleteRegTree(HKEY_LOCAL_MACHINE, kBrandKey, RegView::k32);
}
