#pragma once
// Turns one download event into the matching callback call.
#include "downloader/download_event.h"
#include "downloader/downloader_callback.h"

namespace ns_PLX {

// Calls nothing for unknown kinds or payloads that are missing. Does not release `event`.
void DispatchEvent(IDownloaderManagerCallBack& callback, const DownloadEvent& event);

}  // namespace ns_PLX
