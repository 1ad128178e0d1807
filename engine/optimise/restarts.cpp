#include "optimise/restarts.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "model/circuitcopy.h"
#include "model/model.h"

namespace {

// SplitMix64: well-spread seeds from consecutive inputs.
std::uint64_t mixed(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

int threadsFor(int wanted, int restarts) {
  int n = wanted;
  if (n <= 0) n = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
  return std::clamp(n, 1, std::max(restarts, 1));
}

}  // namespace

std::uint64_t restartSeed(std::uint64_t seed, int index) {
  return index == 0 ? seed : mixed(seed ^ mixed(static_cast<std::uint64_t>(index)));
}

RestartsOutcome runRestarts(Circuit& c, const GaOptions& options, std::uint64_t seed, int restarts, int threads,
                            const RunContext& run) {
  RestartsOutcome outcome;
  outcome.runs.resize(static_cast<size_t>(std::max(restarts, 0)));
  if (outcome.runs.empty()) return outcome;
  GaOptions o = options;
  o.writeResults = false;
  o.observer = nullptr;  // observers follow one run
  o.workers = 1;         // the restarts share the cores instead
  // Each thread beside this one searches its own copy of the circuit.
  std::vector<std::unique_ptr<Circuit>> copies;
  for (int t = 1; t < threadsFor(threads, restarts); ++t) {
    std::unique_ptr<Circuit> copy = copyCircuit(c);
    if (!copy) break;
    copies.push_back(std::move(copy));
  }
  std::atomic<int> next{0};
  auto work = [&](Circuit& circuit) {
    for (int i = next++; i < restarts; i = next++) {
      GaOptions mine = o;
      mine.seed = restartSeed(seed, i);
      mine.restart = i;
      mine.restarts = restarts;
      SeededRandom random(*mine.seed);
      outcome.runs[static_cast<size_t>(i)] = runGA(circuit, mine, random, run);
    }
  };
  std::vector<std::thread> running;
  for (auto& copy : copies) running.emplace_back([&work, &copy] { work(*copy); });
  work(c);
  for (std::thread& t : running) t.join();
  for (size_t i = 1; i < outcome.runs.size(); ++i)
    if (outcome.runs[i].fitness > outcome.runs[static_cast<size_t>(outcome.best)].fitness)
      outcome.best = static_cast<int>(i);
  return outcome;
}
