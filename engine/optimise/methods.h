// The optimiser methods of `tarvex optimise --method NAME`: one table, so a
// new method is one more entry.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "optimise/ga.h"
#include "optimise/solvers.h"

// What every method is asked to respect.
struct OptimiseSettings {
  FitnessLimits limits{7.0, 13.0, Objective::GRADED};
  bool unordered = false;        // unordered scan chains (ordered by default)
  int population = 20;           // population size (ga)
  bool elitism = false;          // keep the best chromosome (ga)
  unsigned long patience = 500;  // generations without improvement before stopping (ga)
  std::uint64_t seed = 0;        // seed of the run's generator
  bool keepSelfLoops = false;    // registers feeding only themselves need no scan (loops)
  int chains = 0;                // chain count (loops, full); 0: as many as the pin bound allows
  bool polish = true;            // local search after the genetic algorithm (ga)
  int restarts = 1;              // independent seeded searches, the best kept (ga)
};

// One method: it searches a layout for `c`, writes the result files of
// `run` with the best layout applied, and leaves `c` without a layout.
struct OptimiserMethod {
  std::string_view name;
  std::string_view summary;  // one line for the help text
  SearchResult (*run)(Circuit& c, const OptimiseSettings& settings, RandomSource& random, SearchObserver* observer,
                      const RunContext& run);
};

// The settings of the scan methods (exact, loops, full) and of the GA's seeds.
ScanMethodSettings scanMethodSettings(const OptimiseSettings& s);

// The genetic algorithm's options of `optimise`: the settings, the modern
// output and the seeded first population of `c` (its seeds measured in `run`).
GaOptions modernGaOptions(Circuit& c, const OptimiseSettings& s, const RunContext& run);

// The genetic algorithm of `optimise` with its polish and restarts, without
// result files (comparisons): `random` drives a single search; restarts derive
// their seeds from the settings' seed.
SearchResult polishedGaSearch(Circuit& c, const OptimiseSettings& s, RandomSource& random, const RunContext& run);

// Every method, the default first.
std::span<const OptimiserMethod> optimiserMethods();
// The method named `name`, or null.
const OptimiserMethod* findOptimiserMethod(std::string_view name);
