// Silences a benchmark's engine calls: standard output and the engine's
// error stream go to /dev/null while a Quiet is alive.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "error.h"

class Quiet {
 public:
  Quiet() {
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    sink = std::fopen("/dev/null", "w");
    previous = setErrorStream(sink);
  }
  ~Quiet() {
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    setErrorStream(previous);
    if (sink) std::fclose(sink);
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  int saved;
  FILE* sink;
  FILE* previous;
};
