#pragma once
// Helpers shared by the analytics tests.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "report/analytics_diagnostics.h"

namespace orbtest {

// Collects the analytics core's standard-error messages while it lives.
class DiagnosticCapture {
 public:
  DiagnosticCapture() {
    previous_ = orb_analytics::SetDiagnosticSink([this](std::string_view message) {
      const std::lock_guard lock(mutex_);
      messages_.emplace_back(message);
    });
  }
  ~DiagnosticCapture() { orb_analytics::SetDiagnosticSink(std::move(previous_)); }
  DiagnosticCapture(const DiagnosticCapture&) = delete;
  DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

  std::vector<std::string> Messages() const {
    const std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  orb_analytics::DiagnosticSink previous_;
};

// Percent-decoding, base64 and gunzip of a collector body "data_list=...&gzip=1": the
// batch text, or empty when any step fails.
std::string DecodeBatchBody(std::string_view body);
std::string Gunzip(std::string_view bytes);

}  // namespace orbtest
