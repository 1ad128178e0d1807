// Kendall's tau and the rank agreement of both measures with a coverage.
#include <gtest/gtest.h>

#include <cmath>

#include "ga_test_util.h"
#include "optimise/rankagreement.h"

namespace {

TEST(RankAgreement, KendallTauCountsConcordantPairsAndCorrectsForTies) {
  EXPECT_DOUBLE_EQ(*kendallTau({1, 2, 3, 4}, {10, 20, 30, 40}), 1.0);
  EXPECT_DOUBLE_EQ(*kendallTau({1, 2, 3, 4}, {40, 30, 20, 10}), -1.0);
  // One swapped pair of six: (5 - 1) / 6.
  EXPECT_DOUBLE_EQ(*kendallTau({1, 2, 3, 4}, {10, 30, 20, 40}), 4.0 / 6.0);
  // tau-b: a tie in y leaves 5 of 6 pairs; all 5 concordant.
  EXPECT_NEAR(*kendallTau({1, 2, 3, 4}, {10, 10, 30, 40}), 5.0 / std::sqrt(6.0 * 5.0), 1e-12);
  EXPECT_FALSE(kendallTau({1}, {2}).has_value());
  EXPECT_FALSE(kendallTau({1, 2, 3}, {5, 5, 5}).has_value());
  EXPECT_FALSE(kendallTau({}, {}).has_value());
}

TEST(RankAgreement, RanksEachDistinctLayoutByBothMeasures) {
  auto c = gatest::parseCircuit(gatest::registerChain(4));
  ASSERT_TRUE(c);
  const int pins = c->getNPIOs();
  std::string problem;
  const auto a = rankAgreement(*c, {{"", 0.0}, {"0123", 90.0}, {"0123", 90.0}, {"0", 30.0}}, testContext(), problem);
  ASSERT_TRUE(a) << problem;
  ASSERT_EQ(a->layouts.size(), 3u);  // the repeated layout counts once
  EXPECT_DOUBLE_EQ(a->layouts[1].fixpoint, 1.0);  // full scan: every own port set and seen
  EXPECT_LT(a->layouts[0].fixpoint, a->layouts[2].fixpoint);
  ASSERT_TRUE(a->fixpointTau);
  EXPECT_DOUBLE_EQ(*a->fixpointTau, 1.0);
  // The circuit is left as it was: no layout applied.
  EXPECT_EQ(c->getNPIOs(), pins);
  EXPECT_FALSE(rankAgreement(*c, {{"9", 1.0}}, testContext(), problem));
  EXPECT_FALSE(problem.empty());
}

}  // namespace
