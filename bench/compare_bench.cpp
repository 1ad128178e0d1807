// `compare` on large generated designs, beyond reading them: 600 and 1,000
// registers (`gencircuit registers N`), a 10,000-port layered data path
// (`gencircuit layered 10000`) and processor-like designs of 600 registers
// in 10,000 items and 1,000 in 16,000 (`gencircuit processor R N`), default settings. Each run is reported with
// its processor time, the time of each method's row and the fitness
// evaluations per processor second of the genetic algorithm rows.
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

#include "base/random.h"
#include "circuitgen.h"
#include "optimise/compare.h"
#include "processorgen.h"
#include "quiet.h"
#include "test_diagnostics.h"

namespace {

double processSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::unique_ptr<Circuit> parsed(const std::string& text) {
  Quiet quiet;
  FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!f) return nullptr;
  auto c = readCirData(f, testDiagnostics());
  std::fclose(f);
  return c;
}

void compareOn(benchmark::State& state, const std::string& description) {
  auto c = parsed(description);
  if (!c) {
    state.SkipWithError("the generated design does not read");
    return;
  }
  for (auto _ : state) {
    OptimiseSettings s;
    s.seed = 1;
    SeededRandom random(s.seed);
    Comparison cmp;
    const double cpu0 = processSeconds();
    {
      Quiet quiet;
      RunContext run = testContext();
      run.analysis.measure = MeasureKind::FIXPOINT;  // the default of the command
      cmp = compareMethods(*c, s, random, run);
    }
    const double cpu = processSeconds() - cpu0;
    state.counters["cpu_s"] = cpu;
    state.counters["registers"] = c->getNREGs();
    for (const CompareRow& r : cmp.rows) {
      state.counters[r.method + "_s"] = r.seconds;
      if (r.method == "ga" && r.seconds > 0.0) {
        state.counters["ga_evals"] = static_cast<double>(r.visited);
        state.counters["ga_evals_per_s"] = static_cast<double>(r.visited) / r.seconds;
      }
    }
    state.counters["exact_refused"] = cmp.skipped.empty() ? 0 : 1;
  }
}

void BM_CompareRegisters(benchmark::State& state) {
  compareOn(state, layeredWithRegisters(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_CompareRegisters)->Arg(600)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_CompareLayered(benchmark::State& state) {
  LayeredOptions o;
  o.ports = state.range(0);
  compareOn(state, layeredCircuit(o));
}
BENCHMARK(BM_CompareLayered)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_CompareProcessor(benchmark::State& state) {
  ProcessorOptions o;
  o.registers = state.range(0);
  o.cells = state.range(1);
  compareOn(state, processorCircuit(o));
}
BENCHMARK(BM_CompareProcessor)->Args({600, 10000})->Args({1000, 16000})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
