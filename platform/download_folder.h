#pragma once
// Where packages are saved and where the run-state file lives. Windows only.
#if defined(_WIN32)
#include <string>

// The download-folder rule for `brand`:
// 1. unless `max_free_only`: the first fixed drive that already has <root><brand>\Download\;
// 2. else on the fixed drive with the most free space: the public documents' brand folder
//    when that is the Windows drive, <root><brand>\Download\ otherwise (created);
// 3. when that folder is not writable: the brand folder beside the executable, then the
//    brand folder in the temporary folder.
// An empty brand leaves out the brand part of <root><brand>\Download\ and stands as
// "Korvane" in the other folders. Always ends with a backslash.
std::wstring GetDownloadFolder(const std::wstring& brand, bool max_free_only);

#endif  // _WIN32
