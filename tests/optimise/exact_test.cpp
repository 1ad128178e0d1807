// The exact optimiser against enumerations written here: every notation of a
// small circuit, and the search without its bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "optimise/exact.h"
#include "ga_test_util.h"
#include "random_circuit.h"
#include "circuitgen.h"

namespace {

FitnessLimits budgets(double area, double pins) { return FitnessLimits{area, pins, Objective::GRADED}; }

// Highest fitness over every digit notation: each ordered choice of registers
// cut into chains in every way, in every chain order.
double bruteForceBest(Circuit& c, const FitnessLimits& limits) {
  const int n = c.getNREGs();
  const LayoutRegisters regs(c);
  const FitnessBasis basis{c.getArea(), c.getNPIOs(), limits};
  double best = appliedLayoutFitness(c, basis, testAnalyser());  // no layout
  for (unsigned subset = 1; subset < (1U << n); ++subset) {
    std::string digits;
    for (int d = 0; d < n; ++d)
      if ((subset >> d) & 1U) digits.push_back(static_cast<char>('0' + d));
    do {
      const unsigned cuts = 1U << (digits.size() - 1);
      for (unsigned cut = 0; cut < cuts; ++cut) {
        std::string notation;
        for (size_t k = 0; k < digits.size(); ++k) {
          if (k > 0 && ((cut >> (k - 1)) & 1U)) notation.push_back('.');
          notation.push_back(digits[k]);
        }
        ScanLayout layout;
        EXPECT_EQ(readLayout(notation, regs, layout), "") << notation;
        const AppliedScanLayout applied(c, regs, layout);
        best = std::max(best, appliedLayoutFitness(c, basis, testAnalyser()));
      }
    } while (std::next_permutation(digits.begin(), digits.end()));
  }
  return best;
}

TEST(ExactOptimum, LayoutCounts) {
  EXPECT_EQ(layoutCount(0, true), 1.0);
  EXPECT_EQ(layoutCount(1, true), 2.0);
  EXPECT_EQ(layoutCount(3, true), 1.0 + 3 + 3 * 3 + 13);
  EXPECT_EQ(layoutCount(6, true), 8464.0);
  EXPECT_EQ(layoutCount(6, false), 877.0);  // Bell number B7: every set partition of seven things
}

TEST(ExactOptimum, AgreesWithEveryNotation) {
  const FitnessLimits b = budgets(30, 40);
  struct Case {
    const char* what;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"chain of three", gatest::registerChain(3)},
      {"ring of three behind an adder",
       "CIR ring a(in,8) clk(clk,1) y(out,8)\n"
       "ITM s(ADD) a(in,8) b(in,8) q(out,8)\n"
       "ITM r0(REG) d(in,8) c(clk,1) q(out,8)\n"
       "ITM r1(REG) d(in,8) c(clk,1) q(out,8)\n"
       "ITM r2(REG) d(in,8) c(clk,1) q(out,8)\n"
       "LINK ring.clk -> r0.c r1.c r2.c\n"
       "LINK ring.a -> s.a\n"
       "LINK r2.q -> s.b ring.y\n"
       "LINK s.q -> r0.d\n"
       "LINK r0.q -> r1.d\n"
       "LINK r1.q -> r2.d\n"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto c = gatest::parseCircuit(k.text);
    ASSERT_TRUE(c);
    const double expected = bruteForceBest(*c, b);
    ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, b);
    const ExactResult r = exactOptimum(eval, {});
    EXPECT_FALSE(r.refused);
    EXPECT_DOUBLE_EQ(r.fitness, expected);
    EXPECT_GT(expected, 0.0);
    ScanEvaluator again(*c, testContext(), ORDERED_SCAN, b);
    EXPECT_DOUBLE_EQ(again.fitness(r.best), expected);
  }
}

TEST(ExactOptimum, DiffeqAgreesWithEveryNotationAndPrunes) {
  const FitnessLimits b = budgets(7, 13);
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const double expected = bruteForceBest(*c, b);
  ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, b);
  const ExactResult r = exactOptimum(eval, {});
  EXPECT_DOUBLE_EQ(r.fitness, expected);
  EXPECT_LT(r.visited, 8464);  // the area budget rules out most register counts
}

TEST(ExactOptimum, BoundsNeverLoseTheOptimum) {
  const FitnessLimits b = budgets(15, 25);
  int compared = 0;
  for (std::uint64_t seed = 1; compared < 12 && seed < 200; ++seed) {
    RandomCircuitOptions o;
    o.items = 14;
    o.seed = seed;
    o.feedbackPercent = 20;
    auto c = randomCircuit(o).build();
    const int n = c->getNREGs();
    if (n < 2 || n > 5) continue;
    ++compared;
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (int tech : {ORDERED_SCAN, UNORDERED_SCAN}) {
      ScanEvaluator pruned(*c, testContext(), tech, b), full(*c, testContext(), tech, b);
      ExactOptions off;
      off.prune = false;
      const ExactResult a = exactOptimum(pruned, {});
      const ExactResult z = exactOptimum(full, off);
      EXPECT_DOUBLE_EQ(a.fitness, z.fitness);
      EXPECT_EQ(z.visited, static_cast<long>(layoutCount(n, tech == ORDERED_SCAN)));
    }
  }
  EXPECT_EQ(compared, 12);
}

// The enumeration runs without the evaluator's memo: the same optimum and
// visits whether the memo was on or off, every layout of the enumeration
// computed, and the memo left as the search found it.
TEST(ExactOptimum, EnumeratesWithoutTheMemoAndRestoresIt) {
  const FitnessLimits b = budgets(7, 13);
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  ScanEvaluator withMemo(*c, testContext(), ORDERED_SCAN, b);
  ScanEvaluator without(*c, testContext(), ORDERED_SCAN, b);
  without.setMemo(false);
  ExactOptions o;
  o.prune = false;
  const ExactResult a = exactOptimum(withMemo, o);
  const ExactResult z = exactOptimum(without, o);
  EXPECT_TRUE(withMemo.memoOn());
  EXPECT_FALSE(without.memoOn());
  EXPECT_DOUBLE_EQ(a.fitness, z.fitness);
  EXPECT_EQ(a.best, z.best);
  EXPECT_EQ(a.visited, z.visited);
  EXPECT_EQ(withMemo.computed(), withMemo.visited());  // the empty layout once, then each layout once
  // The memo works again after the search: a layout seen before costs no computation.
  const long before = withMemo.computed();
  withMemo.fitness(a.best);
  withMemo.fitness(a.best);
  EXPECT_EQ(withMemo.computed(), before + 1);
}

TEST(ExactOptimum, RefusesTooManyLayoutsWithTheirCount) {
  const FitnessLimits b = budgets(100, 100);
  auto c = gatest::parseCircuit(gatest::registerChain(9));
  ASSERT_TRUE(c);
  ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, b);
  ExactOptions o;
  const ExactResult r = exactOptimum(eval, o);
  EXPECT_TRUE(r.refused);
  EXPECT_GT(r.layouts, o.maxLayouts);
  EXPECT_LE(r.layouts, layoutCount(9, true));
  const std::string msg = exactRefusal(r, o);
  EXPECT_NE(msg.find("layouts"), std::string::npos);
  EXPECT_NE(msg.find("use --method ga"), std::string::npos);
}

TEST(ExactOptimum, RefusesALargeCircuitAtOnceWithACountWrittenAsANumber) {
  const FitnessLimits b = budgets(100, 100);
  auto c = gatest::parseCircuit(gatest::registerChain(200));
  ASSERT_TRUE(c);
  ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, b);
  ExactOptions o;
  o.seeds.clear();
  const ExactResult r = exactOptimum(eval, o);
  EXPECT_TRUE(r.refused);
  EXPECT_TRUE(std::isfinite(r.layouts));
  EXPECT_LE(r.visited, 1);  // the empty layout only: nothing searched before the refusal
  const std::string msg = exactRefusal(r, o);
  EXPECT_EQ(msg.find("inf"), std::string::npos) << msg;
  EXPECT_NE(msg.find("would evaluate more than "), std::string::npos) << msg;
  // Counts beyond any double are still written as numbers.
  EXPECT_FALSE(std::isfinite(layoutCount(400, true)));
  EXPECT_EQ(layoutCountText(layoutCount(400, true)).find("inf"), std::string::npos);
  EXPECT_EQ(layoutCountText(8464.0), "8464");
}

// Designs of 600 and 1,000 registers: the search is refused from its count,
// after the empty layout and the seeds alone, without enumerating any class.
TEST(ExactOptimum, RefusesLargeDesignsWithoutSearching) {
  for (int nregs : {600, 1000}) {
    auto c = gatest::parseCircuit(layeredWithRegisters(nregs));
    ASSERT_TRUE(c);
    ASSERT_EQ(c->getNREGs(), nregs);
    ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, budgets(7, 13));
    ExactOptions o;
    o.maxLayouts = exactLayoutLimit(*c);
    o.seeds = {fullScanLayout(nregs, 4), {{0, 1}}};
    const ExactResult r = exactOptimum(eval, o);
    EXPECT_TRUE(r.refused) << nregs;
    EXPECT_EQ(r.visited, 1 + static_cast<long>(o.seeds.size())) << nregs;  // no layout of the search itself
    EXPECT_EQ(eval.visited(), r.visited);
    EXPECT_GT(r.layouts, o.maxLayouts);
  }
}

}  // namespace
