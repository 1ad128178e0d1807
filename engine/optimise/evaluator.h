// Evaluates scan layouts of one circuit: applies a layout, measures its
// fitness, takes it out again, and remembers the fitness of every layout seen.
#pragma once

#include <string>
#include <unordered_map>

#include "optimise/ga.h"
#include "scan/layouts.h"

class ScanEvaluator {
 public:
  // Evaluates layouts of `c` (with no layout applied) for the scan technique
  // bits `techniques` (ORDERED_SCAN or UNORDERED_SCAN) against `limits`.
  ScanEvaluator(Circuit& c, int techniques, const FitnessLimits& limits);
  ScanEvaluator(const ScanEvaluator&) = delete;
  ScanEvaluator& operator=(const ScanEvaluator&) = delete;

  // Fitness of `layout` (0 for a layout that cannot be applied); each call counts as a visit.
  double fitness(const ScanLayout& layout);
  // Area and pin overhead in percent of `layout`, measured by applying it.
  struct Overheads {
    double areaPercent = 0.0;
    double pinPercent = 0.0;
  };
  Overheads overheads(const ScanLayout& layout);
  // Layouts evaluated so far (memo hits included).
  long visited() const { return visits; }
  // Layouts whose fitness was computed (memo misses).
  long computed() const { return computations; }
  // Turns the memo on or off (on by default; results are the same either way).
  void setMemo(bool on) { memoOn = on; }
  Circuit& circuit() { return c; }
  int techniques() const { return tech; }
  const FitnessBasis& basis() const { return base; }

 private:
  bool encode(const ScanLayout& layout);

  Circuit& c;
  int tech;
  FitnessBasis base;
  Population pop;
  std::unordered_map<std::string, double> memo;  // fitness by Population::layoutKey
  bool memoOn = true;
  long visits = 0;
  long computations = 0;
};
