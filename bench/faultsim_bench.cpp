// Fault simulation speed on generated gate-level netlists of 25,000 and
// 250,000 gates (of the size of the larger benchmark designs): full scan,
// 10,000 random patterns, every fault, with and without fault dropping.
// Prints the time and the gate evaluations per second of each run.
//
// Without dropping every fault is simulated on every pattern, so those runs
// take --no-drop-patterns N patterns (1000): the rate is what they measure.
//
//   faultsim_bench [GATES...] [--patterns N] [--no-drop-patterns N] [--threads T] [--drop-only]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/random.h"
#include "faultsim/coverage.h"
#include "faultsim/netlist.h"

namespace {

// A netlist in `depth` levels: each gate reads nets of the two levels below
// it, or now and then a primary input or flip-flop; about one flip-flop per
// 15 gates, its D driven by a gate of any level; outputs from the top levels.
GateNetlist layeredNetlist(int gates, int depth, unsigned long long seed) {
  std::mt19937_64 rng(seed);
  GateNetlist n;
  auto fresh = [&] { return n.netCount++; };
  const int clock = fresh();
  n.inputs.push_back({"clk", {clock}});
  PortBits in{"in", {}};
  for (int i = 0; i < 64; ++i) in.nets.push_back(fresh());
  n.inputs.push_back(in);
  std::vector<int> sources = in.nets;
  const int flops = gates / 15;
  for (int f = 0; f < flops; ++f) {
    n.flops.push_back({"ff" + std::to_string(f), kNetX, fresh(), clock, ""});
    sources.push_back(n.flops.back().q);
  }
  // Mostly AND/OR-type gates and multiplexers, as mapped control and data path logic is; few XORs.
  const GateKind kinds[] = {GateKind::And, GateKind::Or,     GateKind::Nand,  GateKind::Nor, GateKind::Not,
                            GateKind::Mux, GateKind::AndNot, GateKind::OrNot, GateKind::And, GateKind::Or,
                            GateKind::Mux, GateKind::Not,    GateKind::Nand,  GateKind::Nor, GateKind::Mux,
                            GateKind::And, GateKind::Or,     GateKind::Mux,   GateKind::Xor, GateKind::Xnor};
  std::vector<std::vector<int>> levels(1, sources);
  const int width = std::max(1, gates / depth);
  for (int g = 0; g < gates; ++g) {
    if (g % width == 0) levels.emplace_back();
    const size_t top = levels.size() - 1;
    auto pick = [&]() {
      const size_t from = rng() % 8 == 0 || top < 2 ? 0 : top - 1 - rng() % std::min<size_t>(2, top - 1);
      const std::vector<int>& level = levels[from].empty() ? levels[0] : levels[from];
      return level[rng() % level.size()];
    };
    Gate gate{"g" + std::to_string(g), kinds[rng() % 20], {pick(), pick(), pick()}, fresh(), ""};
    levels[top].push_back(gate.out);
    n.gates.push_back(gate);
  }
  // Gates nothing reads end at a flip-flop or, when there are more of them, at an output.
  std::vector<char> read(static_cast<size_t>(n.netCount), 0);
  for (const Gate& g : n.gates)
    for (int p = 0; p < gateInputCount(g.kind); ++p) read[static_cast<size_t>(g.in[p])] = 1;
  std::vector<int> ends;
  for (const Gate& g : n.gates)
    if (!read[static_cast<size_t>(g.out)]) ends.push_back(g.out);
  std::shuffle(ends.begin(), ends.end(), rng);
  size_t next = 0;
  for (FlipFlop& f : n.flops) f.d = next < ends.size() ? ends[next++] : n.gates[rng() % n.gates.size()].out;
  PortBits out{"out", {}};
  while (next < ends.size()) out.nets.push_back(ends[next++]);
  for (int o = 0; o < 64; ++o) {
    const std::vector<int>& level = levels[levels.size() - 1 - rng() % 2];
    out.nets.push_back(level[rng() % level.size()]);
  }
  n.outputs.push_back(out);
  return n;
}

// CPU time of the process so far (every thread), in seconds.
double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

struct Measure {
  double seconds = 0.0;
  double cpu = 0.0;
  unsigned long long evaluations = 0;
  double coverage = 0.0;
  size_t faults = 0;
};

Measure run(const GateNetlist& n, long long patterns, unsigned threads, bool drop) {
  FaultSimSettings s;
  s.patterns = patterns;
  s.sim.threads = threads;
  s.sim.dropDetected = drop;
  SeededRandom random(1);
  FaultSimRun r;
  std::vector<std::string> problems;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = cpuSeconds();
  if (!runFaultSimulation(n, std::vector<char>(n.flops.size(), 1), s, random, r, problems)) {
    std::fprintf(stderr, "%s\n", problems.empty() ? "failed" : problems[0].c_str());
    std::exit(1);
  }
  Measure m;
  m.cpu = cpuSeconds() - cpuStart;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.evaluations = r.result.gateEvaluations + r.result.goodEvaluations;
  m.coverage = coverageAfter(r).percent();
  m.faults = r.faults.faults.size();
  return m;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<int> sizes;
  long long patterns = 10000, noDropPatterns = 1000;
  unsigned threads = std::max(1U, std::thread::hardware_concurrency());
  bool withoutDropping = true;
  for (int k = 1; k < argc; ++k) {
    const std::string a = argv[k];
    if (a == "--patterns" && k + 1 < argc) patterns = std::atoll(argv[++k]);
    else if (a == "--no-drop-patterns" && k + 1 < argc) noDropPatterns = std::atoll(argv[++k]);
    else if (a == "--threads" && k + 1 < argc) threads = static_cast<unsigned>(std::atoi(argv[++k]));
    else if (a == "--drop-only") withoutDropping = false;
    else sizes.push_back(std::atoi(a.c_str()));
  }
  if (sizes.empty()) sizes = {25000, 250000};
  std::printf("%9s %7s %8s %9s %6s %9s %9s %10s %14s %14s\n", "gates", "flops", "faults", "patterns", "drop",
              "seconds", "cpu s", "coverage", "gate evals/s", "evals/cpu s");
  for (int gates : sizes) {
    const GateNetlist n = layeredNetlist(gates, 30, 2026);
    for (bool drop : {true, false}) {
      if (!drop && !withoutDropping) continue;
      const long long count = drop ? patterns : std::min(patterns, noDropPatterns);
      const Measure m = run(n, count, threads, drop);
      std::printf("%9d %7zu %8zu %9lld %6s %9.2f %9.2f %9.2f%% %14.3g %14.3g\n", gates, n.flops.size(), m.faults,
                  count, drop ? "yes" : "no", m.seconds, m.cpu, m.coverage,
                  static_cast<double>(m.evaluations) / m.seconds, static_cast<double>(m.evaluations) / m.cpu);
      std::fflush(stdout);
    }
  }
  return 0;
}
