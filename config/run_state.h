#pragma once
// The run-state file: the user's choices and the partial download of an interrupted run,
// kept beside the downloads so that the next start resumes. Any process of the user may
// have written the file, so everything read from it is checked before use.
#include <cstddef>
#include <string>
#include <string_view>

struct RunStateValues {
  std::wstring Status;           // "1" once the downloads were started
  std::wstring JoinExp;          // "1" once the user started the installation
  std::wstring SelectLang;       // display name of the selected language
  std::wstring InstallPath;      // chosen install folder
  std::wstring AgreeExtInstall;  // answer to the extra-product offer
  std::wstring TmpPackagePath;   // resume-cache path of the main package

  bool operator==(const RunStateValues&) const = default;
};

struct RunState {
  std::wstring path;  // empty: no file is read or written
  RunStateValues values;
  bool resumed = false;  // Status read at start was the integer 1
};

// Longest value accepted from the file; longer ones make the file count as corrupt.
inline constexpr size_t kMaxRunStateValue = 32767;
// Larger files are not read at all.
inline constexpr size_t kMaxRunStateFile = 1024 * 1024;

// Reads the file into state.values (all of them or none) and sets state.resumed.
void ReadRunConfig(RunState& state);
// Writes state.values; nothing in fork mode or without a path. Failures are silent.
void WriteRunConfig(const RunState& state, bool fork_mode);
// Clears state.resumed and, outside fork mode, deletes the file.
void DeleteRunConfig(RunState& state, bool fork_mode);

// The document exactly as WriteRunConfig writes it.
std::wstring FormatRunConfig(const RunStateValues& values);
// Reads a document's values over `values`; false (and `values` unchanged) when the text
// is not a well-formed "config" document or a value fails the checks.
bool ParseRunConfig(std::wstring_view text, RunStateValues& values);
// Whether `status` reads as a decimal integer equal to 1 ("01" does, "yes" does not).
bool IsResumedStatus(std::wstring_view status);
