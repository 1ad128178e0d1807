// Speed of the layout optimiser: fitness evaluations per second and the wall
// time of whole optimiser runs, on diffeq (6 registers) and on generated data
// paths of 50 and 600 registers; and the classic runs as the front end starts
// them (its default settings and the largest ones it offers).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "base/clock.h"
#include "datapath.h"
#include "test_diagnostics.h"
#include "quiet.h"
#include "optimise/evaluator.h"
#include "optimise/ga.h"
#include "read/import.h"
#include "cli/classic.h"

namespace {

const std::string kDiffeq = std::string(TARVEX_EXAMPLES) + "/diffeq";

// diffeq for 6 registers, the generated data path otherwise.
std::unique_ptr<Circuit> circuitWith(int nregs) {
  if (nregs == 6) return readQuietly(kDiffeq);
  const std::string text = registerDatapath(nregs);
  Quiet quiet;
  FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!f) return nullptr;
  auto c = readCirData(f, testDiagnostics());
  std::fclose(f);
  return c;
}

// A clock that stands still, so that runs take their seed from the command line.
class StillClock final : public Clock {
 public:
  double seconds() override { return 0.0; }
  std::uint64_t seedFromTime() override { return 1; }
};

// Layout, analysis and removal of random chromosomes, as the solver does per chromosome.
void BM_FitnessEvaluation(benchmark::State& state) {
  auto c = circuitWith(static_cast<int>(state.range(0)));
  if (!c) {
    state.SkipWithError("cannot read the circuit");
    return;
  }
  const FitnessLimits limits{7, 13, Objective::GRADED};
  const int len = getScanChrLen(ORDERED_SCAN, c->getNREGs());
  constexpr int kChromosomes = 64;
  Population pop("bench", kChromosomes, len, ORDERED_SCAN, c.get(), testDiagnostics());
  SeededRandom random(1);
  pop.initPopulation(random);
  ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, limits);
  eval.setMemo(false);  // every chromosome analysed, as a run meets new layouts
  ScanLayout layout;
  int i = 0;
  for (auto _ : state) {
    pop.layoutInto(i, layout);
    benchmark::DoNotOptimize(eval.fitness(layout));
    i = (i + 1) % kChromosomes;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FitnessEvaluation)->Arg(6)->Arg(50)->Arg(600);

// Runs a command line in a scratch folder, quietly.
class ScratchRun {
 public:
  ScratchRun() : home(std::filesystem::current_path()) {
    dir = std::filesystem::temp_directory_path() / ("ga_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
  }
  ~ScratchRun() {
    std::filesystem::current_path(home);
    std::filesystem::remove_all(dir);
  }
  ScratchRun(const ScratchRun&) = delete;
  ScratchRun& operator=(const ScratchRun&) = delete;
  // Writes `text` to a file of the scratch folder; returns its path.
  std::string file(const std::string& name, const std::string& text) const {
    std::FILE* f = std::fopen((dir / name).c_str(), "w");
    if (f) {
      std::fputs(text.c_str(), f);
      std::fclose(f);
    }
    return (dir / name).string();
  }
  int run(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    Quiet quiet;
    resetTestErrors();
    if (isCliCommand(argv[1])) {
      CliEnv env{{testDiagnostics(), clock, systemProcessRunner(), std::string(), AnalysisOptions{}}, false};
      return cliMain(static_cast<int>(argv.size()), argv.data(), env);
    }
    RunContext run{testDiagnostics(), clock, systemProcessRunner(), std::string(), AnalysisOptions{}};
    return tarvexMain(static_cast<int>(argv.size()), argv.data(), run);
  }

 private:
  std::filesystem::path home, dir;
  StillClock clock;
};

// One whole `tarvex diffeq -n 1 1 a_over p_over psize elitism maxruns` run
// (reading, search, final analysis and result files).
void BM_ClassicOptimiserRun(benchmark::State& state, std::vector<std::string> args) {
  ScratchRun scratch;
  for (auto _ : state) {
    std::vector<std::string> words = {"tarvex", kDiffeq, "-n", "1", "1"};
    words.insert(words.end(), args.begin(), args.end());
    scratch.run(words);
  }
}
BENCHMARK_CAPTURE(BM_ClassicOptimiserRun, default_7_13_20_0_500, {"7", "13", "20", "0", "500"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_ClassicOptimiserRun, largest_20_100_100_1_9000, {"20", "100", "100", "1", "9000"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// A default `tarvex optimise FILE --seed 1` run on a circuit of range(0) registers
// (patience range(1)).
void BM_OptimiseRun(benchmark::State& state) {
  ScratchRun scratch;
  const int nregs = static_cast<int>(state.range(0));
  const std::string input = nregs == 6 ? kDiffeq : scratch.file("dp", registerDatapath(nregs));
  for (auto _ : state)
    scratch.run({"tarvex", "optimise", input, "--seed", "1", "--patience", std::to_string(state.range(1))});
}
BENCHMARK(BM_OptimiseRun)
    ->Args({6, 500})
    ->Args({50, 500})
    ->Args({600, 20})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
