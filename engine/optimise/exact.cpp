#include "optimise/exact.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Binomial coefficient as a double (exact while it fits the mantissa).
double choose(int n, int k) {
  if (k < 0 || k > n) return 0.0;
  double r = 1.0;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return std::round(r);
}

// Ways to arrange k registers into j chains: ordered chains (Lah numbers) or sets (Stirling numbers).
double arrangements(int k, int j, bool ordered) {
  if (k == 0 && j == 0) return 1.0;
  if (k == 0 || j == 0 || j > k) return 0.0;
  if (ordered) {
    double r = choose(k - 1, j - 1);
    for (int i = j + 1; i <= k; ++i) r *= i;  // k! / j!
    return r;
  }
  std::vector<double> s(static_cast<size_t>(j) + 1, 0.0);  // Stirling numbers of the second kind, row by row
  s[0] = 1.0;
  for (int n = 1; n <= k; ++n)
    for (int m = std::min(n, j); m >= 0; --m) s[static_cast<size_t>(m)] = m == 0 ? 0.0 : m * s[static_cast<size_t>(m)] + s[static_cast<size_t>(m) - 1];
  return s[static_cast<size_t>(j)];
}

// Layouts with k scan registers in j chains share their overheads and so their bound.
struct LayoutClass {
  int k;
  int j;
  double count;
  double bound;
};

class Enumerator {
 public:
  Enumerator(ScanEvaluator& e, ExactResult& r, bool ord) : eval(e), result(r), ordered(ord) {}

  // Every layout of class (k, j).
  void run(int nregs, int k, int j) {
    chosen.clear();
    combinations(nregs, 0, k, j);
  }

  void consider(const ScanLayout& candidate) {
    const double f = eval.fitness(candidate);
    if (f > result.fitness) {
      result.fitness = f;
      result.best = candidate;
    }
  }

 private:
  void combinations(int nregs, int from, int k, int j) {
    if (static_cast<int>(chosen.size()) == k) {
      layout.clear();
      place(0, j);
      return;
    }
    for (int r = from; r <= nregs - (k - static_cast<int>(chosen.size())); ++r) {
      chosen.push_back(r);
      combinations(nregs, r + 1, k, j);
      chosen.pop_back();
    }
  }

  // Puts chosen[i..] into the chains; chains open in the order of their first register.
  void place(size_t i, int j) {
    const int open = static_cast<int>(layout.size());
    if (i == chosen.size()) {
      if (open == j) consider(layout);
      return;
    }
    if (static_cast<int>(chosen.size() - i) < j - open) return;  // too few left to open every chain
    const int r = chosen[i];
    for (size_t c = 0; c < layout.size(); ++c) {
      std::vector<int>& chain = layout[c];
      const size_t first = ordered ? 0 : chain.size();
      for (size_t at = first; at <= chain.size(); ++at) {
        chain.insert(chain.begin() + static_cast<long>(at), r);
        place(i + 1, j);
        layout[c].erase(layout[c].begin() + static_cast<long>(at));
      }
    }
    if (open < j) {
      layout.push_back({r});
      place(i + 1, j);
      layout.pop_back();
    }
  }

  ScanEvaluator& eval;
  ExactResult& result;
  bool ordered;
  std::vector<int> chosen;
  ScanLayout layout;
};

// Turns the evaluator's memo off for the enumeration, which meets every
// layout once, so the memo would only cost its keys and look-ups (about a
// seventh of the time); restores it afterwards.
class MemoPause {
 public:
  explicit MemoPause(ScanEvaluator& e) : eval(e), was(e.memoOn()) { eval.setMemo(false); }
  ~MemoPause() { eval.setMemo(was); }
  MemoPause(const MemoPause&) = delete;
  MemoPause& operator=(const MemoPause&) = delete;

 private:
  ScanEvaluator& eval;
  bool was;
};

// Largest register count for the greedy start of the bounds.
constexpr int kGreedyStartRegisters = 16;

// Raises the best found by adding one register at a time (as a new chain or
// at the end of a chain) while that improves the fitness.
void greedyAscent(Enumerator& e, const ExactResult& result, int nregs) {
  for (bool improved = true; improved;) {
    improved = false;
    const ScanLayout start = result.best;
    std::vector<bool> used(static_cast<size_t>(nregs), false);
    for (const auto& chain : start)
      for (int r : chain) used[static_cast<size_t>(r)] = true;
    const double before = result.fitness;
    for (int r = 0; r < nregs; ++r) {
      if (used[static_cast<size_t>(r)]) continue;
      for (size_t c = 0; c <= start.size(); ++c) {
        ScanLayout next = start;
        if (c == start.size())
          next.push_back({r});
        else
          next[c].push_back(r);
        e.consider(next);
      }
    }
    improved = result.fitness > before;
  }
}

}  // namespace

double layoutCount(int nregs, bool ordered) {
  double total = 0.0;
  for (int k = 0; k <= nregs; ++k) {
    double perSet = 0.0;
    for (int j = 0; j <= k; ++j) perSet += arrangements(k, j, ordered);
    total += choose(nregs, k) * perSet;
  }
  return total;
}

double exactLayoutLimit(const Circuit& c) {
  long ports = 0;
  for (const Item* i = c.getIList(); i; i = i->getNext())
    for (const Port* p = i->getPList(); p; p = p->getNext()) ++ports;
  return 1.2e7 / static_cast<double>(std::max(ports, 1L));
}

double fitnessUpperBound(const FitnessLimits& limits, double areaOverheadPercent, double pinOverheadPercent) {
  const double uA = evalUBatt(limits.maxAreaOverhead, areaOverheadPercent);
  const double uP = evalUBatt(limits.maxPinOverhead, pinOverheadPercent);
  // The fitness with every port controllable and a mean controllability of 1.
  return (50.0 + 10.0 * uA + 10.0 * uP) * 100.0 / 70.0 * uA * uP;
}

ExactResult exactOptimum(ScanEvaluator& eval, const ExactOptions& options) {
  ExactResult result;
  const long visitedBefore = eval.visited();
  const int nregs = eval.circuit().getNREGs();
  const bool ordered = (eval.techniques() & ORDERED_SCAN) != 0;
  Enumerator e(eval, result, ordered);
  e.consider({});
  for (const ScanLayout& s : options.seeds) e.consider(s);
  if (options.prune && nregs <= kGreedyStartRegisters) greedyAscent(e, result, nregs);

  // The overheads, and so the bounds, grow with the scan registers and the
  // chains: the classes are counted in that order, and the count stops (the
  // search refused) as soon as it passes the limit, before any of them is searched.
  std::vector<LayoutClass> classes;
  for (int k = 1; k <= nregs; ++k) {
    bool anyOpen = false;
    for (int j = 1; j <= k; ++j) {
      LayoutClass c{k, j, choose(nregs, k) * arrangements(k, j, ordered), HUGE_VAL};
      if (options.prune) {
        const ScanEvaluator::Overheads o = eval.overheads(fullScanLayout(k, j));
        c.bound = fitnessUpperBound(eval.basis().limits, o.areaPercent, o.pinPercent);
        if (c.bound <= result.fitness) break;
      }
      anyOpen = true;
      classes.push_back(c);
      result.layouts += c.count;
      if (result.layouts > options.maxLayouts) {
        result.refused = true;
        result.countStopped = k < nregs || j < k;
        result.visited = eval.visited() - visitedBefore;
        return result;
      }
    }
    if (!anyOpen) break;
  }
  // Most promising classes first, so that the best found rises early.
  std::stable_sort(classes.begin(), classes.end(),
                   [](const LayoutClass& a, const LayoutClass& b) { return a.bound > b.bound; });
  const MemoPause pause(eval);  // each layout is met once: the memo would only add work
  for (const LayoutClass& c : classes)
    if (c.bound > result.fitness) e.run(nregs, c.k, c.j);
  result.visited = eval.visited() - visitedBefore;
  return result;
}

std::string layoutCountText(double count) {
  char buf[64];
  if (std::isfinite(count))
    std::snprintf(buf, sizeof buf, "%.4g", count);
  else
    std::snprintf(buf, sizeof buf, "more than %.4g", std::numeric_limits<double>::max());
  return buf;
}

std::string exactRefusal(const ExactResult& r, const ExactOptions& options) {
  char buf[320];
  std::snprintf(buf, sizeof buf,
                "the exact search would evaluate %s%s layouts, more than the %.4g it can search in about "
                "10 s; use --method ga",
                r.countStopped && std::isfinite(r.layouts) ? "more than " : "", layoutCountText(r.layouts).c_str(),
                options.maxLayouts);
  return buf;
}
