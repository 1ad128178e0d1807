// The optimiser methods beside the genetic algorithm: the exact optimum,
// partial scan by loop breaking, and full scan. Each writes the result files
// of the layout it chose and leaves the circuit without a layout.
#pragma once

#include "optimise/evaluator.h"
#include "optimise/ga.h"
#include "scan/layouts.h"

// What the rule-based methods and the exact search are asked to respect.
struct ScanMethodSettings {
  FitnessLimits limits;
  int techniques = ORDERED_SCAN;
  RuleLayoutOptions rules;  // chain count, pin budget, self-loops
};

// Each method reports to, analyses as and writes the result files of `run`.

// Every layout searched (refused with a counted error when there are too many).
SearchResult runExactSearch(Circuit& c, const ScanMethodSettings& s, SearchObserver* observer, const RunContext& run);
// A minimum set of registers breaking every register loop, in balanced chains.
SearchResult runLoopBreaking(Circuit& c, const ScanMethodSettings& s, SearchObserver* observer, const RunContext& run);
// Every register scanned, in balanced chains.
SearchResult runFullScan(Circuit& c, const ScanMethodSettings& s, SearchObserver* observer, const RunContext& run);

// The `prepare` step of a genetic algorithm run that seeds its first population
// with the loop-breaking, full-scan and sparse random layouts of `c`.
std::function<void(Population&, RandomSource&)> gaSeeding(Circuit& c, const ScanMethodSettings& s,
                                                          const RunContext& run);
