#pragma once
// The running executable and file version resources. Windows only.
#if defined(_WIN32)
#include <string>

// The running executable's full path, however long.
std::wstring OwnExecutablePath();
// Its file name without the folder.
std::wstring OwnFileName();
// Its folder with the trailing backslash.
std::wstring OwnFolder();

// A file's fixed file version as "major.minor.build.revision"; empty when the file has no
// version resource or cannot be read.
std::wstring FileVersionText(const std::wstring& path);
// The same for the running executable.
std::wstring OwnFileVersion();

#endif  // _WIN32
