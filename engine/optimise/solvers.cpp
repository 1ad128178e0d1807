#include "optimise/solvers.h"

#include <cstdio>
#include <memory>

#include "base/diagnostics.h"
#include "optimise/exact.h"
#include "optimise/layoutresults.h"
#include "optimise/seeding.h"

namespace {

// Writes the result files of `layout` and reports what was found.
SearchResult finish(Circuit& c, const ScanEvaluator& eval, const ScanLayout& layout, double fitness, long visited,
                    SearchObserver* observer, const RunContext& run) {
  SearchResult r;
  r.chains = eval.settled(layout);
  r.notation = layoutNotation(r.chains, eval.registers());
  r.fitness = fitness;
  r.visited = visited;
  c.setNotation(r.notation);
  c.setFitness(fitness);
  writeLayoutResults(c, eval.registers(), r.chains, r, observer, run);
  return r;
}

SearchResult runRuleLayout(Circuit& c, const ScanMethodSettings& s, const ScanLayout& layout, SearchObserver* observer,
                           const RunContext& run) {
  ScanEvaluator eval(c, run, s.techniques, s.limits);
  const double f = eval.fitness(layout);
  return finish(c, eval, layout, f, eval.visited(), observer, run);
}

}  // namespace

SearchResult runExactSearch(Circuit& c, const ScanMethodSettings& s, SearchObserver* observer, const RunContext& run) {
  ExactOptions o;
  o.maxLayouts = exactLayoutLimit(c);
  o.seeds = {loopBreakingLayout(c, s.rules, nullptr), fullScanLayout(c, s.rules)};
  ScanEvaluator eval(c, run, s.techniques, s.limits);
  const ExactResult r = exactOptimum(eval, o);
  if (r.refused) {
    run.diagnostics.error("Exact search of '%s': %s\n", c.getName().c_str(), exactRefusal(r, o).c_str());
    return {};
  }
  return finish(c, eval, r.best, r.fitness, r.visited, observer, run);
}

SearchResult runLoopBreaking(Circuit& c, const ScanMethodSettings& s, SearchObserver* observer, const RunContext& run) {
  std::vector<std::string> warnings;
  const ScanLayout layout = loopBreakingLayout(c, s.rules, &warnings);
  for (const std::string& w : warnings) std::fprintf(stderr, "Warning: %s\n", w.c_str());
  return runRuleLayout(c, s, layout, observer, run);
}

SearchResult runFullScan(Circuit& c, const ScanMethodSettings& s, SearchObserver* observer, const RunContext& run) {
  return runRuleLayout(c, s, fullScanLayout(c, s.rules), observer, run);
}

std::function<void(Population&, RandomSource&)> gaSeeding(Circuit& c, const ScanMethodSettings& s,
                                                          const RunContext& run) {
  auto seeds = std::make_shared<const GaSeeds>(gaSeeds(c, s.limits, s.techniques, s.rules.loops.keepSelfLoops, run));
  return [seeds](Population& first, RandomSource& random) { seedPopulation(first, *seeds, random); };
}
