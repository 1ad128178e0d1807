#include "methods.h"

namespace {

SearchResult runGeneticAlgorithm(Circuit& c, const OptimiseSettings& s, RandomSource& random,
                                 SearchObserver* observer) {
  GaOptions o;
  o.maxUnenhancedRuns = s.patience;
  o.elitism = s.elitism;
  o.populationSize = s.population;
  o.techniques = s.unordered ? UNORDERED_SCAN : ORDERED_SCAN;
  o.limits = s.limits;
  o.classicForm = false;
  o.seed = s.seed;
  o.observer = observer;
  return runGA(c, o, random);
}

constexpr OptimiserMethod kMethods[] = {
    {"ga", "genetic algorithm (population, elitism, patience, seed)", runGeneticAlgorithm},
};

}  // namespace

std::span<const OptimiserMethod> optimiserMethods() { return kMethods; }

const OptimiserMethod* findOptimiserMethod(std::string_view name) {
  for (const OptimiserMethod& m : kMethods)
    if (m.name == name) return &m;
  return nullptr;
}
