// LoadServerXml end to end against the HTTP test server: both address forms, the reply
// read into the record and the dependent list, the hooks in order, and the failures that
// still return true.
#include "config/server_runtime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

// Everything LoadServerXml appends to the process log while `run` runs.
template <typename Run>
std::string LoggedBy(Run&& run) {
  static orbtest::TempDir folder;
  static simpleLog& log = OpenProcessLog(folder.narrow() + "server_runtime_test.log");
  const std::string before = orbtest::TempDir::read(log.FileName());
  run();
  return orbtest::TempDir::read(log.FileName()).substr(before.size());
}

std::wstring Wide(const std::string& text) { return Utf8ToWide(text); }

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

// Records every hook call as one line, in order.
struct HookJournal {
  std::vector<std::string> calls;
  RuntimeLoadHooks Hooks() {
    RuntimeLoadHooks hooks;
    hooks.register_dependent = [this](int id, bool forced) {
      calls.push_back("dependent " + std::to_string(id) + (forced ? " forced" : " optional"));
    };
    hooks.register_dependent_digests = [this](int id, const std::wstring& digests) {
      calls.push_back("digests " + std::to_string(id) + " " + WideToUtf8(digests));
    };
    hooks.report_runtime = [this](const RuntimeConfig& r) { calls.push_back("runtime " + WideToUtf8(r.name)); };
    hooks.set_tracking_value = [this](const char* key, const std::wstring& value) {
      calls.push_back(std::string(key) + "=" + WideToUtf8(value));
    };
    hooks.fetch_track_id = [this](const ProductConfig& p) { calls.push_back("tid " + WideToUtf8(p.ProductID)); };
    return hooks;
  }
};

constexpr const char* kSign = "{0123abcd-0000-4000-8000-00000000000aG}";

ServerRequestFacts Facts(int* sign_asked = nullptr) {
  return {{true, false}, L"4.2.17.3", [sign_asked] {
            if (sign_asked) ++*sign_asked;
            return Utf8ToWide(kSign);
          }};
}

ns_PLX::HttpSettings ShortSettings() {
  ns_PLX::HttpSettings settings;
  settings.connect_timeout = std::chrono::milliseconds(2000);
  settings.request_timeout = std::chrono::milliseconds(3000);
  return settings;
}

const std::string kReply =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<kvrp>\r\n<downloader>\r\n"
    "<runtime><name>Lumetra \xC3\x9C" "ber</name><version>5.1.0</version><md5>m32</md5><md5_64>m64</md5_64>"
    "<download_url_x64>http://pkg/x64.exe</download_url_x64>"
    "<banner_url>http://b/banner.html?lang=en</banner_url></runtime>\r\n"
    "<bind>"
    "<item><ProductID>1902</ProductID><Url_Down>http://pkg/new1902.exe</Url_Down><md5>d1</md5>"
    "<history_md5_arm64>d2</history_md5_arm64></item>"
    "<item><ProductID>1907</ProductID></item>"
    "<item><ProductID>1908</ProductID><Url_Downx64>http://pkg/1908.exe</Url_Downx64>"
    "<ForceInstall>false</ForceInstall></item>"
    "</bind>\r\n"
    "</downloader>\r\n</kvrp>\r\n";

}  // namespace

TEST(LoadServerXml, ServiceFormReadsTheReplyAndReportsIt) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::string tag = orbtest::UniqueTag();
  server.PutFile(tag + "/rest/v2/downloader/runtime", kReply);

  ProductConfig product;
  product.ServerHost = Wide(server.BaseUrl() + "/" + tag + "/");
  product.ProductID = L"1901";
  product.SceneCode = L"s7";
  product.dependents = {Dependent(L"1902", L"http://embedded/1902.exe"), Dependent(L"1903", L"http://embedded/1903.exe")};
  RuntimeConfig runtime;
  HookJournal journal;
  int sign_asked = 0;

  const auto before = static_cast<std::int64_t>(std::time(nullptr));
  bool result = false;
  const std::string log = LoggedBy([&] {
    result = LoadServerXml(product, runtime, Facts(&sign_asked), journal.Hooks(), ShortSettings());
  });
  const auto after = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_TRUE(result);
  EXPECT_EQ(sign_asked, 1);

  const std::string query = "?client_sign=" + std::string(kSign) + "&product_id=1901&orb=4.2.17&scene_code=s7&platform=win_x64";
  const std::vector<orbtest::LoggedRequest> requests = server.Requests("/" + tag + "/");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/" + tag + "/rest/v2/downloader/runtime/" + query);

  EXPECT_EQ(runtime.name, L"Lumetra \u00DCber");
  EXPECT_EQ(runtime.version, L"5.1.0");
  EXPECT_EQ(runtime.download_url_x64, L"http://pkg/x64.exe");
  const std::wstring banner_prefix = L"http://b/banner.html?lang=en&_t=";
  ASSERT_EQ(runtime.banner_url.rfind(banner_prefix, 0), 0u) << WideToUtf8(runtime.banner_url);
  const std::int64_t stamp = std::stoll(runtime.banner_url.substr(banner_prefix.size()));
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after);

  // The server's 1902 replaces the embedded one and now comes last.
  EXPECT_EQ(Ids(product.dependents), (std::vector<std::wstring>{L"1903", L"1902", L"1908"}));
  EXPECT_EQ(product.dependents[1].Url_Down, L"http://pkg/new1902.exe");

  EXPECT_EQ(journal.calls, (std::vector<std::string>{"dependent 1902 forced", "digests 1902 d1,d2",
                                                     "dependent 1908 optional", "digests 1908 ",
                                                     "runtime Lumetra \xC3\x9C" "ber", "serverxmlmd5=m32,m64",
                                                     "xmlprodcutver=5.1.0", "tid 1901"}));

  const std::string url = server.BaseUrl() + "/" + tag + "/rest/v2/downloader/runtime/" + query;
  std::size_t at = 0;
  for (const std::string& line : {"[INFO] LoadServerXml, url=[" + url + "].", std::string("[INFO] LoadServerXml downloader.runtime."),
                                  std::string("[INFO] LoadServerXml bind.item pid=[1902]."),
                                  std::string("[INFO] LoadServerXml bind.item pid=[1907]."),
                                  std::string("[INFO] LoadServerXml bind.item pid=[1908].")}) {
    const std::size_t found = log.find(line, at);
    EXPECT_NE(found, std::string::npos) << line << "\n" << log;
    if (found != std::string::npos) at = found;
  }
}

TEST(LoadServerXml, StaticFormFetchesTheFileBesideThePackage) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::string tag = orbtest::UniqueTag();
  server.PutFile(tag + "/pkgs/xml/A1_C1.xml", kReply);

  ProductConfig product;
  product.ServerHost = L"http://127.0.0.1:1/";
  product.ProductID = L"1901";
  product.AppID = L"A1";
  product.Channel = L"C1";
  product.Downurl.Url = Wide(server.BaseUrl() + "/" + tag + "/pkgs/setup_full.exe");
  RuntimeConfig runtime;
  int sign_asked = 0;
  EXPECT_TRUE(LoadServerXml(product, runtime, Facts(&sign_asked), {}, ShortSettings()));

  // No identity is created or sent for the static file.
  EXPECT_EQ(sign_asked, 0);
  const std::vector<orbtest::LoggedRequest> requests = server.Requests("/" + tag + "/");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/" + tag + "/pkgs/xml/A1_C1.xml");
  EXPECT_EQ(runtime.version, L"5.1.0");
  EXPECT_EQ(Ids(product.dependents), (std::vector<std::wstring>{L"1902", L"1908"}));
}

TEST(LoadServerXml, FailuresLeaveTheRecordAndStillReport) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  const std::string tag = orbtest::UniqueTag();
  struct Case {
    const char* what;
    const char* reply;  // null: nothing is served for this case (404)
  };
  const std::string cut = kReply.substr(0, kReply.size() / 2);
  const Case cases[] = {
      {"foreign", "<other><downloader><runtime><version>9</version></runtime></downloader></other>"},
      {"html", "<html><body><h1>Service unavailable</h1></body></html>"},
      {"cut", cut.c_str()},
      {"empty", ""},
      {"missing", nullptr},
      {"unreachable", nullptr},
  };
  for (const Case& c : cases) {
    std::string host = server.BaseUrl() + "/" + tag + "/" + c.what + "/";
    if (c.reply) server.PutFile(tag + "/" + c.what + "/rest/v2/downloader/runtime", c.reply);
    if (std::string(c.what) == "unreachable") host = "http://127.0.0.1:1/";

    ProductConfig product;
    product.ServerHost = Wide(host);
    product.ProductID = L"1901";
    product.dependents = {Dependent(L"1902", L"http://embedded/1902.exe")};
    RuntimeConfig runtime;
    runtime.version = L"1.0";
    runtime.md5 = L"aa";
    const RuntimeConfig before = runtime;
    HookJournal journal;
    EXPECT_TRUE(LoadServerXml(product, runtime, Facts(), journal.Hooks(), ShortSettings())) << c.what;
    EXPECT_EQ(runtime, before) << c.what;
    EXPECT_EQ(Ids(product.dependents), std::vector<std::wstring>{L"1902"}) << c.what;
    // The closing steps run with the record as it stands.
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"runtime ", "serverxmlmd5=aa", "xmlprodcutver=1.0", "tid 1901"}))
        << c.what;
  }
  EXPECT_EQ(server.Requests("/" + tag + "/").size(), 5u);
}
