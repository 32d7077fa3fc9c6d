#pragma once
// orbget's command line: orbget [--md5 DIGESTS] [--id N] URL FOLDER
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orbget {

inline constexpr const char* kUsage =
    "usage: orbget [--md5 DIGESTS] [--id N] URL FOLDER\n"
    "  Downloads URL into FOLDER over many connections and prints one line per engine\n"
    "  event. --md5: the expected MD5 (one or more digests in one text); --id: the task id\n"
    "  (default 1). Exit status: 0 success, otherwise the download's result code; 13 after\n"
    "  Ctrl-C (the partial file keeps its resume record: run again to continue); 2 for bad\n"
    "  arguments.\n";

struct Options {
  std::wstring url;
  std::wstring folder;
  std::wstring md5;
  std::int32_t task_id = 1;
};

struct ParsedArguments {
  std::optional<Options> options;  // empty when the command line is wrong
  std::string error;               // why, for the user
};

// `args` without the program name.
ParsedArguments ParseArguments(const std::vector<std::wstring>& args);

// The process's arguments as wide text, without the program name.
std::vector<std::wstring> CommandLineArguments(int argc, char** argv);

}  // namespace orbget
