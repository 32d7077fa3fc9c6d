// Process entry. For now it reads the mode from the command line, opens the run's log
// and records the start; the rest of start-up joins here as it is built.
#include <windows.h>

#include "app/command_line.h"
#include "app/log/simple_log.h"
#include "common/text_convert.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR command_line, int /*show*/) {
  const CommandArgs args = CommandArgs::Parse(LocaleToWide(command_line ? command_line : ""));
  const bool fork_mode = args.Get(L"OnlyForkInstallDependent") == L"1";

  OpenProcessLog(ProgramLogPath(fork_mode ? "kvForkORB.log" : "kvORB.log"));
  LogLine(kLogInfo, "[INFO] start, fork=[%d].", fork_mode ? 1 : 0);
  return 0;
}
