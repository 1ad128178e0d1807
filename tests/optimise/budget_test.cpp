// Searches that find no scan say why: the bound that forbids even one chain
// and the bound that would allow one; the genetic algorithm never ends below
// the layout without scan.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "base/random.h"
#include "ga_test_util.h"
#include "optimise/budget.h"
#include "optimise/ga.h"
#include "optimise/evaluator.h"

namespace {

TEST(Budget, NamesTheBoundThatForbidsOneChainAndTheOneThatAllowsIt) {
  auto c = gatest::parseCircuit(gatest::registerChain(2));
  ASSERT_TRUE(c);
  // Three pins of 17 bits: one chain adds scan in, out and mode, 3 bits, about 17.6 %.
  const SmallestLayoutBudget b = smallestLayoutBudget(*c, FitnessLimits{50.0, 13.0, Objective::GRADED}, testContext());
  EXPECT_TRUE(b.pinsForbid);
  EXPECT_FALSE(b.areaForbids);
  const std::string pins = noScanExplanation(*c, FitnessLimits{50.0, 13.0, Objective::GRADED}, testContext());
  EXPECT_NE(pins.find("the pin bound (--pins 13 %) forbids it"), std::string::npos) << pins;
  char allow[64];
  std::snprintf(allow, sizeof allow, "--pins %g would allow one", std::ceil(b.pinPercent * 10.0 - 1e-9) / 10.0);
  EXPECT_NE(pins.find(allow), std::string::npos) << pins;
  EXPECT_EQ(pins.find("area"), std::string::npos) << pins;
  // With room for the pins, the area bound is what forbids it.
  const std::string area = noScanExplanation(*c, FitnessLimits{1.0, 100.0, Objective::GRADED}, testContext());
  EXPECT_NE(area.find("the area bound (--area 1 %) forbids it"), std::string::npos) << area;
  EXPECT_EQ(area.find("pin bound"), std::string::npos) << area;
  // Bounds that allow one chain need no explanation, nor does a circuit without registers.
  EXPECT_EQ(noScanExplanation(*c, FitnessLimits{100.0, 100.0, Objective::GRADED}, testContext()), "");
  auto none = gatest::parseCircuit(gatest::registerChain(0));
  ASSERT_TRUE(none);
  EXPECT_EQ(noScanExplanation(*none, FitnessLimits{0.0, 0.0, Objective::GRADED}, testContext()), "");
}

TEST(Budget, TheGeneticAlgorithmNeverEndsBelowTheLayoutWithoutScan) {
  for (std::uint64_t seed = 1; seed <= 5; ++seed) {
    auto c = gatest::parseCircuit(gatest::registerChain(6));
    ASSERT_TRUE(c);
    GaOptions o;
    o.classicForm = false;
    o.writeResults = false;
    o.polish = false;
    o.maxUnenhancedRuns = 3;
    o.populationSize = 4;
    o.limits = FitnessLimits{0.5, 0.5, Objective::GRADED};  // every chain far above the bounds
    SeededRandom random(seed);
    const SearchResult r = runGA(*c, o, random, testContext());
    ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, o.limits);
    EXPECT_GE(r.fitness, eval.fitness({})) << "seed " << seed;
    EXPECT_GT(r.fitness, 0.0);
  }
}

}  // namespace
