#pragma once
// Who holds a file open. Windows only.
#if defined(_WIN32)
#include <string>

// Asks the Restart Manager which other processes use `path` and logs each of them at
// warning level. Logs nothing when the manager cannot tell or more than ten use it.
// Safe to call from any thread.
void FindLockingProcesses(const std::wstring& path);

#endif  // _WIN32
