// Shared set-up of the fuzz targets: engine output silenced, the error count
// reset before every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "../test_diagnostics.h"
#include "cli/classic.h"
#include "model/model.h"

namespace fuzz {

// Sends the engine's progress lines and error messages to /dev/null once.
inline void silenceEngine() {
  static FILE* sink = [] {
    FILE* f = std::fopen("/dev/null", "w");
    if (f) {
      std::fflush(stdout);
      (void)std::freopen("/dev/null", "w", stdout);
      setTestErrorStream(f);
    }
    return f;
  }();
  (void)sink;
}

// Reads a description held in memory; null on a counted error.
inline std::unique_ptr<Circuit> readDescription(const char* text, size_t size) {
  resetTestErrors();
  if (size == 0) return nullptr;
  FILE* in = fmemopen(const_cast<char*>(text), size, "r");
  if (!in) return nullptr;
  std::unique_ptr<Circuit> circuit = readCirData(in, testDiagnostics());
  std::fclose(in);
  if (testErrorCount() != 0) circuit.reset();
  return circuit;
}

}  // namespace fuzz
