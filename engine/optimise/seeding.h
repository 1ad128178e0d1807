// The initial population of the genetic algorithm's modern form: the
// loop-breaking and full-scan layouts and sparse random layouts (few scan
// registers) beside the random chromosomes.
#pragma once

#include <vector>

#include "optimise/ga.h"
#include "scan/layouts.h"

struct GaSeeds {
  std::vector<ScanLayout> layouts;  // placed as they are
  int sparseMaxScanned = 1;         // sparse layouts scan 1 .. this many registers
  int maxChains = 1;                // in 1 .. this many chains
};

// The seeds for `c` (no layout applied): loop breaking, full scan, and the
// register count of sparse layouts (what the area budget allows, and one more,
// measured with an evaluator of `run`).
GaSeeds gaSeeds(Circuit& c, const FitnessLimits& limits, int techniques, bool keepSelfLoops, const RunContext& run);

// A layout of 1 .. maxScanned distinct random registers in 1 .. maxChains chains.
ScanLayout sparseRandomLayout(int nregs, int maxScanned, int maxChains, RandomSource& random);

// Replaces chromosomes of `p` from its last slot down: first the seed layouts,
// then sparse random layouts up to half the population; the rest stay random.
void seedPopulation(Population& p, const GaSeeds& seeds, RandomSource& random);
