// Silences a benchmark's engine calls: standard output and the engine's
// error stream go to /dev/null while a Quiet is alive; and reads a
// description without a word on either.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "test_diagnostics.h"
#include "cli/classic.h"

class Quiet {
 public:
  Quiet() {
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    sink = std::fopen("/dev/null", "w");
    previous = setTestErrorStream(sink);
  }
  ~Quiet() {
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    setTestErrorStream(previous);
    if (sink) std::fclose(sink);
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  int saved;
  FILE* sink;
  FILE* previous;
};

// The circuit described in the file `path`, read quietly; null when it cannot be read.
inline std::unique_ptr<Circuit> readQuietly(const std::string& path) {
  Quiet quiet;
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return nullptr;
  auto c = readCirData(f, testDiagnostics());
  std::fclose(f);
  return c;
}
