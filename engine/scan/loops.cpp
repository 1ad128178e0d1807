#include "scan/loops.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

namespace {

using Word = std::uint64_t;

// A directed graph on vertices 0 .. n-1 as bit rows of successors and
// predecessors, with the vertices still present and those that may not be chosen.
class Digraph {
 public:
  explicit Digraph(int vertices)
      : n(vertices),
        words((vertices + 63) / 64),
        out(static_cast<size_t>(n) * static_cast<size_t>(words), 0),
        in(out.size(), 0),
        alive(static_cast<size_t>(words), 0),
        forbidden(static_cast<size_t>(words), 0) {
    for (int v = 0; v < n; ++v) set(alive.data(), v);
  }

  int size() const { return n; }
  bool present(int v) const { return test(alive.data(), v); }
  bool isForbidden(int v) const { return test(forbidden.data(), v); }
  void forbid(int v) { set(forbidden.data(), v); }
  bool empty() const {
    return std::all_of(alive.begin(), alive.end(), [](Word w) { return w == 0; });
  }
  bool hasEdge(int u, int v) const { return test(outRow(u), v); }
  void addEdge(int u, int v) {
    set(outRow(u), v);
    set(inRow(v), u);
  }
  int outDegree(int v) const { return count(outRow(v)); }
  int inDegree(int v) const { return count(inRow(v)); }
  int presentCount() const { return count(alive.data()); }

  // Calls f(u) for every vertex whose bit is set in `row`.
  template <class F>
  void forEach(const Word* row, F f) const {
    for (int k = 0; k < words; ++k)
      for (Word w = row[k]; w; w &= w - 1) f(k * 64 + std::countr_zero(w));
  }
  template <class F>
  void forEachPresent(F f) const { forEach(alive.data(), f); }
  template <class F>
  void forEachSuccessor(int v, F f) const { forEach(outRow(v), f); }
  template <class F>
  void forEachPredecessor(int v, F f) const { forEach(inRow(v), f); }
  int firstSuccessor(int v) const { return first(outRow(v)); }
  int firstPredecessor(int v) const { return first(inRow(v)); }

  // Takes v and its edges out.
  void remove(int v) {
    forEachSuccessor(v, [&](int s) { clear(inRow(s), v); });
    forEachPredecessor(v, [&](int p) { clear(outRow(p), v); });
    std::fill_n(outRow(v), words, 0);
    std::fill_n(inRow(v), words, 0);
    clear(alive.data(), v);
  }
  // Takes v out, joining each predecessor to each successor (v will not be chosen).
  void bypass(int v) {
    forEachPredecessor(v, [&](int p) {
      Word* row = outRow(p);
      const Word* add = outRow(v);
      for (int k = 0; k < words; ++k) row[k] |= add[k];
    });
    forEachSuccessor(v, [&](int s) {
      Word* row = inRow(s);
      const Word* add = inRow(v);
      for (int k = 0; k < words; ++k) row[k] |= add[k];
    });
    remove(v);
  }
  // Successor lists of the present vertices (absent ones have none).
  std::vector<std::vector<int>> successorLists() const {
    std::vector<std::vector<int>> s(static_cast<size_t>(n));
    forEachPresent([&](int v) { forEachSuccessor(v, [&](int w) { s[static_cast<size_t>(v)].push_back(w); }); });
    return s;
  }

 private:
  static bool test(const Word* row, int v) { return (row[v / 64] >> (v % 64)) & 1U; }
  static void set(Word* row, int v) { row[v / 64] |= Word{1} << (v % 64); }
  static void clear(Word* row, int v) { row[v / 64] &= ~(Word{1} << (v % 64)); }
  int count(const Word* row) const {
    int c = 0;
    for (int k = 0; k < words; ++k) c += std::popcount(row[k]);
    return c;
  }
  int first(const Word* row) const {
    for (int k = 0; k < words; ++k)
      if (row[k]) return k * 64 + std::countr_zero(row[k]);
    return -1;
  }
  Word* outRow(int v) { return out.data() + static_cast<size_t>(v) * static_cast<size_t>(words); }
  const Word* outRow(int v) const { return out.data() + static_cast<size_t>(v) * static_cast<size_t>(words); }
  Word* inRow(int v) { return in.data() + static_cast<size_t>(v) * static_cast<size_t>(words); }
  const Word* inRow(int v) const { return in.data() + static_cast<size_t>(v) * static_cast<size_t>(words); }

  int n;
  int words;
  std::vector<Word> out, in;
  std::vector<Word> alive, forbidden;
};

// Applies the reductions until none applies; chosen vertices are appended to
// `taken`. False when a forbidden vertex would have to be chosen.
bool reduce(Digraph& g, std::vector<int>& taken) {
  for (bool changed = true; changed;) {
    changed = false;
    bool infeasible = false;
    g.forEachPresent([&](int v) {
      if (infeasible || !g.present(v)) return;
      if (g.hasEdge(v, v)) {  // a self-loop: v must be chosen
        if (g.isForbidden(v)) {
          infeasible = true;
          return;
        }
        taken.push_back(v);
        g.remove(v);
      } else if (g.inDegree(v) == 0 || g.outDegree(v) == 0) {  // on no cycle
        g.remove(v);
      } else if (g.isForbidden(v)) {
        g.bypass(v);
      } else if (g.inDegree(v) == 1 && !g.isForbidden(g.firstPredecessor(v))) {
        g.bypass(v);  // every cycle through v passes its predecessor, a choice as good as v
      } else if (g.outDegree(v) == 1 && !g.isForbidden(g.firstSuccessor(v))) {
        g.bypass(v);
      } else {
        return;
      }
      changed = true;
    });
    if (infeasible) return false;
  }
  return true;
}

// The present vertex with the most cycles through it by the usual estimate
// (in-degree times out-degree), lowest number first on ties.
int busiestVertex(const Digraph& g) {
  int best = -1;
  long bestScore = -1;
  g.forEachPresent([&](int v) {
    if (g.isForbidden(v)) return;
    const long score = static_cast<long>(g.inDegree(v)) * g.outDegree(v);
    if (score > bestScore) best = v, bestScore = score;
  });
  return best;
}

// A short cycle through `start` found by breadth-first search, or empty.
std::vector<int> cycleThrough(const Digraph& g, int start) {
  std::vector<int> parent(static_cast<size_t>(g.size()), -1);
  std::vector<int> queue{start};
  parent[static_cast<size_t>(start)] = start;
  for (size_t head = 0; head < queue.size(); ++head) {
    const int u = queue[head];
    if (g.hasEdge(u, start)) {
      std::vector<int> cycle;
      for (int x = u; x != start; x = parent[static_cast<size_t>(x)]) cycle.push_back(x);
      cycle.push_back(start);
      return cycle;
    }
    g.forEachSuccessor(u, [&](int w) {
      if (parent[static_cast<size_t>(w)] < 0) {
        parent[static_cast<size_t>(w)] = u;
        queue.push_back(w);
      }
    });
  }
  return {};
}

// A lower bound: the number of vertex-disjoint cycles found greedily.
int disjointCycles(Digraph g) {
  int cycles = 0;
  for (;;) {
    std::vector<int> selfLoops;
    if (!reduce(g, selfLoops)) return cycles + 1;  // unreachable for bounds without forbidden self-loops
    cycles += static_cast<int>(selfLoops.size());
    if (g.empty()) return cycles;
    int start = -1, bestDeg = 1 << 30;
    g.forEachPresent([&](int v) {
      const int d = g.inDegree(v) + g.outDegree(v);
      if (d < bestDeg) start = v, bestDeg = d;
    });
    const std::vector<int> cycle = cycleThrough(g, start);
    if (cycle.empty()) return cycles;  // cannot happen in a reduced graph
    ++cycles;
    for (int v : cycle) g.remove(v);
  }
}

// Branch and bound on one reduced component: choose the busiest vertex, or
// never choose it; prune when the chosen ones and the lower bound reach the best.
class ExactSearch {
 public:
  ExactSearch(long budget, std::vector<int> upper) : nodesLeft(budget), best(std::move(upper)) {}

  void run(const Digraph& g) {
    std::vector<int> chosen;
    search(g, chosen);
  }
  const std::vector<int>& result() const { return best; }
  bool completed() const { return nodesLeft >= 0; }

 private:
  void search(Digraph g, std::vector<int>& chosen) {
    if (--nodesLeft < 0) return;
    const size_t mark = chosen.size();
    if (reduce(g, chosen) && chosen.size() < best.size()) {
      if (g.empty()) {
        best = chosen;
      } else if (chosen.size() + static_cast<size_t>(disjointCycles(g)) < best.size()) {
        const int v = busiestVertex(g);
        Digraph without = g;
        without.remove(v);
        chosen.push_back(v);
        search(std::move(without), chosen);
        chosen.pop_back();
        g.forbid(v);
        search(std::move(g), chosen);
      }
    }
    chosen.resize(mark);
  }

  long nodesLeft;
  std::vector<int> best;
};

// Greedy choice on a copy: reduce, then choose the busiest vertex, until acyclic.
std::vector<int> greedySet(Digraph g) {
  std::vector<int> taken;
  for (;;) {
    reduce(g, taken);
    if (g.empty()) return taken;
    const int v = busiestVertex(g);
    taken.push_back(v);
    g.remove(v);
  }
}

// The subgraph of `g` induced by `vertices` (renumbered in order).
Digraph induced(const Digraph& g, const std::vector<int>& vertices) {
  std::vector<int> local(static_cast<size_t>(g.size()), -1);
  for (size_t k = 0; k < vertices.size(); ++k) local[static_cast<size_t>(vertices[k])] = static_cast<int>(k);
  Digraph sub(static_cast<int>(vertices.size()));
  for (size_t k = 0; k < vertices.size(); ++k) {
    g.forEachSuccessor(vertices[k], [&](int w) {
      const int lw = local[static_cast<size_t>(w)];
      if (lw >= 0) sub.addEdge(static_cast<int>(k), lw);
    });
  }
  return sub;
}

class Solver {
 public:
  Solver(const LoopBreakingOptions& o, LoopBreakingResult& r) : options(o), result(r) {}

  // Solves g, whose vertex k is original register names[k].
  void solve(Digraph g, const std::vector<int>& names) {
    std::vector<int> taken;
    reduce(g, taken);
    for (int v : taken) result.registers.push_back(names[static_cast<size_t>(v)]);
    for (const std::vector<int>& comp : stronglyConnectedComponents(g.successorLists())) {
      if (comp.size() < 2) continue;  // after the reductions no vertex has a self-loop
      std::vector<int> compNames;
      for (int v : comp) compNames.push_back(names[static_cast<size_t>(v)]);
      Digraph sub = induced(g, comp);
      if (static_cast<int>(comp.size()) <= options.exactLimit) {
        solveExactly(sub, compNames);
      } else {
        if (result.minimum)
          result.warnings.push_back("a loop of " + std::to_string(comp.size()) +
                                    " registers (after the reductions) is above the exact limit of " +
                                    std::to_string(options.exactLimit) +
                                    "; the loop-breaking set is chosen greedily and may not be minimum");
        result.minimum = false;
        const int v = busiestVertex(sub);
        result.registers.push_back(compNames[static_cast<size_t>(v)]);
        sub.remove(v);
        solve(std::move(sub), compNames);
      }
    }
  }

 private:
  void solveExactly(const Digraph& g, const std::vector<int>& names) {
    ExactSearch search(options.nodeBudget, greedySet(g));
    search.run(g);
    if (!search.completed()) {
      if (result.minimum)
        result.warnings.push_back("the exact search of a loop of " + std::to_string(g.size()) +
                                  " registers ran out of its node budget; the best set found is used");
      result.minimum = false;
    }
    for (int v : search.result()) result.registers.push_back(names[static_cast<size_t>(v)]);
  }

  const LoopBreakingOptions& options;
  LoopBreakingResult& result;
};

// Drops chosen registers that are not needed (a greedy choice can over-choose).
void dropRedundant(const RegisterGraph& rg, bool ignoreSelfLoops, std::vector<int>& chosen) {
  std::vector<bool> removed(static_cast<size_t>(rg.size()), false);
  for (int r : chosen) removed[static_cast<size_t>(r)] = true;
  for (size_t k = chosen.size(); k-- > 0;) {
    removed[static_cast<size_t>(chosen[k])] = false;
    if (hasCycleWithout(rg, removed, ignoreSelfLoops)) {
      removed[static_cast<size_t>(chosen[k])] = true;
    } else {
      chosen.erase(chosen.begin() + static_cast<long>(k));
    }
  }
}

}  // namespace

LoopBreakingResult minimumLoopBreakingSet(const RegisterGraph& rg, const LoopBreakingOptions& options) {
  LoopBreakingResult result;
  Digraph g(rg.size());
  for (int r = 0; r < rg.size(); ++r)
    for (int s : rg.successors(r))
      if (!(options.keepSelfLoops && s == r)) g.addEdge(r, s);
  std::vector<int> names(static_cast<size_t>(rg.size()));
  for (int r = 0; r < rg.size(); ++r) names[static_cast<size_t>(r)] = r;
  Solver(options, result).solve(std::move(g), names);
  if (!result.minimum) dropRedundant(rg, options.keepSelfLoops, result.registers);
  std::sort(result.registers.begin(), result.registers.end());
  return result;
}
