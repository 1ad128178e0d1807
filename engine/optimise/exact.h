// The exact optimiser: every scan layout of a small circuit, chain sets in a
// canonical order, with bounds that skip layouts which cannot beat the best.
#pragma once

#include <string>
#include <vector>

#include "optimise/evaluator.h"
#include "scan/layouts.h"

struct ExactOptions {
  // Most layouts searched; above it the search is refused (about 10 s of evaluations).
  double maxLayouts = 1.5e5;
  // Skips layout classes (scan register and chain counts) whose overheads alone
  // keep the fitness at or below the best found.
  bool prune = true;
  // Layouts evaluated first, so that the bounds start from their best (with
  // the bounds on, a greedy ascent from the best of them follows).
  std::vector<ScanLayout> seeds;
};

struct ExactResult {
  bool refused = false;
  double layouts = 0.0;  // layouts left to search (after the bounds of the seeds)
  bool countStopped = false;  // refused as soon as `layouts` passed the limit: more are left
  ScanLayout best;
  double fitness = 0.0;
  long visited = 0;      // layouts evaluated, seeds included
};

// Layouts the exact search evaluates in about 10 s on `c`: the evaluation
// time grows with the port count (about 40 us per layout for 70 ports).
double exactLayoutLimit(const Circuit& c);

// Number of scan layouts of `nregs` registers: with chain order within a chain
// (ordered scan) or without; the order of the chains never matters.
double layoutCount(int nregs, bool ordered);

// Upper bound of the fitness of any layout with these overheads (controllability at most 1).
double fitnessUpperBound(const FitnessLimits& limits, double areaOverheadPercent, double pinOverheadPercent);

// Searches every layout of the evaluator's circuit for the highest fitness;
// the first layout found keeps a tie.
ExactResult exactOptimum(ScanEvaluator& eval, const ExactOptions& options);

// A layout count as a number ("1.234e+05"; beyond the largest double, "more than" it), never "inf".
std::string layoutCountText(double count);

// The message of a refused search (one line, no line end): the layout count and what to use instead.
std::string exactRefusal(const ExactResult& r, const ExactOptions& options);
