// Why a search found no scan worth its cost: the overhead bounds that forbid
// even the smallest layout, one chain of one register.
#pragma once

#include <string>

#include "base/run_context.h"
#include "optimise/fitness.h"

class Circuit;

// The overheads of the smallest layout set against the bounds.
struct SmallestLayoutBudget {
  double areaPercent = 0.0;  // area overhead of one scanned register in one chain
  double pinPercent = 0.0;   // pin overhead of one chain
  bool areaForbids = false;  // above --area
  bool pinsForbid = false;   // above --pins
};

// Measures one chain of one register of `c` (no layout applied) against `limits`.
SmallestLayoutBudget smallestLayoutBudget(Circuit& c, const FitnessLimits& limits, const RunContext& run);

// The sentence that says which bound forbids even one chain and what bound
// would allow one; "" when the bounds allow it (or `c` has no register).
std::string noScanExplanation(Circuit& c, const FitnessLimits& limits, const RunContext& run);
