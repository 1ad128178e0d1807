#include "scan/layouts.h"

#include <algorithm>
#include <cmath>

#include "scan/reggraph.h"

int scanPinsOf(int chains) { return chains > 0 ? 1 + 2 * chains : 0; }

int chainsWithinPinBudget(int origPins, double pinBudgetPercent, int regs) {
  int chains = 1;
  if (origPins > 0 && pinBudgetPercent > 0.0) {
    const double allowed = origPins * pinBudgetPercent / 100.0;  // extra pins the budget allows
    const double fit = std::floor((allowed - 1.0) / 2.0 + 1e-9);
    if (fit > 1.0) chains = fit > regs ? regs : static_cast<int>(fit);
  }
  return std::max(1, std::min(chains, std::max(regs, 1)));
}

ScanLayout balancedChains(std::vector<int> regs, int chains, int nregs) {
  ScanLayout layout;
  if (regs.empty()) return layout;
  // Description order: the register described first has the highest number.
  std::sort(regs.begin(), regs.end(), [nregs](int a, int b) { return nregs - 1 - a < nregs - 1 - b; });
  const size_t n = regs.size();
  const size_t k = static_cast<size_t>(std::clamp(chains, 1, static_cast<int>(n)));
  size_t next = 0;
  for (size_t c = 0; c < k; ++c) {
    const size_t len = n / k + (c < n % k ? 1 : 0);
    layout.emplace_back(regs.begin() + static_cast<long>(next), regs.begin() + static_cast<long>(next + len));
    next += len;
  }
  return layout;
}

int scannedCount(const ScanLayout& layout) {
  size_t n = 0;
  for (const auto& chain : layout) n += chain.size();
  return static_cast<int>(n);
}

ScanLayout fullScanLayout(int nregs, int chains) {
  std::vector<int> all;
  for (int r = 0; r < nregs; ++r) all.push_back(r);
  return balancedChains(std::move(all), chains, nregs);
}

namespace {

int chainsFor(const Circuit& c, const RuleLayoutOptions& o, int scanned) {
  if (o.chains > 0) return std::min(o.chains, std::max(scanned, 1));
  return chainsWithinPinBudget(c.getOrigNPIOs(), o.pinBudgetPercent, scanned);
}

}  // namespace

ScanLayout fullScanLayout(const Circuit& c, const RuleLayoutOptions& o) {
  const int n = c.getNREGs();
  return fullScanLayout(n, chainsFor(c, o, n));
}

ScanLayout loopBreakingLayout(const Circuit& c, const RuleLayoutOptions& o, std::vector<std::string>* warnings) {
  const RegisterGraph g(c);
  LoopBreakingResult r = minimumLoopBreakingSet(g, o.loops);
  if (warnings) warnings->insert(warnings->end(), r.warnings.begin(), r.warnings.end());
  const int scanned = static_cast<int>(r.registers.size());
  return balancedChains(std::move(r.registers), chainsFor(c, o, scanned), g.size());
}
