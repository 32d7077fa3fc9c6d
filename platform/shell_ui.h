#pragma once
// The folder picker and window placement. Windows only.
#if defined(_WIN32)
#include <windows.h>

#include <string>

// The system's folder picker owned by `owner`, rooted at the computer's drives, file-system
// folders only, with an edit box. The chosen folder's path, or empty when the user cancels.
// The calling thread needs COM in a single-threaded apartment.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title);

// Moves the window, keeping its size, z-order and activation, to the centre of the primary
// screen. False, and nothing moves, when the window is missing or larger than the screen.
bool CenterOnScreen(HWND window);

#endif  // _WIN32
