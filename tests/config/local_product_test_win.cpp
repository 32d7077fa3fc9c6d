// LoadLocalXml against documents embedded in this test executable, the real clipboard and
// the default install folder rule.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/log/simple_log.h"
#include "config/clipboard.h"
#include "config/local_product.h"
#include "platform/folders.h"
#include "tests/support/temp_dir.h"

namespace {

// Collects what LoadProductXml logs: everything appended to the process log by `run`.
template <typename Run>
std::string LoggedBy(Run&& run) {
  static orbtest::TempDir folder;
  static simpleLog& log = OpenProcessLog(folder.narrow() + "config_test.log");
  const std::string before = orbtest::TempDir::read(log.FileName());
  run();
  return orbtest::TempDir::read(log.FileName()).substr(before.size());
}

bool PutClipboardText(const std::string& text) {
  if (!::OpenClipboard(nullptr)) return false;
  ::EmptyClipboard();
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  bool placed = false;
  if (memory) {
    std::memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
    placed = ::SetClipboardData(CF_TEXT, memory) != nullptr;
    if (!placed) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return placed;
}

}  // namespace

TEST(LocalProduct, FailurePathsLogTheirLineAndLeaveTheRecord) {
  struct Case {
    int resource;
    const char* line;
  };
  for (const Case& k : {Case{200, "[ERROR] LoadLocalXml, find failed!"}, Case{201, "[ERROR] LoadLocalXml, size error!"},
                        Case{202, "[ERROR] LoadLocalXml err 3"}, Case{203, "[ERROR] LoadLocalXml, not find product."}}) {
    LocalProduct product;
    product.config.ProductName = L"untouched";
    bool loaded = true;
    const std::string log = LoggedBy([&] { loaded = LoadProductXml(k.resource, product, {}); });
    EXPECT_FALSE(loaded) << k.resource;
    EXPECT_NE(log.find("[INFO] LoadLocalXml\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(k.line), std::string::npos) << log;
    EXPECT_EQ(product.config.ProductName, L"untouched");
  }
}

TEST(LocalProduct, LoadsTheEmbeddedDocumentAndCallsTheHooksInOrder) {
  std::vector<std::string> calls;
  std::vector<std::pair<int, bool>> dependents;
  ProductLoadHooks hooks;
  hooks.set_tracking_server = [&](const std::wstring& host) {
    calls.push_back("server");
    EXPECT_EQ(host, L"http://127.0.0.1:9/");
  };
  hooks.register_dependent = [&](int id, bool forced) { dependents.emplace_back(id, forced); };
  hooks.read_clipboard = [&] {
    calls.push_back("clipboard");
    return std::string("kv123");
  };
  hooks.write_channel_values = [&](const ProductConfig&) { calls.push_back("channel"); };
  hooks.record_tracking_values = [&](const ProductConfig&) { calls.push_back("tracking"); };
  hooks.register_product_series = [&](const ProductConfig&) { calls.push_back("series"); };

  LocalProduct product;
  bool loaded = false;
  const std::string log = LoggedBy([&] { loaded = LoadLocalXml(product, hooks); });
  ASSERT_TRUE(loaded) << log;
  EXPECT_EQ(calls, (std::vector<std::string>{"server", "clipboard", "channel", "tracking", "series"}));
  EXPECT_EQ(dependents, (std::vector<std::pair<int, bool>>{{1902, true}, {1904, false}}));

  const ProductConfig& c = product.config;
  EXPECT_EQ(c.ProductName, L"Korvane Test");
  EXPECT_EQ(c.clipboard_text, L"kv123");
  // A 64-bit Intel machine: the x64 group is read, the ARM64 one is not.
  EXPECT_EQ(c.Downurl.Url, L"http://127.0.0.1:9/x86.exe");
  EXPECT_EQ(c.Downurl_x64.Url, L"http://127.0.0.1:9/x64.exe");
  EXPECT_TRUE(c.Downurl_arm64.Url.empty());
  ASSERT_EQ(c.dependents.size(), 2u);

  ASSERT_FALSE(product.config_folder.empty());
  EXPECT_EQ(product.config_folder.back(), L'\\');
  EXPECT_EQ(product.run_state_path, product.config_folder + L"ORB_DOWNTASK_1901.xml");
  // "Q:" names no drive root and nothing of the brand is installed.
  EXPECT_TRUE(product.default_install_folder.empty());

  for (const char* line : {"[INFO] config folder=[", "[INFO] LoadLocalXml, dependent.item pid=[1902].",
                           "[INFO] LoadLocalXml, dependent.item pid=[].", "[INFO] LoadLocalXml, dependent.item pid=[1904]."}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }
  EXPECT_LT(log.find("config folder"), log.find("dependent.item"));
}

TEST(LocalProduct, UnsafeClipboardTextIsRefusedAndLogged) {
  ProductLoadHooks hooks;
  hooks.read_clipboard = [] { return std::string("kv x --silent"); };
  LocalProduct product;
  const std::string log = LoggedBy([&] { EXPECT_TRUE(LoadLocalXml(product, hooks)); });
  EXPECT_TRUE(product.config.clipboard_text.empty());
  EXPECT_NE(log.find("[WARN] LoadLocalXml, clipboard text refused"), std::string::npos) << log;
}

TEST(LocalProduct, ReadsTheSystemClipboard) {
  ASSERT_TRUE(PutClipboardText("kvFromClipboard"));
  EXPECT_EQ(ReadClipboardAnsiText(), "kvFromClipboard");
  LocalProduct product;
  EXPECT_TRUE(LoadLocalXml(product));
  EXPECT_EQ(product.config.clipboard_text, L"kvFromClipboard");

  ASSERT_TRUE(PutClipboardText("xkv"));
  EXPECT_TRUE(LoadLocalXml(product));
  EXPECT_TRUE(product.config.clipboard_text.empty());
}

TEST(LocalProduct, DefaultInstallFolder) {
  ProductConfig config;
  config.ProductBrand = L"KorvaneNotInstalled";
  config.ProductID = L"1901";
  EXPECT_EQ(ChooseDefaultInstallFolder(L"%LocalAppData%", config), InteractiveUserLocalAppData());
  EXPECT_EQ(ChooseDefaultInstallFolder(L"C:\\Games", config), L"C:\\Games");
  for (const wchar_t* refused : {L"", L"Q:\\Games", L"C:", L"Games", L"\\\\server\\share"}) {
    EXPECT_TRUE(ChooseDefaultInstallFolder(refused, config).empty()) << refused;
  }
}
