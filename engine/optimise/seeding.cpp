#include "optimise/seeding.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "optimise/evaluator.h"

GaSeeds gaSeeds(Circuit& c, const FitnessLimits& limits, int techniques, bool keepSelfLoops, const RunContext& run) {
  GaSeeds s;
  const int n = c.getNREGs();
  if (n <= 0) return s;
  RuleLayoutOptions o;
  o.pinBudgetPercent = limits.maxPinOverhead;
  o.loops.keepSelfLoops = keepSelfLoops;
  s.layouts.push_back(loopBreakingLayout(c, o, nullptr));
  s.layouts.push_back(fullScanLayout(c, o));
  s.maxChains = chainsWithinPinBudget(c.getOrigNPIOs(), limits.maxPinOverhead, n);
  // The area overhead grows by the same amount with each scan register.
  ScanEvaluator eval(c, run, techniques, limits);
  const double perRegister = eval.overheads({{0}}).areaPercent;
  const double affordable = perRegister > 0.0 ? std::floor(limits.maxAreaOverhead / perRegister) : n;
  s.sparseMaxScanned = static_cast<int>(std::clamp(affordable + 1.0, 1.0, static_cast<double>(n)));
  return s;
}

ScanLayout sparseRandomLayout(int nregs, int maxScanned, int maxChains, RandomSource& random) {
  if (nregs <= 0) return {};
  std::vector<int> regs(static_cast<size_t>(nregs));
  std::iota(regs.begin(), regs.end(), 0);
  const int k = 1 + static_cast<int>(random.nonNegative() % std::clamp(maxScanned, 1, nregs));
  for (int i = 0; i < k; ++i) {  // the first k of a partial shuffle
    const int j = i + static_cast<int>(random.nonNegative() % (nregs - i));
    std::swap(regs[static_cast<size_t>(i)], regs[static_cast<size_t>(j)]);
  }
  regs.resize(static_cast<size_t>(k));
  const int chains = 1 + static_cast<int>(random.nonNegative() % std::clamp(maxChains, 1, k));
  return balancedChains(std::move(regs), chains, nregs);
}

void seedPopulation(Population& p, const GaSeeds& seeds, RandomSource& random) {
  // The classic presets may overwrite the first four slots, so seeds go last.
  int slot = p.getSize() - 1;
  for (const ScanLayout& l : seeds.layouts) {
    if (slot < 0) return;
    if (p.encodeChains(l, slot)) --slot;
  }
  const int regs = p.registers().count();
  if (regs == 0) return;  // a circuit without registers has no layout but the empty one
  for (int placed = 0; slot >= 0 && placed < p.getSize() / 2; ++placed, --slot)
    p.encodeChains(sparseRandomLayout(regs, seeds.sparseMaxScanned, seeds.maxChains, random), slot);
}
