// Helpers of the analysis tests.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "optimise/ga.h"
#include "cli/classic.h"
#include "model/model.h"
#include "test_diagnostics.h"

// Reads a description from examples/ (the reader's console line is printed).
inline std::unique_ptr<Circuit> readExample(const char* name) {
  const std::string path = std::string(TARVEX_EXAMPLES) + "/" + name;
  FILE* in = std::fopen(path.c_str(), "r");
  if (!in) return nullptr;
  auto c = readCirData(in, testDiagnostics());
  std::fclose(in);
  return c;
}

// Applies a scan layout notation to the circuit, as the analysis run does.
inline bool applyLayout(Circuit& c, const char* notation) {
  Population layout("layout", 1, getScanChrLen(ORDERED_SCAN, c.getNREGs()), ORDERED_SCAN, &c);
  return layout.implementScanNotation(notation, 0);
}
