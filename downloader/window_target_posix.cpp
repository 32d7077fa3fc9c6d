#include "downloader/window_target.h"

namespace ns_PLX {

// There are no windows to post to on POSIX: window mode is not available and the facade
// releases every event itself.
bool PostEventToWindow(WindowHandle, std::uint32_t, std::uintptr_t, DownloadEvent*) { return false; }

}  // namespace ns_PLX
