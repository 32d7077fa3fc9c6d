#pragma once
// A child process whose standard output the test reads line by line.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orbtest {

class ChildProcess {
 public:
  // argv[0] is the program's path. `env` is added to the test's own environment.
  ChildProcess(const std::vector<std::string>& argv,
               const std::vector<std::pair<std::string, std::string>>& env);
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const;
  // The next line of standard output, without its line end; nullopt at the end of the
  // output or after `timeout`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(120));
  // Ctrl-C (SIGINT). False where it cannot be sent.
  bool Interrupt();
  // Ends it at once, without any chance to clean up (SIGKILL, TerminateProcess).
  void Kill();
  // Reads the remaining output away and waits: the exit status, or -1 when killed by a signal.
  int Wait();
  // Everything written to standard error (after Wait).
  std::string ErrorText() const;
  // Every line read so far.
  const std::vector<std::string>& Output() const { return lines_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<std::string> lines_;
};

}  // namespace orbtest
