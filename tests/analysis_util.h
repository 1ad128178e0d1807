// Helpers of the analysis tests.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "optimise/ga.h"
#include "scan/insertion.h"
#include "cli/classic.h"
#include "test_diagnostics.h"
#include "model/model.h"

// Reads a description from examples/ (the reader's console line is printed).
inline std::unique_ptr<Circuit> readExample(const char* name) {
  const std::string path = std::string(TARVEX_EXAMPLES) + "/" + name;
  FILE* in = std::fopen(path.c_str(), "r");
  if (!in) return nullptr;
  auto c = readCirData(in, testDiagnostics());
  std::fclose(in);
  return c;
}

// Applies a scan layout notation to the circuit for good, as the analysis run does while it runs.
inline bool applyLayout(Circuit& c, const char* notation) {
  const LayoutRegisters regs(c);
  ScanLayout layout;
  if (!readLayout(notation, regs, layout).empty()) return false;
  c.setNotation(notation);
  insertScanLayout(c, regs, layout);
  return true;
}
