#pragma once
// Folders of the system, of the user and of the maker's brand. Windows only.
//
// Brand folders are "<base>\<brand>\" with "Korvane" standing in for an empty brand; they
// are created when missing and returned whether that worked or not.
#if defined(_WIN32)
#include <string>
#include <string_view>

// The user's temporary folder with a trailing backslash; empty when unknown.
std::wstring TempFolder();
// The Windows folder as the system gives it (no trailing backslash); empty when unknown.
std::wstring WindowsFolder();
// The first three characters of the Windows folder ("C:\").
std::wstring SystemDriveRoot();
// The current user's desktop and the all-users documents folder, without a trailing
// backslash; empty when unknown.
std::wstring DesktopFolder();
std::wstring PublicDocumentsFolder();

bool FolderExists(const std::wstring& path);
// Creates the folder and every missing parent. True when it exists afterwards.
bool CreateFolderTree(const std::wstring& path);

// Creates "orb.tmp" in the folder and deletes it again; true when it could be created.
// False for an empty folder text. A file of that name that is already there is never
// replaced or deleted: the folder counts as writable when that file opens for writing.
// `error`, when given, receives the system's error code of a failure.
bool IsFolderWritable(const std::wstring& folder, unsigned long* error = nullptr);

std::wstring BrandDocumentsFolder(std::wstring_view brand);  // under the public documents
std::wstring BrandExeFolder(std::wstring_view brand);        // beside the running executable
std::wstring BrandTempFolder(std::wstring_view brand);       // under the temporary folder

// The local application-data folder of the user who owns the desktop shell, found by
// impersonating that user; empty when any step fails (no shell running, for example).
std::wstring InteractiveUserLocalAppData();

// True when `path` followed by a backslash contains the Windows folder followed by a
// backslash, or the Windows drive root followed by "Program Files\" or
// "Program Files (x86)\". Letter case does not matter. False when the Windows folder is
// unknown.
bool IsProtectedSystemPath(std::wstring_view path);

#endif  // _WIN32
