// How often the genetic algorithm finds the exact optimum: 100 runs with the
// optimise defaults (area 7 %, pins 13 %, graded, population 20, patience 500),
// seeds 1 .. 100, on diffeq and two small generated data paths. The counter
// `hits` is the number of runs that end on the exact optimum's fitness; the
// `unseeded` variant starts from random chromosomes only, for reference.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "test_diagnostics.h"
#include "optimise/exact.h"
#include "cli/classic.h"
#include "quiet.h"
#include "optimise/methods.h"
#include "random_circuit.h"

namespace {

std::unique_ptr<Circuit> circuitFor(int which) {
  if (which == 0) return readQuietly(std::string(TARVEX_EXAMPLES) + "/diffeq");
  RandomCircuitOptions o;  // about 30 items, 7 and 9 registers
  o.items = which == 1 ? 24 : 30;
  o.seed = which == 1 ? 11 : 23;
  o.feedbackPercent = 15;
  return randomCircuit(o).build();
}

void gaHits(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const bool seeded = state.range(1) != 0;
  auto c = circuitFor(which);
  const OptimiseSettings defaults;
  const ScanMethodSettings scan = scanMethodSettings(defaults);
  ScanEvaluator eval(*c, testContext(), scan.techniques, defaults.limits);
  ExactOptions eo;
  eo.maxLayouts = 1e9;
  const double optimum = exactOptimum(eval, eo).fitness;
  int hits = 0;
  long visited = 0;
  for (auto _ : state) {
    hits = 0;
    visited = 0;
    for (std::uint64_t seed = 1; seed <= 100; ++seed) {
      GaOptions o = modernGaOptions(*c, defaults, testContext());
      o.writeResults = false;
      if (!seeded) o.prepare = nullptr;
      SeededRandom random(seed);
      const SearchResult r = runGA(*c, o, random, testContext());
      visited += r.visited;
      if (r.fitness >= optimum - 1e-9) ++hits;
    }
  }
  state.counters["registers"] = c->getNREGs();
  state.counters["optimum"] = optimum;
  state.counters["hits"] = hits;
  state.counters["visited_per_run"] = static_cast<double>(visited) / 100.0;
}
BENCHMARK(gaHits)
    ->ArgNames({"circuit", "seeded"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
