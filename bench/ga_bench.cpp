// Speed of the layout optimiser on the benchmark circuit: fitness evaluations
// per second, and the wall time of whole optimiser runs as the front end
// starts them (its default settings and the largest ones it offers).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "error.h"
#include "ga.h"
#include "main.h"

namespace {

const std::string kDiffeq = std::string(TARVEX_EXAMPLES) + "/diffeq";

// Sends standard output and the error stream to /dev/null for its lifetime.
class Quiet {
 public:
  Quiet() {
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    sink = std::fopen("/dev/null", "w");
    previous = setErrorStream(sink);
  }
  ~Quiet() {
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    setErrorStream(previous);
    if (sink) std::fclose(sink);
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  int saved;
  FILE* sink;
  FILE* previous;
};

std::unique_ptr<Circuit> loadDiffeq() {
  Quiet quiet;
  FILE* f = std::fopen(kDiffeq.c_str(), "r");
  if (!f) return nullptr;
  auto c = readCirData(f);
  std::fclose(f);
  return c;
}

// Layout, analysis and removal of random chromosomes, as the solver does per chromosome.
void BM_FitnessEvaluation(benchmark::State& state) {
  auto c = loadDiffeq();
  if (!c) {
    state.SkipWithError("cannot read examples/diffeq");
    return;
  }
  MAX_AREA_OVERHEAD = 7;
  MAX_PIN_OVERHEAD = 13;
  const int len = getScanChrLen(ORDERED_SCAN, c->getNREGs());
  constexpr int kChromosomes = 64;
  Population pop("bench", kChromosomes, len, ORDERED_SCAN, c.get());
  setRandomSeed(1);
  init_random();
  pop.initPopulation();
  const int area = c->getArea();
  const int pins = c->getNPIOs();
  int i = 0;
  for (auto _ : state) {
    pop.implementDFTLayout(i);
    benchmark::DoNotOptimize(pop.evalFitness(i, area, pins, 0.0));
    pop.deimplementDFTLayout(i);
    i = (i + 1) % kChromosomes;
  }
  state.SetItemsProcessed(state.iterations());
  setRandomSeed(std::nullopt);
}
BENCHMARK(BM_FitnessEvaluation);

// One whole `tarvex diffeq -n 1 1 a_over p_over psize elitism maxruns` run
// (reading, search, final analysis and result files), in a scratch folder.
void BM_OptimiserRun(benchmark::State& state, std::vector<std::string> args, bool memo = true) {
  const auto home = std::filesystem::current_path();
  const auto dir = std::filesystem::temp_directory_path() / ("ga_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  unsigned long seed = 1;
  const bool previousMemo = setFitnessMemo(memo);
  for (auto _ : state) {
    std::vector<std::string> words = {"tarvex", kDiffeq, "-n", "1", "1"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    setRandomSeed(seed++);
    Quiet quiet;
    tarvexMain(static_cast<int>(argv.size()), argv.data());
  }
  setRandomSeed(std::nullopt);
  setFitnessMemo(previousMemo);
  std::filesystem::current_path(home);
  std::filesystem::remove_all(dir);
}
BENCHMARK_CAPTURE(BM_OptimiserRun, default_7_13_20_0_500, {"7", "13", "20", "0", "500"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_OptimiserRun, largest_20_100_100_1_9000, {"20", "100", "100", "1", "9000"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
// The same run evaluating every chromosome afresh (no reuse of known layouts).
BENCHMARK_CAPTURE(BM_OptimiserRun, largest_without_memo, {"20", "100", "100", "1", "9000"}, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
