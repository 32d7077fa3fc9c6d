#pragma once
// Starting other programs and finding running ones. Windows only.
#if defined(_WIN32)
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// Runs `program` with `parameters` through the shell ("runas" from Vista on), shown
// normally, and waits for it without a time limit. Unless `skip_lock`, the program file is
// held open for reading (others may only read it) until the program ends, so that nobody
// replaces or deletes it meanwhile. Returns the exit code, or -1 when the file cannot be
// opened or the shell starts nothing.
int RunExe(const std::wstring& program, const std::wstring& parameters, bool skip_lock);

inline constexpr std::chrono::milliseconds kHiddenRunLimit{20000};
// Runs the command line hidden, without a console window, and waits at most `limit`; a
// program still running then is terminated with exit code -1. True when it ended with
// exit code 0.
bool RunHiddenWait(const std::wstring& command_line, std::chrono::milliseconds limit = kHiddenRunLimit);

// Finds another process whose executable's full path contains `text` (letter case
// counts). Processes that cannot be queried are passed over; an empty text finds nothing.
bool FindProcessByPath(std::wstring_view text, std::uint32_t& process_id);

#endif  // _WIN32
