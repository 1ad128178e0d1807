// Loop breaking: the chosen registers break every cycle and no smaller set does.
#include <gtest/gtest.h>

#include <cstdint>

#include "ga_test_util.h"
#include "scan/loops.h"

namespace {

using Succ = std::vector<std::vector<int>>;

std::vector<bool> mask(int n, const std::vector<int>& regs) {
  std::vector<bool> m(static_cast<size_t>(n), false);
  for (int r : regs) m[static_cast<size_t>(r)] = true;
  return m;
}

// Size of the smallest cycle-breaking set, by trying every subset.
int bruteForceMinimum(const RegisterGraph& g, bool ignoreSelfLoops) {
  const int n = g.size();
  int best = n;
  for (std::uint32_t s = 0; s < (1U << n); ++s) {
    std::vector<bool> removed(static_cast<size_t>(n));
    for (int v = 0; v < n; ++v) removed[static_cast<size_t>(v)] = (s >> v) & 1U;
    if (!hasCycleWithout(g, removed, ignoreSelfLoops)) best = std::min(best, std::popcount(s));
  }
  return best;
}

void expectMinimumBreaking(const RegisterGraph& g, const LoopBreakingResult& r, bool keepSelfLoops) {
  EXPECT_FALSE(hasCycleWithout(g, mask(g.size(), r.registers), keepSelfLoops));
  EXPECT_EQ(static_cast<int>(r.registers.size()), bruteForceMinimum(g, keepSelfLoops));
  EXPECT_TRUE(r.minimum);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(LoopBreaking, KnownStructures) {
  struct Case {
    const char* what;
    Succ succ;
    size_t size;
  };
  const std::vector<Case> cases = {
      {"ring of five", {{1}, {2}, {3}, {4}, {0}}, 1},
      {"two rings sharing register 2", {{1}, {2}, {0, 3}, {4}, {2}}, 1},
      {"two interlocked rings sharing no register", {{1}, {0, 2}, {3}, {2, 0}}, 2},
      {"self-loops and a ring", {{0, 1}, {2}, {1}, {3}}, 3},
      {"a DAG", {{1, 2}, {3}, {3}, {}}, 0},
      {"complete graph on four", {{1, 2, 3}, {0, 2, 3}, {0, 1, 3}, {0, 1, 2}}, 3},
      {"empty", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RegisterGraph g(c.succ);
    const LoopBreakingResult r = minimumLoopBreakingSet(g);
    EXPECT_EQ(r.registers.size(), c.size);
    expectMinimumBreaking(g, r, false);
  }
}

TEST(LoopBreaking, KeepSelfLoopsLeavesSelfFeedingRegistersUnscanned) {
  // 0 and 3 feed only themselves; 1 feeds itself and lies on the ring 1 -> 2 -> 1.
  const RegisterGraph g(Succ{{0}, {1, 2}, {1}, {3}});
  EXPECT_EQ(minimumLoopBreakingSet(g).registers, (std::vector<int>{0, 1, 3}));
  LoopBreakingOptions keep;
  keep.keepSelfLoops = true;
  const LoopBreakingResult r = minimumLoopBreakingSet(g, keep);
  ASSERT_EQ(r.registers.size(), 1u);
  EXPECT_TRUE(r.registers[0] == 1 || r.registers[0] == 2);
  expectMinimumBreaking(g, r, true);
}

TEST(LoopBreaking, Diffeq) {
  // reg1 feeds itself through the subtractor, so it is always chosen. The
  // other cycles are reg4 <-> reg5 (through the two multipliers), reg2 <-> reg6
  // and reg3 <-> reg6 (the adder writing x and y back), and longer ones through
  // reg5 -> reg6. reg4-reg5 and reg2-reg6 share no register, so two more are
  // needed; reg5 and reg6 together meet every remaining cycle: {reg1, reg5, reg6}.
  // Leaving self-loops alone, reg1 still lies on reg4 -> reg1 -> reg5 -> reg4,
  // which reg5 breaks: {reg5, reg6}.
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const RegisterGraph g(*c);
  auto names = [&](const LoopBreakingResult& r) {
    std::vector<std::string> n;
    for (int v : r.registers) n.push_back(g.name(v));
    std::sort(n.begin(), n.end());
    return n;
  };
  const LoopBreakingResult all = minimumLoopBreakingSet(g);
  EXPECT_EQ(names(all), (std::vector<std::string>{"reg1", "reg5", "reg6"}));
  expectMinimumBreaking(g, all, false);
  LoopBreakingOptions keep;
  keep.keepSelfLoops = true;
  const LoopBreakingResult kept = minimumLoopBreakingSet(g, keep);
  EXPECT_EQ(names(kept), (std::vector<std::string>{"reg5", "reg6"}));
  expectMinimumBreaking(g, kept, true);
}

// Random graphs of up to 14 vertices, with self-loops.
Succ randomGraph(std::uint64_t seed, int n, int edgePercent) {
  std::uint64_t s = seed * 0x9E3779B97F4A7C15ULL + 1;
  auto next = [&s] {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  };
  Succ succ(static_cast<size_t>(n));
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v)
      if (static_cast<int>(next() % 100) < (u == v ? edgePercent / 4 : edgePercent))
        succ[static_cast<size_t>(u)].push_back(v);
  return succ;
}

TEST(LoopBreaking, AgreesWithBruteForceOnRandomGraphs) {
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    const int n = 3 + static_cast<int>(seed % 12);
    const RegisterGraph g(randomGraph(seed, n, 10 + static_cast<int>(seed % 4) * 10));
    SCOPED_TRACE("seed " + std::to_string(seed));
    expectMinimumBreaking(g, minimumLoopBreakingSet(g), false);
    LoopBreakingOptions keep;
    keep.keepSelfLoops = true;
    expectMinimumBreaking(g, minimumLoopBreakingSet(g, keep), true);
  }
}

TEST(LoopBreaking, AboveTheExactLimitBreaksEveryCycleAndWarns) {
  const RegisterGraph g(randomGraph(7, 40, 12));
  LoopBreakingOptions small;
  small.exactLimit = 4;
  const LoopBreakingResult r = minimumLoopBreakingSet(g, small);
  EXPECT_FALSE(hasCycleWithout(g, mask(g.size(), r.registers)));
  EXPECT_FALSE(r.minimum);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("above the exact limit of 4"), std::string::npos);
  // The exact answer is never larger than the greedy one.
  const LoopBreakingResult exact = minimumLoopBreakingSet(g);
  EXPECT_TRUE(exact.minimum);
  EXPECT_LE(exact.registers.size(), r.registers.size());
  EXPECT_FALSE(hasCycleWithout(g, mask(g.size(), exact.registers)));
}

}  // namespace
