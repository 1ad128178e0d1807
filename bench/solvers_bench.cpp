// Speed of the optimiser methods: the exact search on diffeq, loop breaking
// on a 600-register design.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "test_diagnostics.h"
#include "optimise/exact.h"
#include "optimise/ga.h"
#include "cli/classic.h"
#include "quiet.h"
#include "random_circuit.h"
#include "scan/reggraph.h"

namespace {

// A generated design with about 600 registers and feedback.
std::unique_ptr<Circuit> design600() {
  RandomCircuitOptions o;
  o.items = 2000;
  o.seed = 600;
  o.feedbackPercent = 10;
  return randomCircuit(o).build();
}

void BM_ExactDiffeq(benchmark::State& state) {
  auto c = readQuietly(std::string(TARVEX_EXAMPLES) + "/diffeq");
  const FitnessLimits limits{7, 13, Objective::GRADED};
  long visited = 0;
  for (auto _ : state) {
    ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, limits);
    const ExactResult r = exactOptimum(eval, {});
    visited = r.visited;
    benchmark::DoNotOptimize(r.fitness);
  }
  state.counters["visited"] = static_cast<double>(visited);
}
BENCHMARK(BM_ExactDiffeq)->Unit(benchmark::kMillisecond);

void BM_LoopBreaking600(benchmark::State& state) {
  auto c = design600();
  size_t chosen = 0;
  for (auto _ : state) {
    RuleLayoutOptions o;
    o.pinBudgetPercent = 13;
    std::vector<std::string> warnings;
    const ScanLayout l = loopBreakingLayout(*c, o, &warnings);
    chosen = static_cast<size_t>(scannedCount(l));
    benchmark::DoNotOptimize(l);
  }
  state.counters["registers"] = c->getNREGs();
  state.counters["scanned"] = static_cast<double>(chosen);
}
BENCHMARK(BM_LoopBreaking600)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
