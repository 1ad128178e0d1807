#include "optimise/polish.h"

#include <algorithm>

#include "model/defs.h"

namespace {

// Registers of `nregs` that `layout` does not scan, ascending.
std::vector<int> unscannedOf(const ScanLayout& layout, int nregs) {
  std::vector<bool> scanned(static_cast<size_t>(nregs), false);
  for (const auto& chain : layout)
    for (int r : chain)
      if (r >= 0 && r < nregs) scanned[static_cast<size_t>(r)] = true;
  std::vector<int> out;
  for (int r = 0; r < nregs; ++r)
    if (!scanned[static_cast<size_t>(r)]) out.push_back(r);
  return out;
}

int sizeOf(const std::vector<int>& chain) { return static_cast<int>(chain.size()); }

// Moves of one scanned register to another place (its own chain or any other, or a new chain).
void relocations(const ScanLayout& layout, bool ordered, std::vector<LayoutMove>& moves) {
  const int chains = static_cast<int>(layout.size());
  for (int a = 0; a < chains; ++a)
    for (int b = 0; b < sizeOf(layout[a]); ++b) {
      for (int c = 0; c < chains; ++c) {
        if (c == a && !ordered) continue;
        const int len = sizeOf(layout[c]);
        for (int d = ordered ? 0 : len; d <= len; ++d)
          if (c != a || (d != b && d != b + 1)) moves.push_back({LayoutMove::MOVE, a, b, c, d});
      }
      if (sizeOf(layout[a]) > 1) moves.push_back({LayoutMove::MOVE, a, b, chains, 0});
    }
}

// Swaps of two scanned registers (in one chain only when the order counts).
void swaps(const ScanLayout& layout, bool ordered, std::vector<LayoutMove>& moves) {
  const int chains = static_cast<int>(layout.size());
  for (int a = 0; a < chains; ++a)
    for (int b = 0; b < sizeOf(layout[a]); ++b)
      for (int c = a; c < chains; ++c) {
        if (c == a && !ordered) continue;
        for (int d = c == a ? b + 1 : 0; d < sizeOf(layout[c]); ++d) moves.push_back({LayoutMove::SWAP, a, b, c, d});
      }
}

// Merges of two chains and splits of one.
void chainChanges(const ScanLayout& layout, bool ordered, std::vector<LayoutMove>& moves) {
  const int chains = static_cast<int>(layout.size());
  for (int a = 0; a < chains; ++a)
    for (int b = ordered ? 0 : a + 1; b < chains; ++b)
      if (a != b) moves.push_back({LayoutMove::MERGE, a, b, 0, 0});
  for (int a = 0; a < chains; ++a)
    for (int b = 1; b < sizeOf(layout[a]); ++b) moves.push_back({LayoutMove::SPLIT, a, b, 0, 0});
}

// Moves that bring an unscanned register in: in place of a scanned one, or added anywhere.
void additions(const ScanLayout& layout, int nregs, bool ordered, std::vector<LayoutMove>& moves) {
  const std::vector<int> free = unscannedOf(layout, nregs);
  const int chains = static_cast<int>(layout.size());
  for (int a = 0; a < chains; ++a)
    for (int b = 0; b < sizeOf(layout[a]); ++b)
      for (int r : free) moves.push_back({LayoutMove::REPLACE, a, b, r, 0});
  for (int r : free) {
    for (int b = 0; b < chains; ++b) {
      const int len = sizeOf(layout[b]);
      for (int c = ordered ? 0 : len; c <= len; ++c) moves.push_back({LayoutMove::ADD, r, b, c, 0});
    }
    moves.push_back({LayoutMove::ADD, r, chains, 0, 0});
  }
}

// The index of the best value above `floor`, or -1.
int bestAbove(const std::vector<double>& values, double floor) {
  int best = -1;
  for (size_t i = 0; i < values.size(); ++i)
    if (values[i] > floor && (best < 0 || values[i] > values[static_cast<size_t>(best)])) best = static_cast<int>(i);
  return best;
}

}  // namespace

void layoutMoves(const ScanLayout& layout, int nregs, bool ordered, std::vector<LayoutMove>& moves) {
  moves.clear();
  for (int a = 0; a < static_cast<int>(layout.size()); ++a)
    for (int b = 0; b < sizeOf(layout[a]); ++b) moves.push_back({LayoutMove::REMOVE, a, b, 0, 0});
  swaps(layout, ordered, moves);
  relocations(layout, ordered, moves);
  chainChanges(layout, ordered, moves);
  additions(layout, nregs, ordered, moves);
}

void applyMove(const ScanLayout& layout, const LayoutMove& m, ScanLayout& out) {
  out = layout;
  const auto at = [&](int chain) -> std::vector<int>& { return out[static_cast<size_t>(chain)]; };
  const auto put = [&](int chain, int pos, int r) {
    if (chain == static_cast<int>(out.size()))
      out.push_back({r});
    else
      at(chain).insert(at(chain).begin() + pos, r);
  };
  switch (m.kind) {
    case LayoutMove::REMOVE:
      at(m.a)[static_cast<size_t>(m.b)] = -1;
      break;
    case LayoutMove::ADD:
      put(m.b, m.c, m.a);
      break;
    case LayoutMove::MOVE: {
      const int r = at(m.a)[static_cast<size_t>(m.b)];
      at(m.a)[static_cast<size_t>(m.b)] = -1;
      put(m.c, m.d, r);
      break;
    }
    case LayoutMove::SWAP:
      std::swap(at(m.a)[static_cast<size_t>(m.b)], at(m.c)[static_cast<size_t>(m.d)]);
      break;
    case LayoutMove::REPLACE:
      at(m.a)[static_cast<size_t>(m.b)] = m.c;
      break;
    case LayoutMove::MERGE:
      at(m.a).insert(at(m.a).end(), layout[static_cast<size_t>(m.b)].begin(), layout[static_cast<size_t>(m.b)].end());
      at(m.b).clear();
      break;
    case LayoutMove::SPLIT: {
      std::vector<int> tail(at(m.a).begin() + m.b, at(m.a).end());
      at(m.a).resize(static_cast<size_t>(m.b));
      out.push_back(std::move(tail));
      break;
    }
  }
}

PolishResult polishLayout(ScanEvaluator& eval, const ScanLayout& start, const PolishOptions& options) {
  PolishResult result;
  const long computedBefore = eval.computed();
  const bool ordered = (eval.techniques() & ORDERED_SCAN) != 0;
  const int nregs = eval.registers().count();
  const size_t batchSize = static_cast<size_t>(std::max(options.batch, 1));
  result.layout = eval.settled(start);
  result.fitness = result.startFitness = eval.fitness(result.layout);
  std::vector<LayoutMove> moves;
  std::vector<ScanLayout> batch;
  std::vector<double> values;
  for (bool improved = true; improved;) {
    improved = false;
    layoutMoves(result.layout, nregs, ordered, moves);
    for (size_t first = 0; first < moves.size() && !improved; first += batchSize) {
      if (options.maxComputed > 0 && eval.computed() - computedBefore >= options.maxComputed) {
        result.localOptimum = false;
        result.computed = eval.computed() - computedBefore;
        return result;
      }
      batch.resize(std::min(batchSize, moves.size() - first));
      for (size_t i = 0; i < batch.size(); ++i) applyMove(result.layout, moves[first + i], batch[i]);
      eval.fitnessOfAll(batch, values);
      const int best = bestAbove(values, result.fitness);
      if (best < 0) continue;
      result.layout = eval.settled(batch[static_cast<size_t>(best)]);
      result.fitness = values[static_cast<size_t>(best)];
      ++result.moves;
      improved = true;
    }
  }
  result.computed = eval.computed() - computedBefore;
  return result;
}
