#include "app/command_line.h"

CommandArgs CommandArgs::FromTokens(const std::vector<std::wstring>& tokens) {
  CommandArgs args;
  for (const auto& token : tokens) {
    const size_t eq = token.find(L'=');
    if (eq == std::wstring::npos) {
      args.values_[token] = std::wstring();
    } else {
      args.values_[token.substr(0, eq)] = token.substr(eq + 1);
    }
  }
  return args;
}

CommandArgs CommandArgs::Parse(std::wstring_view line) { return FromTokens(SplitCommandLine(line)); }

std::wstring CommandArgs::Get(std::wstring_view key) const {
  const auto it = values_.find(key);
  return it == values_.end() ? std::wstring() : it->second;
}
