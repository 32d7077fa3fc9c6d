#pragma once
// The program's command line as a key -> value map. Tokens are split by the system's
// rules; each token splits at its first '=' (no '=' gives an empty value), keys are
// case-sensitive and the last of repeated keys wins.
#include <map>
#include <string>
#include <string_view>
#include <vector>

class CommandArgs {
 public:
  static CommandArgs FromTokens(const std::vector<std::wstring>& tokens);
  // `line` is the text after the program path.
  static CommandArgs Parse(std::wstring_view line);

  // Empty when the key is absent.
  std::wstring Get(std::wstring_view key) const;

 private:
  std::map<std::wstring, std::wstring, std::less<>> values_;
};

// Splits the text after the program path with the system's command-line rules.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);
