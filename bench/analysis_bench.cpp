// Times the description reader and the testability analysis on reproducible random circuits of 1,000,
// 10,000 and 100,000 items (registers, multiplexers, functional units,
// feedback loops), with both schedules where the full walks stay affordable.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "analysis/analysis.h"
#include "cli/classic.h"
#include "random_circuit.h"
#include "write/reports.h"
#include "test_diagnostics.h"

namespace {

// Standard output goes to /dev/null while alive (the full analysis prints a
// line per run).
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved;
};

// One circuit per size, built once (seed 7, 10 % feedback links).
Circuit& circuitOf(int items) {
  static std::map<int, std::unique_ptr<Circuit>> built;
  auto& c = built[items];
  if (!c) {
    RandomCircuitOptions o;
    o.items = items;
    o.seed = 7;
    c = randomCircuit(o).build();
  }
  return *c;
}

void setCounters(benchmark::State& state, Circuit& c) {
  int ports = 0;
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) ++ports;
  state.counters["ports"] = ports;
  state.counters["con_bits"] = controllableBits(c);
  state.counters["obs_bits"] = observableBits(c);
}

template <AnalysisSchedule S>
void BM_TestabilityAnalysisFULL(benchmark::State& state) {
  Circuit& c = circuitOf(static_cast<int>(state.range(0)));
  const std::string folder = std::filesystem::temp_directory_path().string();
  const std::string previousFolder = setTestResultFolder(folder);
  const AnalysisSchedule previous = setTestAnalysisSchedule(S);
  {
    QuietStdout quiet;
    for (auto _ : state) analyseFull(c);
  }
  setTestAnalysisSchedule(previous);
  setTestResultFolder(previousFolder);
  std::remove((folder + "/gen.pro").c_str());
  setCounters(state, c);
}

template <AnalysisSchedule S>
void BM_TestabilityAnalysis(benchmark::State& state) {
  Circuit& c = circuitOf(static_cast<int>(state.range(0)));
  const AnalysisSchedule previous = setTestAnalysisSchedule(S);
  for (auto _ : state) testAnalyser().controllabilityFigures(c);
  setTestAnalysisSchedule(previous);
  setCounters(state, c);
}

// The benchmark circuit of the front end: what one fitness evaluation of the
// layout optimiser costs.
template <AnalysisSchedule S>
void BM_DiffeqTestabilityAnalysis(benchmark::State& state) {
  static std::unique_ptr<Circuit> c = [] {
    FILE* in = std::fopen(TARVEX_EXAMPLES "/diffeq", "r");
    QuietStdout quiet;
    auto read = readCirData(in, testDiagnostics());
    std::fclose(in);
    return read;
  }();
  const AnalysisSchedule previous = setTestAnalysisSchedule(S);
  for (auto _ : state) testAnalyser().controllabilityFigures(*c);
  setTestAnalysisSchedule(previous);
  setCounters(state, *c);
}

// Reading a generated description of the given size.
void BM_ReadDescription(benchmark::State& state) {
  RandomCircuitOptions o;
  o.items = static_cast<int>(state.range(0));
  o.seed = 7;
  std::string text = randomCircuit(o).text();
  QuietStdout quiet;
  for (auto _ : state) {
    FILE* in = fmemopen(text.data(), text.size(), "r");
    auto c = readCirData(in, testDiagnostics());
    std::fclose(in);
    benchmark::DoNotOptimize(c.get());
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}

constexpr auto kIncremental = AnalysisSchedule::INCREMENTAL;
constexpr auto kWalks = AnalysisSchedule::FULL_WALKS;

BENCHMARK(BM_ReadDescription)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffeqTestabilityAnalysis<kIncremental>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiffeqTestabilityAnalysis<kWalks>)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_TestabilityAnalysisFULL<kIncremental>)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestabilityAnalysis<kIncremental>)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestabilityAnalysisFULL<kWalks>)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestabilityAnalysis<kWalks>)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
