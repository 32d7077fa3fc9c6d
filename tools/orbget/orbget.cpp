// orbget: downloads one file through the engine's facade and prints every event.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/log/simple_log.h"
#include "common/text_convert.h"
#include "downloader/downloader_manager.h"
#include "tools/orbget/arguments.h"
#include "tools/orbget/event_printer.h"
#include "tools/orbget/interrupt.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 13;

// Test knobs; unset, the engine runs with the product's own settings.
//   ORBGET_LOG: write the engine's log to this file.
//   ORBGET_ATTEMPT_PAUSE_MS: the pause between two attempts of a download.
ns_PLX::MultiDownloaderSettings SettingsFromEnvironment() {
  ns_PLX::MultiDownloaderSettings settings;
  if (const char* log = std::getenv("ORBGET_LOG"); log != nullptr && *log != '\0') {
    OpenProcessLog(log);
  }
  if (const char* pause = std::getenv("ORBGET_ATTEMPT_PAUSE_MS"); pause != nullptr && *pause != '\0') {
    settings.attempt_pause = std::chrono::milliseconds(std::strtol(pause, nullptr, 10));
  }
  return settings;
}

}  // namespace

int main(int argc, char** argv) {
  const orbget::ParsedArguments parsed = orbget::ParseArguments(orbget::CommandLineArguments(argc, argv));
  if (!parsed.options) {
    std::fprintf(stderr, "orbget: %s\n%s", parsed.error.c_str(), orbget::kUsage);
    return kExitUsage;
  }
  const orbget::Options& options = *parsed.options;

  orbget::EventPrinter printer(stdout);
  std::atomic<bool> interrupted{false};
  // Before the engine starts its threads, so that only the watcher sees Ctrl-C.
  const orbget::InterruptWatch watch([&] {
    interrupted.store(true);
    printer.Wake();
  });

  ns_PLX::DownloaderManager engine(SettingsFromEnvironment());
  engine.SetCallback(&printer);
  const std::int32_t id =
      engine.AddTask(options.url, options.folder, L"", options.task_id, L"", options.md5, 0);
  if (id == -1) {
    std::fprintf(stderr, "orbget: the download could not be started\n");
    engine.Shutdown();
    return kExitUsage;
  }

  std::optional<std::int32_t> status = printer.WaitForEnd([&] { return interrupted.load(); });
  if (!status) {
    // Remove, not cancel: the task's final events arrive, and the last of them is sent only
    // after the resume record is on disk.
    std::fprintf(stderr, "orbget: interrupted, keeping the partial file for a later run\n");
    engine.RemoveTask(id);
  }
  // Runs the queued removal and waits for it: every event has been printed afterwards.
  engine.Shutdown();
  status = printer.WaitForEnd([] { return true; });
  if (interrupted.load() && status.value_or(kExitCancelled) != 0) return kExitCancelled;
  return status.value_or(kExitCancelled);
}
