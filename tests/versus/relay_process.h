// The real valdorik-relay, started on a free port, its standard output read
// line by line as it comes.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class RelayProcess {
 public:
  explicit RelayProcess(std::vector<std::string> options) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    options.insert(options.begin(), {VALDORIK_RELAY_PATH, "--port", "0"});
    std::vector<char*> argv;
    for (std::string& word : options) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, VALDORIK_RELAY_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = out[0];
    if (failed) throw std::runtime_error("cannot start " VALDORIK_RELAY_PATH);
    const std::string first = NextLine();
    const std::string before = "valdorik-relay: listening on port ";
    if (first.rfind(before, 0) != 0) throw std::runtime_error("the relay began with: " + first);
    port = uint16_t(std::stoi(first.substr(before.size())));
  }
  ~RelayProcess() {
    if (pid_ > 0) Stop();
    close(out_);
  }

  // The next line without its newline, or what came before a silence of
  // five seconds or the end.
  std::string NextLine() {
    for (;;) {
      if (const size_t end = unread_.find('\n'); end != std::string::npos) {
        std::string line = unread_.substr(0, end);
        unread_.erase(0, end + 1);
        return line;
      }
      pollfd waiting{.fd = out_, .events = POLLIN, .revents = 0};
      char chunk[4096];
      const ssize_t got = poll(&waiting, 1, 5000) == 1 ? read(out_, chunk, sizeof chunk) : 0;
      if (got <= 0) return std::exchange(unread_, "");
      unread_.append(chunk, size_t(got));
    }
  }

  // SIGTERM, then its exit status (-1 when a signal ended it).
  int Stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  uint16_t port = 0;

 private:
  pid_t pid_ = 0;
  int out_ = -1;
  std::string unread_;
};
