// What every optimiser method returns, and the observer that follows a run.
#pragma once

#include <string>

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
};

