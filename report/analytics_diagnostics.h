#pragma once
// Where the analytics core reports dropped events and properties: the standard error
// stream, which a windowed program does not show. Nothing of it reaches the log.
#include <functional>
#include <string_view>

namespace orb_analytics {

// Writes `message` and a line end to standard error, or to the sink a test installed.
void Diagnostic(std::string_view message);

// Replaces the destination (empty: standard error again) and returns the previous one.
// Any thread may report while a sink is installed; the sink is called under a lock.
using DiagnosticSink = std::function<void(std::string_view)>;
DiagnosticSink SetDiagnosticSink(DiagnosticSink sink);

}  // namespace orb_analytics
