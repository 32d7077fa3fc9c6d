#pragma once
// The file operations of a download's temporary file, one implementation per platform.
// Errors are the system's own codes (GetLastError on Windows, errno elsewhere); 0 is none.
#include <cstdint>
#include <optional>
#include <string>

namespace ns_PLX {

// An open file for positioned reads and writes; closed on destruction.
class TempFileHandle {
 public:
  TempFileHandle() = default;
  ~TempFileHandle() { Close(); }
  TempFileHandle(const TempFileHandle&) = delete;
  TempFileHandle& operator=(const TempFileHandle&) = delete;

  // An existing file, for reading and writing, shared for both. Returns the error.
  int Open(const std::wstring& path);
  bool IsOpen() const { return native_ != kInvalid; }
  void Close();

  enum class WriteStep { kNone, kSeek, kWrite, kSetEnd };
  // Writes `length` bytes at `offset`; with `set_end` the file then ends right after them.
  // Returns the error, and in `failed` the step that failed.
  int WriteAt(std::int64_t offset, const char* data, std::int64_t length, bool set_end,
              WriteStep& failed);

 private:
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t native_ = kInvalid;  // HANDLE or file descriptor
};

// Why a temporary file could not be made.
enum CreateFailure : std::int32_t { kCreateOk = 0, kCreateFailed = 1, kCreateNoSpace = 2 };

struct CreateResult {
  std::int32_t kind = kCreateOk;
  int error = 0;
};

// Replaces any file at `path` with a new one of `size` bytes (the space reserved on disk),
// creating missing folders; nothing is left behind on failure.
CreateResult CreateSizedFile(const std::wstring& path, std::int64_t size);

bool FileExists(const std::wstring& path);
std::optional<std::int64_t> FileLength(const std::wstring& path);
// `length` bytes from `offset`; false when fewer can be read.
bool ReadFileAt(const std::wstring& path, std::int64_t offset, std::int64_t length,
                std::string& bytes);
// Cuts or extends the file to `length`. Returns the error.
int TruncateFile(const std::wstring& path, std::int64_t length);
// Returns the error; a missing file is not one.
int DeleteFilePath(const std::wstring& path);
// Returns the error; `call_result` gets the rename call's own return value.
int RenameFilePath(const std::wstring& from, const std::wstring& to, int& call_result);
// The hidden attribute while downloading; nothing on systems without one.
void SetHiddenAttribute(const std::wstring& path, bool hidden);
// Another process holds the file (sharing violation, mapped file).
bool IsLockedError(int error);
// Logs the processes holding the file, where the system can tell.
void LogLockingProcesses(const std::wstring& path);
// The file's MD5 as 32 upper-case hexadecimal digits; nothing when it cannot be read.
std::optional<std::string> FileMd5Upper(const std::wstring& path);
// '\\' on Windows, '/' elsewhere.
char PathSeparator();

}  // namespace ns_PLX
