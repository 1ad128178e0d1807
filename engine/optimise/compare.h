// `tarvex compare`: every optimiser method on one circuit, side by side, with
// the Pareto front of testability against area overhead.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "optimise/methods.h"
#include "optimise/rankagreement.h"

// One method's layout and its figures.
struct CompareRow {
  std::string method;
  std::string layout;  // notation, ready for `analyse --layout`
  int scanned = 0;
  int chains = 0;
  int shortestChain = 0;  // registers of the shortest and the longest chain (0 without chains)
  int longestChain = 0;
  double areaPercent = 0.0;
  double pinsPercent = 0.0;
  double testability = 0.0;  // GT
  double controllablePercent = 0.0;
  double observablePercent = 0.0;
  double fitness = 0.0;
  double gapPercent = 0.0;  // below the best fitness of any row, in percent of it
  double seconds = 0.0;
  long visited = -1;  // layouts evaluated (-1: the method has no search)
  std::optional<double> coveragePercent;   // stuck-at coverage (compare --faultsim)
  std::optional<double> coverageSpearman;  // rank correlation of testability and detection
};

struct Comparison {
  std::string circuit;
  std::string objective;
  std::string measure;              // the measure of every row's figures ("fixpoint" or "classic")
  double areaBudgetPercent = 0.0;
  double pinBudgetPercent = 0.0;
  std::vector<CompareRow> rows;
  std::vector<std::string> pareto;  // methods on the front, in row order
  std::string skipped;              // why the exact search did not run ("" when it ran)
  unsigned long long seed = 0;      // of the genetic algorithm
  std::optional<RankAgreement> agreement;  // of each measure with the coverage (compare --faultsim)
};

// Runs none, full, loops, ga, the polished ga and (when feasible) exact on
// `c`, timed on the clock of `run`, which also takes the errors; writes no
// result files. The polished ga repeats the ga's search from the settings'
// seed (so with one restart it polishes the ga row's layout); when that
// search is the ga row's own (polish on, one restart, `random` fresh from the
// seed), the row takes the ga row's result and time rather than repeating it.
Comparison compareMethods(Circuit& c, const OptimiseSettings& s, RandomSource& random, const RunContext& run);

// Sets each row's gap to the best fitness of all rows.
void setGaps(std::vector<CompareRow>& rows);

// Methods of the rows no other row beats in both testability (higher) and area overhead (lower).
std::vector<std::string> paretoFront(const std::vector<CompareRow>& rows);

// Longest layout notation the table prints in its row; longer ones are summarised.
inline constexpr size_t kInlineLayoutChars = 60;

// True when some row's notation is too long for the table: the table then
// shows each layout's summary and the full notation goes to NAME.layouts.txt.
bool layoutsSummarised(const Comparison& cmp);

// A layout's summary: "-" without chains, "CHAINS x REGISTERS" when every
// chain is as long, else "CHAINS x SHORTEST-LONGEST".
std::string layoutSummary(const CompareRow& row);

// The text of NAME.layouts.txt: one line per method, its name and its full notation ("-" for none).
std::string comparisonLayoutsText(const Comparison& cmp);

// The comparison as a table.
void printComparison(const Comparison& cmp, FILE* out);

// The comparison as the text of NAME.compare.json.
std::string comparisonJson(const Comparison& cmp, const std::string& version);
