#pragma once
// Texts that describe a failed program start and an installer package's exit code, as
// they go into reports.
#include <string_view>

// By the value the shell's execute call returns: empty above 32 (success).
std::string_view ShellExecuteErrorText(long long value);

// By an installer package's exit code: empty for 0.
std::string_view InstallerExitCodeText(long long code);
