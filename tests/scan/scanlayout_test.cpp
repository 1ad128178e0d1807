// ScanLayout values: settling, keys, and the round trips notation <->
// ScanLayout <-> chromosome that make the genetic algorithm's layouts the
// ones the circuit applies.
#include <gtest/gtest.h>

#include <random>

#include "ga_test_util.h"
#include "optimise/population.h"
#include "scan/scanlayout.h"

namespace {

// A raw layout of `nregs` registers: repeats, empty chains and unknown indices included.
ScanLayout rawLayout(int nregs, std::mt19937& gen) {
  ScanLayout layout(1);
  const int entries = static_cast<int>(gen() % static_cast<unsigned>(2 * nregs + 1));
  for (int k = 0; k < entries; ++k) {
    if (gen() % 4 == 0) layout.emplace_back();
    const int r = gen() % 16 == 0 ? nregs + static_cast<int>(gen() % 3) : static_cast<int>(gen() % static_cast<unsigned>(nregs));
    layout.back().push_back(r);
  }
  return layout;
}

}  // namespace

TEST(ScanLayout, SettlingKeepsTheLastPlaceAndDropsWhatCannotBeApplied) {
  EXPECT_EQ(settledLayout({{2}, {2}}, 6, ChainOrder::AS_LISTED), (ScanLayout{{2}}));
  EXPECT_EQ(settledLayout({{1, 4, 1}, {}, {3, 9, -1}}, 6, ChainOrder::AS_LISTED), (ScanLayout{{4, 1}, {3}}));
  EXPECT_EQ(settledLayout({{5, 0, 3}, {4, 1}}, 6, ChainOrder::BY_REGISTER), (ScanLayout{{0, 3, 5}, {1, 4}}));
  EXPECT_EQ(settledLayout({{7}}, 6, ChainOrder::AS_LISTED), ScanLayout{});
  EXPECT_EQ(settledLayout({{0}}, 0, ChainOrder::AS_LISTED), ScanLayout{});
}

TEST(ScanLayout, ChromosomesDecodeToTheSettledLayout) {
  // Encoding any layout into a chromosome and decoding it gives what
  // settledLayout gives, for both techniques: the GA's layouts and the
  // directly applied ones are the same layouts.
  std::mt19937 gen(5);
  for (int nregs : {1, 2, 6, 11, 64, 200}) {
    auto c = gatest::parseCircuit(gatest::registerChain(nregs));
    ASSERT_TRUE(c);
    for (int tech : {ORDERED_SCAN, UNORDERED_SCAN}) {
      Population pop("p", 1, getScanChrLen(tech, nregs), tech, c.get(), testDiagnostics());
      const ChainOrder order = tech == ORDERED_SCAN ? ChainOrder::AS_LISTED : ChainOrder::BY_REGISTER;
      for (int trial = 0; trial < 50; ++trial) {
        // at most as many chains, and entries per chain, as registers (as in
        // any notation): the numbers chromosome fields can hold
        ScanLayout raw = rawLayout(nregs, gen);
        if (static_cast<int>(raw.size()) > nregs) raw.resize(static_cast<size_t>(nregs));
        for (auto& chain : raw)
          if (static_cast<int>(chain.size()) > nregs) chain.resize(static_cast<size_t>(nregs));
        ASSERT_TRUE(pop.encodeChains(raw, 0));
        const ScanLayout settled = settledLayout(raw, nregs, order);
        EXPECT_EQ(pop.chains(0), settled) << "registers " << nregs << " technique " << tech;
        // a settled layout is settled already, and goes through a chromosome unchanged
        EXPECT_EQ(settledLayout(settled, nregs, order), settled);
        ASSERT_TRUE(pop.encodeChains(settled, 0));
        EXPECT_EQ(pop.chains(0), settled);
      }
    }
  }
}

TEST(ScanLayout, NotationRoundTrips) {
  std::mt19937 gen(8);
  for (int nregs : {3, 10, 11, 64}) {
    auto c = gatest::parseCircuit(gatest::registerChain(nregs));
    ASSERT_TRUE(c);
    const LayoutRegisters regs(*c);
    for (int trial = 0; trial < 30; ++trial) {
      const ScanLayout layout = settledLayout(rawLayout(nregs, gen), nregs, ChainOrder::AS_LISTED);
      if (layout.empty()) continue;
      const std::string text = layoutNotation(layout, regs);
      ScanLayout read;
      ASSERT_EQ(readLayout(text, regs, read), "") << text;
      EXPECT_EQ(read, layout) << text;
    }
  }
  // a classic notation may repeat a register: it is read settled
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  ScanLayout read;
  ASSERT_EQ(readLayout("3.3", regs, read), "");
  EXPECT_EQ(read, (ScanLayout{{2}}));
  EXPECT_EQ(layoutNotation(read, regs), "3");
}

TEST(ScanLayout, UnknownAndRepeatedRegistersAreErrors) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  ScanLayout read{{1}};
  EXPECT_EQ(readLayout("reg1,reg9", regs, read), "unknown register 'reg9'");
  EXPECT_TRUE(read.empty());
  EXPECT_EQ(readLayout("reg1.reg1", regs, read), "register 'reg1' named twice");
  EXPECT_EQ(readLayout("6", regs, read), "register 6 does not exist");
  // a layout applied as it is must name each register once
  EXPECT_EQ(layoutProblem({{0, 5}, {3}}, regs), "");
  EXPECT_EQ(layoutProblem({{0, 6}}, regs), "unknown register 6");
  EXPECT_EQ(layoutProblem({{-1}}, regs), "unknown register -1");
  EXPECT_EQ(layoutProblem({{0}, {0}}, regs), "register 'reg6' listed twice");
}

TEST(ScanLayout, KeysTellLayoutsApart) {
  EXPECT_EQ(layoutKey({}), "");
  EXPECT_EQ(layoutKey({{}}), layoutKey({}));  // an empty chain applies nothing
  EXPECT_NE(layoutKey({{1, 2}}), layoutKey({{1}, {2}}));
  EXPECT_NE(layoutKey({{1, 2}}), layoutKey({{2, 1}}));
  EXPECT_NE(layoutKey({{127}}), layoutKey({{128}}));
  EXPECT_NE(layoutKey({{0, 200}}), layoutKey({{0}, {200}}));
  EXPECT_EQ(layoutKey({{300, 7}, {1}}), layoutKey({{300, 7}, {1}}));
}
