#include "common/text_convert.h"
#include "tools/orbget/arguments.h"

namespace orbget {

std::vector<std::wstring> CommandLineArguments(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(LocaleToWide(argv[i]));
  return args;
}

}  // namespace orbget
