// Scale of the classic analysis run on generated circuits of 10^4, 10^5 and
// 10^6 ports (chained copies of diffeq, and random layered data paths with
// loops): the whole `tarvex FILE -n 0 -1` run with its seven result files,
// the reading alone, each later phase, and a plain copy of the same input
// and output bytes for reference. After the benchmarks a table of the
// figures is printed: the fastest of five runs, in wall and processor time
// (the processor time adds up every thread); reading throughput is by wall time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "circuitgen.h"
#include "test_diagnostics.h"
#include "quiet.h"
#include "optimise/ga.h"
#include "base/random.h"
#include "cli/classic.h"
#include "write/reports.h"

namespace {

namespace fs = std::filesystem;

double processSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Figures of one measurement: the fastest of its runs (the shared machine
// only ever adds time), wall and processor time each.
struct Figure {
  double wall = 0.0, cpu = 0.0;
  long bytes = 0;
};
std::map<std::string, std::map<long, Figure>> figures;  // by shape:what, then ports

// Times the loop of `state`, running `body` each iteration.
template <class Body>
void measure(benchmark::State& state, const std::string& key, long ports, Body body) {
  double wall = 0.0, cpu = 0.0;
  bool any = false;
  for (auto _ : state) {
    const double w0 = wallSeconds(), c0 = processSeconds();
    body();
    const double w = wallSeconds() - w0, c = processSeconds() - c0;
    wall = any ? std::min(wall, w) : w;
    cpu = any ? std::min(cpu, c) : c;
    any = true;
  }
  if (any) figures[key][ports] = {wall, cpu, 0};
}

enum Shape { DIFFEQ, LAYERED };
const char* shapeName(int s) { return s == DIFFEQ ? "diffeq" : "layered"; }

// The work folder of one size: the description and the result files of a run.
struct Workspace {
  fs::path dir;
  fs::path input;
  long inputBytes = 0;
};

Workspace& workspace(int shape, long ports) {
  static std::map<std::pair<int, long>, Workspace> made;
  Workspace& w = made[{shape, ports}];
  if (w.dir.empty()) {
    w.dir = fs::temp_directory_path() / ("tarvex-scale-" + std::to_string(getpid()) + "-" + shapeName(shape) +
                                         std::to_string(ports));
    fs::create_directories(w.dir);
    w.input = w.dir / "input.cir";
    LayeredOptions o;
    o.ports = ports;
    const std::string text = shape == DIFFEQ ? tiledDiffeq(diffeqCopiesFor(ports)) : layeredCircuit(o);
    std::ofstream(w.input, std::ios::binary) << text;
    w.inputBytes = static_cast<long>(text.size());
  }
  return w;
}

// Runs `tarvex FILE -n 0 -1` in the workspace.
void classicRun(const Workspace& w) {
  const fs::path previousDir = fs::current_path();
  fs::current_path(w.dir);
  std::string file = w.input.string();
  char a0[] = "tarvex", a2[] = "-n", a3[] = "0", a4[] = "-1";
  char* argv[] = {a0, file.data(), a2, a3, a4, nullptr};
  {
    Quiet quiet;
    resetTestErrors();
    tarvexMain(5, argv, testContext());
  }
  fs::current_path(previousDir);
}

void BM_ClassicRun(benchmark::State& state) {
  const int shape = static_cast<int>(state.range(0));
  const long ports = state.range(1);
  Workspace& w = workspace(shape, ports);
  measure(state, std::string(shapeName(shape)) + ":run", ports, [&] { classicRun(w); });
  long out = 0;
  for (const auto& e : fs::directory_iterator(w.dir))
    if (e.path() != w.input) out += static_cast<long>(e.file_size());
  figures[std::string(shapeName(shape)) + ":run"][ports].bytes = out;
  state.counters["in_MB"] = static_cast<double>(w.inputBytes) / 1e6;
  state.counters["out_MB"] = static_cast<double>(out) / 1e6;
}

void BM_Read(benchmark::State& state) {
  const int shape = static_cast<int>(state.range(0));
  const long ports = state.range(1);
  Workspace& w = workspace(shape, ports);
  measure(state, std::string(shapeName(shape)) + ":read", ports, [&] {
    Quiet quiet;
    FILE* in = std::fopen(w.input.c_str(), "r");
    auto c = readCirData(in, testDiagnostics());
    std::fclose(in);
    benchmark::DoNotOptimize(c.get());
    c.reset();
  });
  figures[std::string(shapeName(shape)) + ":read"][ports].bytes = w.inputBytes;
  state.SetBytesProcessed(state.iterations() * w.inputBytes);
}

// Reads the input and writes the result files of the last run again, byte for byte.
void BM_PlainCopy(benchmark::State& state) {
  const int shape = static_cast<int>(state.range(0));
  const long ports = state.range(1);
  Workspace& w = workspace(shape, ports);
  if (!fs::exists(w.dir / "tiled.txt") && !fs::exists(w.dir / "layered.txt")) classicRun(w);
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(w.dir))
    if (e.path().extension() != ".copy") files.push_back(e.path());
  std::vector<char> block(size_t{1} << 20);
  measure(state, std::string(shapeName(shape)) + ":copy", ports, [&] {
    for (const fs::path& f : files) {
      FILE* in = std::fopen(f.c_str(), "rb");
      FILE* out = f == w.input ? nullptr : std::fopen((f.string() + ".copy").c_str(), "wb");
      size_t n;
      while (in && (n = std::fread(block.data(), 1, block.size(), in)) > 0)
        if (out) std::fwrite(block.data(), 1, n, out);
      if (in) std::fclose(in);
      if (out) std::fclose(out);
    }
  });
  for (const fs::path& f : files) fs::remove(f.string() + ".copy");
}

// Optimiser throughput: fitness evaluations per second of whole solver runs
// (population 32, no reuse of known layouts) on 6 registers (diffeq), 50 and
// 600 (layered data paths), on one thread and on every core.
std::map<std::pair<int, int>, double> evaluationsPerSecond;  // by registers, threads

void BM_Evaluations(benchmark::State& state) {
  const int regs = static_cast<int>(state.range(0));
  const int threads = static_cast<int>(state.range(1));
  std::unique_ptr<Circuit> c;
  {
    Quiet quiet;
    std::string text = regs == 6 ? tiledDiffeq(1, "diffeq") : layeredWithRegisters(regs);
    FILE* in = fmemopen(text.data(), text.size(), "r");
    c = readCirData(in, testDiagnostics());
    std::fclose(in);
  }
  const fs::path dir = fs::temp_directory_path() / ("tarvex-scale-" + std::to_string(getpid()) + "-ga");
  fs::create_directories(dir);
  const std::string previous = setTestResultFolder(dir.string());
  GaOptions o;
  o.maxUnenhancedRuns = regs >= 600 ? 2 : 10;
  o.populationSize = 32;
  o.reuseFitness = false;
  o.classicForm = false;
  o.limits = FitnessLimits{20, 40, Objective::CLASSIC};
  o.workers = threads;
  long visited = 0;
  double seconds = 0.0;
  for (auto _ : state) {
    Quiet quiet;
    SeededRandom random(5);
    const double w0 = wallSeconds();
    visited += runGA(*c, o, random, testContext()).visited;
    seconds += wallSeconds() - w0;
  }
  setTestResultFolder(previous);
  fs::remove_all(dir);
  evaluationsPerSecond[{regs, threads}] = seconds > 0 ? static_cast<double>(visited) / seconds : 0.0;
  state.counters["evaluations_per_s"] = evaluationsPerSecond[{regs, threads}];
}

void sizes(benchmark::internal::Benchmark* b) {
  for (int shape : {DIFFEQ, LAYERED})
    for (long ports : {10000L, 100000L, 1000000L}) b->Args({shape, ports});
  b->ArgNames({"shape", "ports"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_ClassicRun)->Apply(sizes)->Iterations(5);
BENCHMARK(BM_Read)->Apply(sizes)->Iterations(5);
BENCHMARK(BM_PlainCopy)->Apply(sizes)->Iterations(5);
BENCHMARK(BM_Evaluations)
    ->ArgsProduct({{6, 50, 600}, {1, 0}})
    ->ArgNames({"registers", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void printTable() {
  std::printf("\n| Circuit | Ports | Whole classic run (wall / CPU) | Of which reading (wall / CPU, MB/s) | "
              "Plain copy (wall / CPU) | Run / copy (wall / CPU) |\n|---|---|---|---|---|---|\n");
  for (int shape : {DIFFEQ, LAYERED}) {
    const std::string s = shapeName(shape);
    for (long ports : {10000L, 100000L, 1000000L}) {
      if (!figures[s + ":run"].count(ports)) continue;
      const Figure run = figures[s + ":run"][ports];
      const Figure read = figures[s + ":read"][ports];
      const Figure copy = figures[s + ":copy"][ports];
      std::printf("| %s | %ld | %.3f s / %.3f s | %.3f s / %.3f s, %.0f MB/s | %.3f s / %.3f s | %.1f / %.1f |\n",
                  s.c_str(), ports, run.wall, run.cpu, read.wall, read.cpu,
                  read.wall > 0 ? static_cast<double>(read.bytes) / 1e6 / read.wall : 0.0, copy.wall, copy.cpu,
                  copy.wall > 0 ? run.wall / copy.wall : 0.0, copy.cpu > 0 ? run.cpu / copy.cpu : 0.0);
    }
  }
  if (evaluationsPerSecond.empty()) return;
  std::printf("\n| Registers | Evaluations/s, 1 thread | Evaluations/s, every core |\n|---|---|---|\n");
  for (int regs : {6, 50, 600})
    if (evaluationsPerSecond.count({regs, 1}))
      std::printf("| %d | %.0f | %.0f |\n", regs, evaluationsPerSecond[{regs, 1}], evaluationsPerSecond[{regs, 0}]);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printTable();
  std::error_code ignored;
  for (const auto& e : fs::directory_iterator(fs::temp_directory_path(), ignored))
    if (e.path().filename().string().rfind("tarvex-scale-" + std::to_string(getpid()) + "-", 0) == 0)
      fs::remove_all(e.path(), ignored);
  return 0;
}
