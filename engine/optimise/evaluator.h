// Evaluates scan layouts of one circuit: applies a layout, measures its
// fitness, takes it out again, and remembers the fitness of the layouts seen.
// The one evaluator of the optimisers; a generation of the genetic algorithm
// may be evaluated on several threads, each with its own copy of the circuit
// and its own analyser.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/analysis.h"
#include "base/run_context.h"
#include "optimise/fitness.h"
#include "scan/scanlayout.h"

class Circuit;

// How a ScanEvaluator works; the fitness values are the same for any setting.
struct EvaluatorOptions {
  bool memo = true;  // reuse the fitness of a layout seen before
  int workers = 1;   // threads for fitnessOfAll (0: one per core)
  // fitnessOfAll uses threads only when the analyses of a call cover at least
  // this many port bits in all: for less, starting threads costs more.
  std::size_t minSideBySideBits = 100000;
};

class ScanEvaluator {
 public:
  // Evaluates layouts of `c` (with no layout applied) for the scan technique
  // bits `techniques` (ORDERED_SCAN or UNORDERED_SCAN) against `limits`, the
  // overheads measured against the circuit as it is now; analyses as `run`
  // says and reports to its diagnostics.
  ScanEvaluator(Circuit& c, const RunContext& run, int techniques, const FitnessLimits& limits,
                const EvaluatorOptions& options = {});
  // The same with the overheads measured against `basis`.
  ScanEvaluator(Circuit& c, const RunContext& run, int techniques, const FitnessBasis& basis,
                const EvaluatorOptions& options = {});
  ~ScanEvaluator();
  ScanEvaluator(const ScanEvaluator&) = delete;
  ScanEvaluator& operator=(const ScanEvaluator&) = delete;

  // Fitness of `layout` as the technique settles it; each call counts as a visit.
  double fitness(const ScanLayout& layout);
  // Fitness of every layout into `values`, the same as calling fitness() on
  // each in order (visits, memo and computations included).
  void fitnessOfAll(const std::vector<ScanLayout>& layouts, std::vector<double>& values);
  // Area and pin overhead in percent of `layout`, measured by applying it.
  struct Overheads {
    double areaPercent = 0.0;
    double pinPercent = 0.0;
  };
  Overheads overheads(const ScanLayout& layout);
  // `layout` as the technique applies it.
  ScanLayout settled(const ScanLayout& layout) const;
  // Layouts evaluated so far (memo hits included).
  long visited() const { return visits; }
  // Layouts whose fitness was computed (memo misses).
  long computed() const { return computations; }
  // Turns the memo on or off (on by default; results are the same either way).
  void setMemo(bool on) { options.memo = on; }
  bool memoOn() const { return options.memo; }
  Circuit& circuit() { return c; }
  // The analyser of the evaluator's circuit (the one of the calling thread).
  Analyser& analyser() { return mainAnalyser; }
  // The registers layouts number.
  const LayoutRegisters& registers() const { return regs; }
  int techniques() const { return tech; }
  const FitnessBasis& basis() const { return base; }

 private:
  struct Copy;
  ChainOrder order() const;
  // Settles `layout` into `scratch` and returns its memo key.
  const std::string& keyOf(const ScanLayout& layout);
  // Applies the settled `layout` to `circuit` (whose registers are `r`), analyses it with `a`, and takes it out.
  double compute(Circuit& circuit, const LayoutRegisters& r, Analyser& a, const ScanLayout& layout) const;
  // Remembers `f` for `key` while the memo has room.
  void remember(std::string key, double f);
  // Computes the fitness of settled[jobs[k]] into values[k] on `threads` threads; false when the circuit cannot be copied.
  bool computeSideBySide(const std::vector<ScanLayout>& settled, const std::vector<int>& jobs, size_t threads,
                         std::vector<double>& values);

  Circuit& c;
  AnalysisOptions analysis;
  Analyser mainAnalyser;  // analyses `c`; keeps its work lists between layouts
  int tech;
  FitnessBasis base;
  EvaluatorOptions options;
  LayoutRegisters regs;
  std::unordered_map<std::string, double> memo;  // fitness by layoutKey of the settled layout
  long visits = 0;
  long computations = 0;
  ScanLayout scratch;        // the settled layout of the last keyOf
  std::vector<int> seen;     // scratch of settleLayout
  std::string key;           // the key of the last keyOf
  std::vector<std::unique_ptr<Copy>> copies;  // one per extra thread, made once, each with its analyser
  bool copiesFailed = false;
};
