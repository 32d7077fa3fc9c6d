// Desktop shortcuts, the folder picker and window placement, on Wine's shell and a
// virtual display.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "common/text_convert.h"
#include "platform/folders.h"
#include "platform/module_info.h"
#include "platform/shell_ui.h"
#include "platform/shortcut.h"
#include "platform/win_handle.h"
#include "tests/platform/platform_test_support.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct LinkInfo {
  std::wstring target;
  std::wstring working_directory;
};

// Reads a shortcut back through the shell's own link object.
std::optional<LinkInfo> ReadLink(const std::wstring& link_file) {
  const winh::ComScope com;
  winh::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()))) {
    return std::nullopt;
  }
  const auto file = link.As<IPersistFile>();
  if (!file || FAILED(file->Load(link_file.c_str(), STGM_READ))) return std::nullopt;
  LinkInfo info;
  std::wstring buffer(32768, L'\0');
  if (FAILED(link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, SLGP_RAWPATH))) return std::nullopt;
  info.target = buffer.c_str();
  if (FAILED(link->GetWorkingDirectory(buffer.data(), static_cast<int>(buffer.size())))) return std::nullopt;
  info.working_directory = buffer.c_str();
  return info;
}

// Deletes a desktop shortcut of the test's when it goes away.
struct DesktopLink {
  explicit DesktopLink(const std::wstring& name) : path(DesktopFolder() + L"\\" + name + L".lnk") {}
  ~DesktopLink() { ::DeleteFileW(path.c_str()); }
  const std::wstring path;
};

TEST(ShortcutTest, DesktopShortcutPointsIntoTheFolder) {
  orbtest::TempDir temp;
  const std::wstring name = pftest::UniqueName(L"orbtest-") + L".exe";
  temp.write(WideToAnsi(name), "MZ");
  const std::pair<std::wstring, std::wstring> cases[] = {
      {name, temp.path().wstring()},
      {L"setup.exe", L"C:\\Downloads"},  // the target need not exist yet
  };
  for (const auto& [file, folder] : cases) {
    const DesktopLink link(file);
    ASSERT_FALSE(fs::exists(link.path)) << WideToAnsi(link.path);
    EXPECT_TRUE(CreateDesktopShortcut(file, folder));
    ASSERT_TRUE(fs::exists(link.path));
    const auto info = ReadLink(link.path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->target, folder + L"\\" + file);
    EXPECT_EQ(info->working_directory, folder);
  }
}

TEST(ShortcutTest, ComStateOfTheCallingThreadDecides) {
  orbtest::TempDir temp;
  const std::wstring name = pftest::UniqueName(L"orbtest-") + L".exe";
  temp.write(WideToAnsi(name), "MZ");
  const DesktopLink link(name);
  // A thread already in the multi-threaded apartment cannot be made single-threaded.
  std::thread([&] {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    EXPECT_FALSE(CreateDesktopShortcut(name, temp.path().wstring()));
    ::CoUninitialize();
  }).join();
  EXPECT_FALSE(fs::exists(link.path));

  // A thread already in a single-threaded apartment keeps it after the call.
  std::thread([&] {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_TRUE(CreateDesktopShortcut(name, temp.path().wstring()));
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    ::CoUninitialize();
    ::CoUninitialize();
  }).join();
  EXPECT_TRUE(fs::exists(link.path));
}

TEST(ShortcutTest, DeleteOwnShortcutRemovesTheOneNamedAfterTheExecutable) {
  orbtest::TempDir temp;
  const DesktopLink own(OwnFileName());
  ASSERT_TRUE(CreateDesktopShortcut(OwnFileName(), temp.path().wstring()));
  ASSERT_TRUE(fs::exists(own.path));
  DeleteOwnShortcut();
  EXPECT_FALSE(fs::exists(own.path));
  DeleteOwnShortcut();  // nothing left to delete
}

// Finds the visible dialog window of `thread_id`, waiting up to ten seconds.
HWND WaitForDialog(DWORD thread_id) {
  for (int i = 0; i < 200; ++i) {
    if (HWND found = pftest::FindDialog(thread_id)) return found;
    std::this_thread::sleep_for(50ms);
  }
  return nullptr;
}

TEST(BrowseForFolderTest, ReturnsTheChosenFolderAndNothingOnCancel) {
  const winh::ComScope com;
  ASSERT_TRUE(com.ok());
  // A folder right under the Windows drive: Wine's picker does not walk into every
  // special folder when it is asked to select one below.
  const std::wstring chosen = SystemDriveRoot() + pftest::UniqueName(L"orbtest-");
  ASSERT_TRUE(::CreateDirectoryW(chosen.c_str(), nullptr));
  const std::unique_ptr<const wchar_t, decltype(&::RemoveDirectoryW)> remove(chosen.c_str(), &::RemoveDirectoryW);
  const DWORD me = ::GetCurrentThreadId();
  std::atomic<bool> found_cancel{false};
  std::atomic<bool> found_ok{false};

  std::thread cancel([&] {
    if (HWND dialog = WaitForDialog(me)) {
      found_cancel = true;
      ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  });
  EXPECT_EQ(BrowseForFolder(nullptr, L"Choose a folder"), L"");
  cancel.join();
  EXPECT_TRUE(found_cancel);

  std::thread choose([&] {
    if (HWND dialog = WaitForDialog(me)) {
      found_ok = true;
      ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(chosen.c_str()));
      ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
  });
  EXPECT_EQ(BrowseForFolder(nullptr, L"Choose a folder"), chosen);
  choose.join();
  EXPECT_TRUE(found_ok);
}

struct Window {
  Window(int width, int height)
      : handle(::CreateWindowExW(0, L"STATIC", L"orbtest", WS_POPUP, 10, 20, width, height, nullptr, nullptr,
                                 nullptr, nullptr)) {}
  ~Window() {
    if (handle) ::DestroyWindow(handle);
  }
  RECT Rect() const {
    RECT rect{};
    ::GetWindowRect(handle, &rect);
    return rect;
  }
  HWND handle;
};

TEST(CenterOnScreenTest, CentresWindowsThatFitAndLeavesOthersWhereTheyAre) {
  const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(screen_width, 200);

  const Window fits(200, 100);
  ASSERT_TRUE(fits.handle);
  EXPECT_TRUE(CenterOnScreen(fits.handle));
  const RECT centred = fits.Rect();
  EXPECT_EQ(centred.left, (screen_width - 200) / 2);
  EXPECT_EQ(centred.top, (screen_height - 100) / 2);
  EXPECT_EQ(centred.right - centred.left, 200);

  const Window whole(screen_width, screen_height);
  EXPECT_TRUE(CenterOnScreen(whole.handle));
  EXPECT_EQ(whole.Rect().left, 0);

  for (const auto& [width, height] : {std::pair{screen_width + 1, 100}, std::pair{100, screen_height + 1}}) {
    const Window large(width, height);
    EXPECT_FALSE(CenterOnScreen(large.handle));
    EXPECT_EQ(large.Rect().left, 10);
    EXPECT_EQ(large.Rect().top, 20);
  }

  EXPECT_FALSE(CenterOnScreen(nullptr));
  HWND gone = Window(50, 50).handle;
  EXPECT_FALSE(CenterOnScreen(gone));
}

}  // namespace
