// Scan layouts as chains of register numbers, and the layouts built by rule:
// balanced chains within the pin budget, full scan, loop breaking.
#pragma once

#include <string>
#include <vector>

#include "scan/loops.h"
#include "model/model.h"
#include "scan/notation.h"
#include "scan/scanlayout.h"

// Scan pins a layout of `chains` chains adds: one scan mode and an input and
// an output per chain (none without chains).
int scanPinsOf(int chains);
// Most chains whose scan pins keep the pin overhead over `origPins` within
// `pinBudgetPercent`; at least 1 (a scan register needs a chain), at most `regs`.
int chainsWithinPinBudget(int origPins, double pinBudgetPercent, int regs);
// `regs` (taken in description order) in `chains` chains whose lengths differ by at most one.
ScanLayout balancedChains(std::vector<int> regs, int chains, int nregs);
// Number of registers a layout scans.
int scannedCount(const ScanLayout& layout);
// Every register scanned, in `chains` balanced chains.
ScanLayout fullScanLayout(int nregs, int chains);

struct RuleLayoutOptions {
  int chains = 0;  // 0: as many as the pin budget allows
  double pinBudgetPercent = 0.0;
  LoopBreakingOptions loops;
};

// The full-scan layout of `c` within the pin budget (or the chain count asked for).
ScanLayout fullScanLayout(const Circuit& c, const RuleLayoutOptions& o);
// The loop-breaking layout of `c`: a minimum set of registers breaking every
// register cycle, in balanced chains; warnings of the loop search go to `warnings`.
ScanLayout loopBreakingLayout(const Circuit& c, const RuleLayoutOptions& o, std::vector<std::string>* warnings);
