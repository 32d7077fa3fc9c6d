#pragma once
// Window mode of the facade: each event is posted to a window instead of a callback.
#include <cstdint>

#include "downloader/download_event.h"

namespace ns_PLX {

// An HWND on Windows.
using WindowHandle = void*;

// Posts `message` with `wparam` and the event as lparam. On success the window owns the
// event: its handler must `delete reinterpret_cast<DownloadEvent*>(lparam)`. False when the
// post failed (the caller still owns the event) or where there are no windows (POSIX).
bool PostEventToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                       DownloadEvent* event);

}  // namespace ns_PLX
