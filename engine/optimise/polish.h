// Local search after the genetic algorithm: from a layout, hill climbing over
// the layouts one move away (add, remove or move a register, swap two,
// replace a scanned register by an unscanned one, merge or split chains)
// until none is better. Scores through a ScanEvaluator, so layouts the
// search met before cost a memo look-up.
#pragma once

#include <vector>

#include "optimise/evaluator.h"

// One change of a layout; fields by kind (chains and positions of the layout changed).
struct LayoutMove {
  enum Kind { REMOVE, ADD, MOVE, SWAP, REPLACE, MERGE, SPLIT };
  Kind kind = REMOVE;
  // REMOVE  register at chain a, position b
  // ADD     unscanned register a into chain b (b = chain count: a new chain) before position c
  // MOVE    register at chain a, position b to chain c (c = chain count: a new chain) before position d
  // SWAP    registers at (a, b) and (c, d)
  // REPLACE register at (a, b) by unscanned register c
  // MERGE   chain b appended to chain a
  // SPLIT   chain a into its registers before position b and those from it on
  int a = 0, b = 0, c = 0, d = 0;
};

// Every move of the settled `layout` of `nregs` registers into `moves`
// (cleared first). With `ordered` false (unordered scan) positions within a
// chain do not matter, so only one position per chain is offered.
void layoutMoves(const ScanLayout& layout, int nregs, bool ordered, std::vector<LayoutMove>& moves);

// `layout` changed by `move` into `out` (unsettled: a removed register is left
// as -1 and a chain may be left empty; the evaluator settles both away).
void applyMove(const ScanLayout& layout, const LayoutMove& move, ScanLayout& out);

struct PolishOptions {
  // Most layouts whose fitness the search computes (memo hits are free); 0: no bound.
  long maxComputed = 0;
  // Moves scored together; the best improving one of a batch is taken.
  int batch = 256;
};

struct PolishResult {
  ScanLayout layout;          // settled
  double fitness = 0.0;
  double startFitness = 0.0;  // of the layout the search started from
  long moves = 0;             // improving moves taken
  long computed = 0;          // layouts whose fitness the search computed
  bool localOptimum = true;   // false when maxComputed stopped it first
};

// Climbs from `start` while a move improves the fitness; never returns a
// worse layout than `start`. Deterministic for a given start.
PolishResult polishLayout(ScanEvaluator& eval, const ScanLayout& start, const PolishOptions& options = {});
