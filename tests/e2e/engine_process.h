#pragma once
// Runs the real vireo program as a child process, the way a GUI or a terminal
// does: lines go to its standard input through a pipe and its standard output
// (and, separately, standard error) are read back.

#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace vireo::e2e {

class EngineProcess {
 public:
  // Starts the engine in `workDir` (created by the caller) with the arguments.
  explicit EngineProcess(const std::string& workDir = "", std::vector<std::string> args = {}) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) return;
    // No book from the system's place unless a test names one: what the
    // machine has installed must not decide what the engine plays.
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    static char noSystemBook[] = "VIREO_SYSTEM_BOOK=";
    if (!getenv("VIREO_SYSTEM_BOOK")) env.push_back(noSystemBook);
    env.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
      if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
      std::vector<char*> argv{const_cast<char*>(VIREO_BINARY)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execve(VIREO_BINARY, argv.data(), env.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    toEngine_ = in[1];
    fromEngine_ = out[0];
    errors_ = err[0];
    signal(SIGPIPE, SIG_IGN);
  }

  ~EngineProcess() {
    closeInput();
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fromEngine_ >= 0) close(fromEngine_);
    if (errors_ >= 0) close(errors_);
  }

  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Writes while reading what the engine says meanwhile: a long line may
  // make it answer before it has read the whole, and with both pipes full
  // neither side would go on.
  void send(const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0 && toEngine_ >= 0) {
      pollfd fds[3] = {{toEngine_, POLLOUT, 0}, {fromEngine_, POLLIN, 0}, {errors_, POLLIN, 0}};
      if (poll(fds, 3, 10000) <= 0) return;
      char buffer[65536];
      if (fds[1].revents & POLLIN) {
        const ssize_t n = read(fromEngine_, buffer, sizeof buffer);
        if (n > 0) output_.append(buffer, size_t(n));
      }
      if (fds[2].revents & POLLIN) {
        const ssize_t n = read(errors_, buffer, sizeof buffer);
        if (n > 0) errorOutput_.append(buffer, size_t(n));
      }
      if (fds[0].revents & (POLLERR | POLLHUP)) return;
      if (fds[0].revents & POLLOUT) {
        // A ready pipe takes this much without blocking.
        const ssize_t n = write(toEngine_, p, std::min<size_t>(left, PIPE_BUF));
        if (n <= 0) return;
        p += n;
        left -= size_t(n);
      }
    }
  }
  void sendLine(const std::string& line) { send(line + "\n"); }

  void closeInput() {
    if (toEngine_ >= 0) close(toEngine_);
    toEngine_ = -1;
  }

  // Reads standard output until `marker` has appeared (returns true) or the
  // time is up or the output ends (false). Everything read is kept.
  bool waitFor(const std::string& marker, int timeoutMs = 10000) {
    return readUntil(fromEngine_, output_, timeoutMs,
                     [&](size_t) { return output_.find(marker) != std::string::npos; });
  }

  // Waits until `count` occurrences of `marker` have been seen in the output.
  bool waitForCount(const std::string& marker, int count, int timeoutMs = 10000) {
    return readUntil(fromEngine_, output_, timeoutMs, [&](size_t) { return occurrences(marker) >= count; });
  }

  // Reads all output until the engine closes it; returns the exit status
  // (-1 if it did not end in time).
  int waitForExit(int timeoutMs = 10000) {
    readUntil(fromEngine_, output_, timeoutMs, [](size_t) { return false; });
    readUntil(errors_, errorOutput_, 1000, [](size_t) { return false; });
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(1000);
    }
    return -1;
  }

  int occurrences(const std::string& marker) const {
    int n = 0;
    for (size_t at = output_.find(marker); at != std::string::npos; at = output_.find(marker, at + 1)) ++n;
    return n;
  }

  // Output received so far; take() also forgets it.
  const std::string& output() const { return output_; }
  std::string take() {
    std::string all;
    all.swap(output_);
    return all;
  }
  // Standard error collected so far (read without waiting).
  const std::string& errors() {
    readUntil(errors_, errorOutput_, 0, [](size_t) { return false; });
    return errorOutput_;
  }

 private:
  template <typename Done>
  bool readUntil(int fd, std::string& into, int timeoutMs, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (done(into.size())) return true;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left < 0 || fd < 0) return false;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, int(left)) <= 0) return done(into.size());
      char buffer[65536];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) return done(into.size());
      into.append(buffer, size_t(n));
    }
  }

  pid_t pid_ = -1;
  bool exited_ = false;
  int toEngine_ = -1, fromEngine_ = -1, errors_ = -1;
  std::string output_, errorOutput_;
};

}  // namespace vireo::e2e
