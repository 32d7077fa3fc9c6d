#include "tools/orbget/arguments.h"

#include <charconv>

#include "common/text_convert.h"

namespace orbget {

namespace {
std::optional<std::int32_t> ParseId(const std::wstring& text) {
  const std::string narrow = WideToUtf8(text);
  std::int32_t value = 0;
  const char* end = narrow.data() + narrow.size();
  const auto [ptr, ec] = std::from_chars(narrow.data(), end, value);
  if (narrow.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

ParsedArguments Fail(std::string error) { return {std::nullopt, std::move(error)}; }
}  // namespace

ParsedArguments ParseArguments(const std::vector<std::wstring>& args) {
  Options options;
  std::vector<std::wstring> positional;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (!options_ended && arg == L"--") {
      options_ended = true;
    } else if (!options_ended && (arg == L"--md5" || arg == L"--id")) {
      if (i + 1 == args.size()) return Fail(WideToUtf8(arg) + " needs a value");
      const std::wstring& value = args[++i];
      if (arg == L"--md5") {
        options.md5 = value;
      } else if (const auto id = ParseId(value)) {
        options.task_id = *id;
      } else {
        return Fail("--id needs a 32-bit integer, not \"" + WideToUtf8(value) + "\"");
      }
    } else if (!options_ended && arg.size() > 1 && arg[0] == L'-') {
      return Fail("unknown option " + WideToUtf8(arg));
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return Fail("URL and FOLDER are required");
  options.url = positional[0];
  options.folder = positional[1];
  if (options.url.empty()) return Fail("the URL is empty");
  if (options.folder.empty()) return Fail("the FOLDER is empty");
  return {options, {}};
}

}  // namespace orbget
