// The genetic algorithm that searches for the best scan layout: breeding of
// generations and the search loop; the log, the console progress and the
// result files are told about the search from beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/run_context.h"
#include "optimise/fitness.h"
#include "optimise/population.h"
#include "optimise/search.h"

// Fills Q with the children of P: psize / 2 pairs of roulette-chosen parents,
// crossed, mutated and repaired; with elitism the chromosome of `best`
// replaces the last child written.
void breedGeneration(Population& P, Population& Q, Population& best, int psize, bool elitism, RandomSource& random);

// Parameters of a solver run.
struct GaOptions {
  unsigned long maxUnenhancedRuns = 500;  // generations without improvement before the run stops
  bool elitism = false;
  int populationSize = 20;
  int techniques = ORDERED_SCAN;
  int runNumber = 0;
  FitnessLimits limits;
  // Reuse the fitness of a layout already evaluated (the values are the same either way).
  bool reuseFitness = true;
  // The output of the classic command line: generation counter and population
  // dumps on the console, and no notation for unordered layouts.
  bool classicForm = true;
  // Written to the .gar header when set, so the run can be repeated.
  std::optional<std::uint64_t> seed;
  SearchObserver* observer = nullptr;
  // Threads that evaluate a generation side by side (0: one per core). The
  // results are the same for any number; the classic form keeps one.
  int workers = 1;
  // A generation is evaluated side by side only when its analyses cover at
  // least this many port bits in all: for less, starting threads costs more.
  std::size_t minSideBySideBits = 100000;
  // Called on the random first population before its first evaluation
  // (the modern form puts its seed layouts in).
  std::function<void(Population& first, RandomSource& random)> prepare;
  // Writes the log, the console lines and the result files; without them the
  // run only returns what it found (comparisons).
  bool writeResults = true;
  // Polishes the best layout found by local search (optimise/polish.h) before
  // the results are written; the classic form never does.
  bool polish = false;
  // The restart this run is, and of how many (told in the result).
  int restart = 0;
  int restarts = 1;
};

// Why the layouts of `c` cannot be written (a register name the notation
// cannot hold), or "" when they can; runGA refuses such a circuit.
std::string layoutWritingProblem(const Circuit& c);

// Searches for the best scan layout of `c` and writes the result files of
// `run`, which also takes the errors and says how to analyse (the circuit is
// left without a layout, its notation and fitness set).
SearchResult runGA(Circuit& c, const GaOptions& options, RandomSource& random, const RunContext& run);
