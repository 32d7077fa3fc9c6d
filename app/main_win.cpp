// Process entry. Reads the mode from the command line, opens the run's log, records the
// start and loads the embedded documents; the rest of start-up joins here as it is built.
#include <windows.h>

#include "app/command_line.h"
#include "app/lang/lang_table.h"
#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "config/load_wiring.h"
#include "config/local_product.h"

namespace {

// Start-up failures are silent in fork mode: the hidden second instance has no one to tell.
int FailStart(bool fork_mode, const char* log_line, const wchar_t* message) {
  LogLine(kLogError, "%s", log_line);
  if (!fork_mode) ::MessageBoxW(nullptr, message, L"Error", MB_OK | MB_ICONERROR);
  return -1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR command_line, int /*show*/) {
  const CommandArgs args = CommandArgs::Parse(LocaleToWide(command_line ? command_line : ""));
  const bool fork_mode = args.Get(L"OnlyForkInstallDependent") == L"1";

  OpenProcessLog(ProgramLogPath(fork_mode ? "kvForkORB.log" : "kvORB.log"));
  LogLine(kLogInfo, "[INFO] start, fork=[%d].", fork_mode ? 1 : 0);

  LocalProduct product;
  if (!LoadLocalXml(product, DefaultProductLoadHooks())) {
    return FailStart(fork_mode, "[ERROR] LoadLocalXml failed!", L"Load product xml error.");
  }
  LogLine(kLogInfo, "[INFO] product=[%s] id=[%s] dependents=[%u].", WideToAnsi(product.config.ProductName).c_str(),
          WideToAnsi(product.config.ProductID).c_str(), static_cast<unsigned>(product.config.dependents.size()));
  LogLine(kLogInfo, "[INFO] default install folder=[%s].", WideToAnsi(product.default_install_folder).c_str());

  LangTable lang;
  if (!lang.loadLangXML(product.config.ProductBrand)) {
    return FailStart(fork_mode, "[ERROR] loadLangXML failed!", L"Load lang xml error.");
  }
  LogLine(kLogInfo, "[INFO] lang=[%s] strings=[%u].", WideToAnsi(lang.CurrentName()).c_str(),
          static_cast<unsigned>(lang.StringCount()));
  return 0;
}
