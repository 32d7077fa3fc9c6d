#include <windows.h>

#include "downloader/window_target.h"

namespace ns_PLX {

bool PostEventToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                       DownloadEvent* event) {
  return PostMessageW(static_cast<HWND>(window), message, static_cast<WPARAM>(wparam),
                      reinterpret_cast<LPARAM>(event)) != FALSE;
}

}  // namespace ns_PLX
