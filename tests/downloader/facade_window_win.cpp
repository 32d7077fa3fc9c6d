// Window mode: each event arrives as a posted message carrying the event, which the window
// releases.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "common/text_convert.h"
#include "downloader/downloader_manager.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {

constexpr UINT kEventMessage = WM_APP + 7;

struct MessageWindow {
  MessageWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrbFacadeEventWindow";
    RegisterClassW(&wc);
    handle = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
  }
  ~MessageWindow() {
    if (handle != nullptr) DestroyWindow(handle);
  }
  HWND handle = nullptr;
};

TEST(FacadeWindowTest, EventsArriveAsMessagesInOrder) {
  orbtest::TestServer server;
  ORB_REQUIRE_TEST_SERVER(server);
  orbtest::TempDir dir;
  const std::string name = orbtest::UniqueTag() + ".bin";
  const std::wstring url = Utf8ToWide(server.Url(orbtest::TestServer::GenPath(1 << 20, name)));

  MessageWindow window;
  ASSERT_NE(window.handle, nullptr);
  ns_PLX::DownloaderManager engine;
  engine.SetWindowTarget(window.handle, kEventMessage);
  ASSERT_EQ(engine.AddTask(url, Utf8ToWide(dir.narrow()), L"", 2, L"", L"", 0), 2);

  std::vector<int> kinds;
  std::optional<std::int32_t> status;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!status && std::chrono::steady_clock::now() < deadline) {
    MSG msg;
    if (!PeekMessageW(&msg, window.handle, kEventMessage, kEventMessage, PM_REMOVE)) {
      Sleep(10);
      continue;
    }
    const std::unique_ptr<ns_PLX::DownloadEvent> event(reinterpret_cast<ns_PLX::DownloadEvent*>(msg.lParam));
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(event->task_id, 2);
    kinds.push_back(event->kind);
    if (event->kind == ns_PLX::kEventFinished) status = *event->NumberPointer();
  }
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0);
  ASSERT_GE(kinds.size(), 3u);
  EXPECT_EQ(kinds[0], ns_PLX::kEventThreadBegin);
  EXPECT_EQ(kinds[1], ns_PLX::kEventThreadStarted);
  EXPECT_EQ(kinds.back(), ns_PLX::kEventFinished);
  engine.Shutdown();
}

}  // namespace
