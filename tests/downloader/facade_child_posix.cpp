#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/downloader/facade_child.h"

namespace orbtest {

struct ChildProcess::Impl {
  pid_t pid = -1;
  int out = -1;  // read end of the child's stdout
  std::string buffer;
  bool eof = false;
  std::optional<int> status;
  std::string error_file;
};

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::pair<std::string, std::string>>& env)
    : impl_(std::make_unique<Impl>()) {
  char error_template[] = "/tmp/orbtest-child-stderr-XXXXXX";
  const int error_fd = mkstemp(error_template);
  impl_->error_file = error_template;
  int pipe_fds[2];
  if (error_fd < 0 || pipe(pipe_fds) != 0) return;
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  // Built before fork: the child of a threaded process may only make plain system calls.
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : env) replaced = replaced || entry.rfind(name + "=", 0) == 0;
    if (!replaced) env_text.push_back(entry);
  }
  for (const auto& [name, value] : env) env_text.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& entry : env_text) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], STDOUT_FILENO);
    dup2(error_fd, STDERR_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    close(error_fd);
    // The test's own signal settings must not leak into the child.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGINT, SIG_DFL);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  close(error_fd);
  impl_->pid = pid;
  impl_->out = pipe_fds[0];
}

ChildProcess::~ChildProcess() {
  if (impl_->pid > 0 && !impl_->status) {
    Kill();
    Wait();
  }
  if (impl_->out >= 0) close(impl_->out);
  std::remove(impl_->error_file.c_str());
}

bool ChildProcess::Started() const { return impl_->pid > 0; }

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto newline = impl_->buffer.find('\n');
    if (newline != std::string::npos) {
      std::string line = impl_->buffer.substr(0, newline);
      impl_->buffer.erase(0, newline + 1);
      lines_.push_back(line);
      return line;
    }
    if (impl_->eof || impl_->out < 0) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd fd{impl_->out, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
    char block[4096];
    const ssize_t n = read(impl_->out, block, sizeof(block));
    if (n <= 0) {
      impl_->eof = true;
    } else {
      impl_->buffer.append(block, static_cast<std::size_t>(n));
    }
  }
}

bool ChildProcess::Interrupt() { return impl_->pid > 0 && kill(impl_->pid, SIGINT) == 0; }

void ChildProcess::Kill() {
  if (impl_->pid > 0 && !impl_->status) kill(impl_->pid, SIGKILL);
}

int ChildProcess::Wait() {
  if (impl_->pid <= 0) return -1;
  while (ReadLine(std::chrono::seconds(600))) {
  }
  if (!impl_->status) {
    int status = 0;
    waitpid(impl_->pid, &status, 0);
    impl_->status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return *impl_->status;
}

std::string ChildProcess::ErrorText() const {
  std::ifstream in(impl_->error_file);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace orbtest
