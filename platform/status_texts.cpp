#include "platform/status_texts.h"

std::string_view ShellExecuteErrorText(long long value) {
  switch (value) {
    case 0: return "The operating system is out of memory or resources.";
    case 2: return "The specified file was not found.";
    case 3: return "The specified path was not found.";
    case 5: return "Access denied.";
    case 8: return "There was not enough memory to complete the operation.";
    case 26: return "A sharing violation occurred.";
    case 27: return "File association information is incomplete or invalid.";
    case 28: return "The DDE transaction could not be completed because the request timed out.";
    case 29: return "The DDE transaction failed.";
    case 30: return "The DDE transaction could not be completed because other DDE transactions were being processed.";
    case 31: return "There is no application associated with the given file name extension.";
    case 32: return "The dynamic-link library was not found.";
    default: break;
  }
  return value > 32 ? std::string_view() : "Unknown error";
}

std::string_view InstallerExitCodeText(long long code) {
  switch (code) {
    case 0: return {};
    case 1: return "Setup failed to initialize.";
    case 2:
      return "The user clicked Cancel in the wizard before the actual installation started, or chose \"No\" on "
             "the opening \"This will install...\" message box.";
    case 3: return "A fatal error occurred while preparing to move to the next installation phase.";
    case 4: return "A fatal error occurred during the actual installation process.";
    case 5:
      return "The user clicked Cancel during the actual installation process, or chose Abort at an "
             "Abort-Retry-Ignore box.";
    case 6: return "The Setup process was forcefully terminated by the debugger.";
    case 7: return "The Preparing to Install stage determined that Setup cannot proceed with installation.";
    case 8:
      return "The Preparing to Install stage determined that Setup cannot proceed with installation, and that "
             "the system needs to be restarted in order to correct the problem.";
    default: break;
  }
  return "Unknown error code.";
}
