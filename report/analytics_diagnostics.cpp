#include "report/analytics_diagnostics.h"

#include "report/analytics_immortal.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace orb_analytics {
namespace {

std::mutex& SinkMutex() {
  static Immortal<std::mutex> mutex;
  return mutex.get();
}

// Guarded by SinkMutex().
DiagnosticSink& Sink() {
  static Immortal<DiagnosticSink> sink;
  return sink.get();
}

}  // namespace

void Diagnostic(std::string_view message) {
  const std::lock_guard lock(SinkMutex());
  if (Sink()) {
    Sink()(message);
    return;
  }
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

DiagnosticSink SetDiagnosticSink(DiagnosticSink sink) {
  const std::lock_guard lock(SinkMutex());
  return std::exchange(Sink(), std::move(sink));
}

}  // namespace orb_analytics
