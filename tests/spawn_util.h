// Runs the built tarvex as a separate process in a given folder and collects
// what it printed (end-to-end tests).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "slurp.h"

extern char** environ;

namespace spawntest {

struct RunResult {
  std::string out;
  std::string err;
  int status = -1;
};

using ::slurp;

// Runs tarvex (as program name "tarvex") in `dir` with `input` on standard input.
inline RunResult runTarvex(const std::filesystem::path& dir, const std::vector<std::string>& args,
                           const std::string& input = "") {
  namespace fs = std::filesystem;
  const fs::path in = dir / ".stdin", out = dir / ".stdout", err = dir / ".stderr";
  std::ofstream(in) << input;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> all{"tarvex"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const fs::path cwd = fs::current_path();
  fs::current_path(dir);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, TARVEX_EXE, &actions, nullptr, argv.data(), environ);
  fs::current_path(cwd);
  posix_spawn_file_actions_destroy(&actions);
  RunResult r;
  if (rc != 0) return r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  fs::remove(in), fs::remove(out), fs::remove(err);
  return r;
}

}  // namespace spawntest
