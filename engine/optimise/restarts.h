// Independent runs of the genetic algorithm (each polished when the options
// ask for it) from seeds derived from one run seed, side by side on the
// cores, keeping the best. A run is repeated exactly by its seed and restart
// count, whatever the number of threads.
#pragma once

#include <cstdint>
#include <vector>

#include "optimise/ga.h"

// The seed of restart `index` of a run seeded `seed`; restart 0 keeps `seed`.
std::uint64_t restartSeed(std::uint64_t seed, int index);

struct RestartsOutcome {
  std::vector<SearchResult> runs;  // by restart index
  int best = 0;                    // index of the best run (the lowest of equal ones)
};

// Runs `restarts` searches of `c` with `options` (result files off), restart
// i seeded with restartSeed(seed, i), on at most `threads` threads (0: one
// per core), each on its own copy of `c`; every run reports to `run`. With fewer threads than restarts a
// thread takes the next restart left when it is done.
RestartsOutcome runRestarts(Circuit& c, const GaOptions& options, std::uint64_t seed, int restarts, int threads,
                            const RunContext& run);
