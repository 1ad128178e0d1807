#include "optimise/ga.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis.h"
#include "base/diagnostics.h"
#include "optimise/evaluator.h"
#include "optimise/gaconsole.h"
#include "optimise/garlog.h"
#include "optimise/layoutresults.h"
#include "optimise/polish.h"
#include "write/analysis_line.h"
#include "write/reports.h"

namespace {

// Layouts tried first: each replaces chromosome k with probability 1/10 per draw.
constexpr const char* kPresets[] = {"0.1.2.3.4.5", "012345", "5.4.3.2.1.0", "543210"};

// Refuses circuits whose layouts cannot be written.
bool notationsWritable(const Circuit& c, Diagnostics& diagnostics) {
  const std::string problem = layoutWritingProblem(c);
  if (problem.empty()) return true;
  diagnostics.error("DFT Layout Solver: layouts of '%s' cannot be written (%s)!\n", c.getName().c_str(), problem.c_str());
  return false;
}

// What a run writes beside its search: the console lines and the log.
struct RunOutputs {
  GaConsole console;
  GarLog gar;
};

// The search of one run: the populations, the evaluator and the best layout so far.
class GaSearch {
 public:
  GaSearch(Circuit& c, const GaOptions& options, const FitnessBasis& basis, RandomSource& rng, const RunContext& run)
      : o(options),
        random(rng),
        chrLen(getScanChrLen(o.techniques, c.getNREGs())),
        bestPop("Best-evaluated chromosome", 1, chrLen, o.techniques, &c, run.diagnostics),
        first("Population_P", o.populationSize, chrLen, o.techniques, &c, run.diagnostics),
        second("Population_Q", o.populationSize, chrLen, o.techniques, &c, run.diagnostics),
        candidates("Candidates", o.populationSize, chrLen, o.techniques, &c, run.diagnostics),
        evaluator(c, run, o.techniques, basis, EvaluatorOptions{o.reuseFitness, o.workers, o.minSideBySideBits}) {
    for (int k = 0; k < 4; ++k) presetFits[k] = notationProblem(kPresets[k], c.getNREGs()).empty();
  }

  // Runs generations until maxUnenhancedRuns pass without improvement; returns their count.
  long run(RunOutputs& out);
  // The notation a run shows and stores for its best chromosome.
  std::string bestNotation() const { return o.classicForm ? bestPop.getNotation(0) : bestPop.layoutNotation(0); }
  const Population& best() const { return bestPop; }
  ScanEvaluator& scorer() { return evaluator; }
  long computed() const { return evaluator.computed(); }
  // The analyser of the searched circuit.
  Analyser& analyser() { return evaluator.analyser(); }
  int chromosomeLength() const { return chrLen; }

 private:
  // Puts the presets in (by chance) and takes a copy of each chromosome as it is evaluated.
  void takeCandidates();
  // Makes the layout without scan the best so far: the search never ends below it.
  void startFromNoScan();
  // Evaluates the candidates; records the improvements of generation `iteration`; true when there was one.
  bool evaluate(long iteration, RunOutputs& out);

  const GaOptions& o;
  RandomSource& random;
  int chrLen;
  Population bestPop;
  Population first, second;
  Population candidates;  // each chromosome as it was when evaluated (seeding may replace it afterwards)
  Population* P = &first;
  Population* Q = &second;
  ScanEvaluator evaluator;
  bool presetFits[4];
  double bestFitness = 0.0;
  std::vector<ScanLayout> layouts;
  std::vector<double> fitness;
};

void GaSearch::takeCandidates() {
  candidates.resetPos();
  for (int i = 0; i < P->getSize(); ++i) {
    for (int k = 0; k < 4 && k < P->getSize(); ++k)
      if (random.nonNegative() % 10 == 0 && presetFits[k]) P->encodeNotation(kPresets[k], k);
    candidates.copyChromosome(i, P);
  }
}

void GaSearch::startFromNoScan() {
  if (chrLen == 0) return;  // no register: every chromosome is the layout without scan
  const double f = evaluator.fitness(ScanLayout{});
  if (f <= bestFitness || !bestPop.encodeChains(ScanLayout{}, 0)) return;
  bestFitness = f;
  bestPop.setFitness(0, f);
}

bool GaSearch::evaluate(long iteration, RunOutputs& out) {
  layouts.resize(static_cast<size_t>(candidates.getSize()));
  for (int i = 0; i < candidates.getSize(); ++i) candidates.layoutInto(i, layouts[static_cast<size_t>(i)]);
  evaluator.fitnessOfAll(layouts, fitness);
  bool improved = false;
  for (int i = 0; i < P->getSize(); ++i) {
    const double f = fitness[static_cast<size_t>(i)];
    P->setFitness(i, f);
    candidates.setFitness(i, f);
    if (f <= bestFitness) continue;
    bestFitness = f;
    improved = true;
    bestPop.resetPos();
    bestPop.copyChromosome(i, &candidates);
    const std::string notation = bestNotation();
    out.console.improved(bestPop, notation, iteration);
    out.gar.printf("%ld\t%-15s\t%lf\n", iteration, notation.c_str(), bestFitness);
  }
  return improved;
}

long GaSearch::run(RunOutputs& out) {
  const unsigned long maxRuns = o.maxUnenhancedRuns;
  unsigned long remaining = maxRuns;
  long iteration = 0;
  long lastImprovement = 0;
  P->initPopulation(random);
  for (int i = 0; i < P->getSize(); ++i) P->chr_correct(i);
  if (o.prepare) o.prepare(*P, random);
  if (!o.classicForm) startFromNoScan();
  while (maxRuns != 0) {
    ++iteration;
    out.console.generationStarted(remaining, maxRuns);
    takeCandidates();
    if (evaluate(iteration, out)) {
      remaining = maxRuns;
      lastImprovement = iteration;
    }
    breedGeneration(*P, *Q, bestPop, o.populationSize, o.elitism, random);
    std::swap(P, Q);
    for (int i = 0; i < P->getSize(); ++i) P->chr_correct(i);
    for (int i = 0; i < Q->getSize(); ++i) Q->chr_correct(i);
    if (o.observer) o.observer->generation(iteration, static_cast<unsigned long>(iteration - lastImprovement), bestFitness);
    if (--remaining == 0) break;
  }
  return iteration;
}

// Climbs from the genetic algorithm's best layout in `result` and takes the
// layout it ends on; the search gets at least as many evaluations as the run had.
void polishBest(GaSearch& search, SearchResult& result, GarLog& gar) {
  PolishOptions po;
  po.maxComputed = std::max(search.computed(), 10000L);
  const PolishResult p = polishLayout(search.scorer(), result.chains, po);
  result.polish = SearchResult::Polish{result.notation, result.fitness, p.moves, p.localOptimum};
  if (p.fitness > result.fitness) {
    result.chains = p.layout;
    result.notation = layoutNotation(p.layout, search.scorer().registers());
    result.fitness = p.fitness;
  }
  gar.printf("Polished by %ld move(s):\t%-15s\t%lf\n", p.moves, result.notation.c_str(), result.fitness);
}

}  // namespace

std::string layoutWritingProblem(const Circuit& c) {
  // Beyond ten registers, or with registers left out, the notation names
  // registers, so every name must be writable.
  const LayoutRegisters regs(c);
  if (usesClassicNotation(c.getNREGs()) && !regs.leavesOutRegisters()) return {};
  for (int r = 0; r < regs.count(); ++r) {
    std::string problem = nameProblem(regs.name(r));
    if (problem.empty() && isClassicNotation(regs.name(r)))
      problem = "register name '" + regs.name(r) + "' is made of digits";
    if (!problem.empty()) return problem;
  }
  return {};
}

void breedGeneration(Population& P, Population& Q, Population& best, int psize, bool elitism, RandomSource& random) {
  Q.resetPos();
  for (int n = 0; n < psize / 2; ++n) {
    const int a = P.select_parent_idx(random);
    const int b = P.select_parent_idx(random);
    Q.copyChromosome(a, &P);
    Q.copyChromosome(b, &P);
    Q.reproduction(Q.getPos(), Q.getPos() - 1, random);
  }
  // The best chromosome replaces the last child written (there is none for
  // populations below two).
  if (elitism && Q.getPos() >= 0) {
    Q.setPos(Q.getPos() - 1);
    Q.copyChromosome(0, &best);
  }
}

SearchResult runGA(Circuit& c, const GaOptions& o, RandomSource& random, const RunContext& run) {
  SearchResult result;
  if (o.polish && !o.classicForm) result.polishedFreshSeed = random.freshSeed();
  if (!notationsWritable(c, run.diagnostics)) return result;
  const ResultFiles files(run.resultFolder, run.diagnostics);
  RunOutputs out{GaConsole(o.writeResults, o.classicForm),
                 GarLog(o.writeResults ? resultFileName(c.getName(), ".gar") : std::string(), files)};
  out.gar.printf("Run number: %ld\n", static_cast<long>(o.runNumber));
  if (o.seed) out.gar.printf("Seed: %llu\n", static_cast<unsigned long long>(*o.seed));
  out.gar.printf("Collumns (from left to right side):\n1) Iteration number\n2) Best solution found\n3) Fitness value\n\n");

  const FitnessBasis basis{c.getArea(), c.getNPins() + c.getNPCins() + c.getNPinouts() + c.getNPouts(), o.limits};
  GaSearch search(c, o, basis, random, run);
  if (o.writeResults) {
    analyseWithConsoleLine(search.analyser(), c);
    writePropagationFile(c, files);
  }
  const std::string header = runHeader(search.chromosomeLength(), o, c.getNREGs());
  out.console.header(header);
  out.gar.printf("%s", header.c_str());

  result.generations = search.run(out);
  out.console.finished(result.generations);
  out.gar.printf("Algorithm has ended after %ld iteration(s).\n", result.generations);

  result.notation = search.bestNotation();
  result.chains = search.best().chains(0);
  result.fitness = search.best().getFitness(0);
  if (o.polish && !o.classicForm) polishBest(search, result, out.gar);
  out.gar.printf("%s\n\n", std::string(80, '-').c_str());
  result.visited = search.computed();
  result.restart = o.restart;
  result.restarts = o.restarts;
  c.setNotation(result.notation);
  out.gar.close();
  c.setFitness(result.fitness);
  if (o.writeResults) {
    writeLayoutResults(c, search.best().registers(), result.chains, result, o.observer, run);
    std::printf("----------\n");
  }
  return result;
}
