// Partial scan by loop breaking: a minimum set of registers whose scanning
// leaves the register graph without cycles (a minimum feedback vertex set).
#pragma once

#include <string>
#include <vector>

#include "scan/reggraph.h"

struct LoopBreakingOptions {
  // A register that feeds itself directly may stay unscanned.
  bool keepSelfLoops = false;
  // Components (after the graph reductions) up to this many registers are solved exactly.
  int exactLimit = 64;
  // Search nodes allowed per exactly solved component before its best set so far is taken.
  long nodeBudget = 2000000;
};

struct LoopBreakingResult {
  std::vector<int> registers;  // ascending register numbers of the graph
  bool minimum = true;         // proven minimum (false when a heuristic decided some part)
  std::vector<std::string> warnings;
};

// Chooses the registers to scan so that no cycle remains: the graph is reduced
// (registers on no cycle dropped, self-loops taken, registers with a single
// predecessor or successor merged into it), then each strongly connected
// component is solved by branch and bound up to the exact limit, and by a
// greedy choice with a warning above it.
LoopBreakingResult minimumLoopBreakingSet(const RegisterGraph& g, const LoopBreakingOptions& options = {});
