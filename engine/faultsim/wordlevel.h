// The word-level side of a fault simulation: the scan layout chosen on the
// imported circuit, and the testability the analysis gives each register and
// primary port with that layout.
#pragma once

class Analyser;

#include <string>
#include <vector>

#include "optimise/methods.h"
#include "scan/layouts.h"

class Circuit;
class RandomSource;

// What picks the layout: a notation, or a method (none, full, loops, ga, exact).
struct LayoutChoice {
  std::string notation;      // used when `method` is empty
  std::string method;
};

// One register or primary port and its word-level testability.
struct WordFigure {
  std::string name;
  bool isRegister = false;
  bool scanned = false;
  double testability = 0.0;
};

struct WordLevelView {
  std::string layout;                       // notation of the layout ("" for none)
  std::vector<std::string> scannedRegisters;
  std::vector<WordFigure> figures;          // registers as described, then the primary ports
};

// The layout `choice` gives on `c`; "" or the problem (unknown method,
// malformed notation, exact search refused). The GA writes no result files;
// the searches analyse as `run` says and report to it.
std::string chooseLayout(Circuit& c, const LayoutChoice& choice, const OptimiseSettings& s, RandomSource& random,
                         ScanLayout& layout, const RunContext& run);

// Analyses `c` with `layout` applied by the analyser's measure (and takes it
// out again); "" or the problem.
std::string wordLevelView(Circuit& c, const ScanLayout& layout, bool unordered, WordLevelView& view,
                          Analyser& analyser);
