// The real process runner: posix_spawnp without a shell, standard output and
// standard error collected through pipes (polled, so neither can fill up and
// stall the child).
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "read/import.h"

extern char** environ;

namespace {

// Closes the file descriptors it holds.
struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() = default;
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe() { closeBoth(); }
  bool open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
  void closeEnd(int k) {
    if (fd[k] >= 0) ::close(fd[k]);
    fd[k] = -1;
  }
  void closeBoth() {
    closeEnd(0);
    closeEnd(1);
  }
};

// Reads both pipes to their ends.
void drain(Pipe& outPipe, Pipe& errPipe, std::string& out, std::string& err) {
  char buf[65536];
  pollfd fds[2] = {{outPipe.fd[0], POLLIN, 0}, {errPipe.fd[0], POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[k]->append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[k].fd = -1;  // poll ignores negative descriptors
        --open;
      }
    }
  }
}

class SystemProcessRunner : public ProcessRunner {
 public:
  int run(const std::vector<std::string>& argv, std::string& out, std::string& err) override {
    out.clear();
    err.clear();
    if (argv.empty()) return kNotStarted;
    Pipe outPipe, errPipe;
    if (!outPipe.open() || !errPipe.open()) return kNotStarted;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe.fd[1], 2);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return kNotStarted;
    outPipe.closeEnd(1);
    errPipe.closeEnd(1);
    drain(outPipe, errPipe, out, err);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
      if (errno != EINTR) return kNotStarted;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
  }
};

}  // namespace

ProcessRunner& systemProcessRunner() {
  static SystemProcessRunner runner;  // holds no state: every run() stands alone
  return runner;
}
