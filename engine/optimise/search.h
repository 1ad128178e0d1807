// What every optimiser method returns, and the observer that follows a run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scan/scanlayout.h"

class Circuit;
struct SearchResult;

// Told about each generation of a solver run.
class SearchObserver {
 public:
  virtual ~SearchObserver() = default;
  // After generation `generation`: `stale` generations since the last
  // improvement (the improving one counts), best fitness so far.
  virtual void generation(long generation, unsigned long stale, double best) = 0;
  // At the end of the run, while the best layout `found` is applied to `c` and analysed.
  virtual void finished(Circuit& c, const SearchResult& found) {
    (void)c;
    (void)found;
  }
};

// What a solver run found.
struct SearchResult {
  std::string notation;  // of the best layout ("" for none)
  ScanChains chains;
  double fitness = 0.0;
  long generations = 0;
  long visited = 0;  // layouts evaluated
  // What the local search after a genetic algorithm run changed (set when it ran).
  struct Polish {
    std::string gaNotation;  // the genetic algorithm's best layout
    double gaFitness = 0.0;
    long moves = 0;            // improving moves taken
    bool localOptimum = true;  // false when its budget stopped it first
  };
  std::optional<Polish> polish;
  // The seed of the fresh generator a polished run drew from (none when the
  // run was not polished or its generator had drawn before): such a run is
  // the one any polished run from a fresh generator of that seed repeats.
  std::optional<std::uint64_t> polishedFreshSeed;
  int restart = 0;                     // the restart that found it (optimise/restarts.h)
  int restarts = 1;                    // restarts run
  std::vector<double> restartFitness;  // of each restart, when more than one ran
};

