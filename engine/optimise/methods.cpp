#include "optimise/methods.h"

ScanMethodSettings scanMethodSettings(const OptimiseSettings& s) {
  ScanMethodSettings m;
  m.limits = s.limits;
  m.techniques = s.unordered ? UNORDERED_SCAN : ORDERED_SCAN;
  m.rules.chains = s.chains;
  m.rules.pinBudgetPercent = s.limits.maxPinOverhead;
  m.rules.loops.keepSelfLoops = s.keepSelfLoops;
  return m;
}

GaOptions modernGaOptions(Circuit& c, const OptimiseSettings& s, const RunContext& run) {
  GaOptions o;
  o.maxUnenhancedRuns = s.patience;
  o.elitism = s.elitism;
  o.populationSize = s.population;
  o.techniques = s.unordered ? UNORDERED_SCAN : ORDERED_SCAN;
  o.limits = s.limits;
  o.classicForm = false;
  o.seed = s.seed;
  o.prepare = gaSeeding(c, scanMethodSettings(s), run);
  return o;
}

namespace {

SearchResult runGeneticAlgorithm(Circuit& c, const OptimiseSettings& s, RandomSource& random,
                                 SearchObserver* observer, const RunContext& run) {
  GaOptions o = modernGaOptions(c, s, run);
  o.observer = observer;
  o.workers = 0;  // every core; the same results as one
  return runGA(c, o, random, run);
}

SearchResult runExact(Circuit& c, const OptimiseSettings& s, RandomSource&, SearchObserver* observer,
                      const RunContext& run) {
  return runExactSearch(c, scanMethodSettings(s), observer, run);
}

SearchResult runLoops(Circuit& c, const OptimiseSettings& s, RandomSource&, SearchObserver* observer,
                      const RunContext& run) {
  return runLoopBreaking(c, scanMethodSettings(s), observer, run);
}

SearchResult runFull(Circuit& c, const OptimiseSettings& s, RandomSource&, SearchObserver* observer,
                     const RunContext& run) {
  return runFullScan(c, scanMethodSettings(s), observer, run);
}

constexpr OptimiserMethod kMethods[] = {
    {"ga", "genetic algorithm (population, elitism, patience, seed)", runGeneticAlgorithm},
    {"exact", "the optimum over every layout (small circuits)", runExact},
    {"loops", "fewest scan registers that break every register loop", runLoops},
    {"full", "every register scanned", runFull},
};

}  // namespace

std::span<const OptimiserMethod> optimiserMethods() { return kMethods; }

const OptimiserMethod* findOptimiserMethod(std::string_view name) {
  for (const OptimiserMethod& m : kMethods)
    if (m.name == name) return &m;
  return nullptr;
}
