#pragma once
// Shortcuts on the current user's desktop. Windows only.
#if defined(_WIN32)
#include <string>

// Creates "<desktop>\<name>.lnk" pointing at "<folder>\<name>" with `folder` as working
// directory. Initialises COM (single-threaded apartment) around its own work, so it runs
// on any thread. False only when COM could not be initialised for the call; whether the
// shortcut was written does not change the result.
bool CreateDesktopShortcut(const std::wstring& name, const std::wstring& folder);

// Removes "<desktop>\<own executable's file name>.lnk", silently; the thread's COM state
// is left as it is.
void DeleteOwnShortcut();

#endif  // _WIN32
