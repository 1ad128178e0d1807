// The scan layout notation in both forms: round trips through chromosomes for
// small and large register counts, the errors of the named form, and the
// choice of form by register count.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "datapath.h"
#include "optimise/ga.h"
#include "ga_test_util.h"
#include "scan/insertion.h"
#include "scan/notation.h"

using gatest::ErrorCapture;
using gatest::structure;

namespace {

// A random layout of a random subset of the registers of `regs`.
ScanChains randomLayout(const LayoutRegisters& regs, std::mt19937& gen) {
  std::vector<int> order(static_cast<size_t>(regs.count()));
  for (int r = 0; r < regs.count(); ++r) order[static_cast<size_t>(r)] = r;
  std::shuffle(order.begin(), order.end(), gen);
  const int used = 1 + static_cast<int>(gen() % static_cast<unsigned>(regs.count()));
  ScanChains chains(1);
  for (int k = 0; k < used; ++k) {
    if (k > 0 && gen() % 4 == 0) chains.emplace_back();
    chains.back().push_back(order[static_cast<size_t>(k)]);
  }
  return chains;
}

}  // namespace

TEST(Notation, RoundTripsThroughChromosomesForAnyRegisterCount) {
  std::mt19937 gen(3);
  for (int nregs : {1, 11, 64, 600}) {
    auto c = gatest::parseCircuit(gatest::registerChain(nregs));
    ASSERT_TRUE(c);
    const std::string before = structure(*c);
    Population pop("p", 2, getScanChrLen(ORDERED_SCAN, nregs), ORDERED_SCAN, c.get(), testDiagnostics());
    const LayoutRegisters& regs = pop.registers();
    ASSERT_EQ(regs.count(), nregs);
    for (int trial = 0; trial < (nregs > 100 ? 5 : 20); ++trial) {
      const ScanChains chains = randomLayout(regs, gen);
      const std::string text = layoutNotation(chains, regs);
      ASSERT_FALSE(text.empty());
      EXPECT_EQ(isClassicNotation(text), nregs <= 10) << text;
      ScanChains parsed;
      ASSERT_EQ(parseNotation(text, regs, parsed), "") << text;
      EXPECT_EQ(parsed, chains);
      // notation -> chromosome -> notation, and the layout it applies
      ASSERT_TRUE(pop.encodeNotation(text, 0)) << text;
      EXPECT_EQ(pop.getNotation(0), text);
      EXPECT_EQ(pop.chains(0), chains);
      std::string applied;
      {
        const AppliedScanLayout chromosome(*c, regs, pop.chains(0));
        applied = structure(*c);
      }
      EXPECT_EQ(structure(*c), before);
      ScanLayout read;
      ASSERT_EQ(readLayout(text, regs, read), "");
      const AppliedScanLayout fromText(*c, regs, read);
      EXPECT_EQ(structure(*c), applied);
    }
  }
}

TEST(Notation, NamedFormNamesItemsFromTheScanInputOn) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  ScanChains named, digits;
  ASSERT_EQ(parseNotation("reg1,reg2.reg6", regs, named), "");
  ASSERT_EQ(parseNotation("01.5", regs, digits), "");
  EXPECT_EQ(named, digits);  // digit d is the d-th register described
  EXPECT_EQ(namedNotation(named, regs), "reg1,reg2.reg6");
  EXPECT_EQ(classicNotation(named, regs.count()), "01.5");
  EXPECT_EQ(layoutNotation(named, regs), "01.5");  // ten registers or fewer: digits
  // the classic form keeps a register written twice (the later place wins)
  ScanChains twice;
  EXPECT_EQ(parseNotation("3.3", regs, twice), "");
  EXPECT_EQ(twice, (ScanChains{{2}, {2}}));
}

// With a register left out of the layouts, digits would count other registers
// than the design's: layouts are then shown by name, and copies keep knowing it.
TEST(Notation, LayoutsOfACircuitWithRegistersLeftOutAreShownByName) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  ASSERT_TRUE(c->excludeFromLayouts(c->getItemPtr("reg1")));
  const LayoutRegisters regs(*c);
  EXPECT_TRUE(regs.leavesOutRegisters());
  ScanChains chains;
  ASSERT_EQ(parseNotation("reg2.reg6", regs, chains), "");
  EXPECT_EQ(layoutNotation(chains, regs), "reg2.reg6");
  const LayoutRegisters copy = regs;
  EXPECT_EQ(layoutNotation(chains, copy), "reg2.reg6");
  EXPECT_FALSE(LayoutRegisters(*gatest::loadExample("diffeq")).leavesOutRegisters());
}

// The name lookup is made on first use: copies, assignments, moves and
// lookups from several threads at once must all find the same registers.
TEST(Notation, RegisterNamesAreFoundInCopiesAndFromSeveralThreads) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  ASSERT_GT(regs.count(), 1);
  std::vector<int> expected;
  for (int r = 0; r < regs.count(); ++r) expected.push_back(regs.indexOf(regs.name(r)));
  for (int r = 0; r < regs.count(); ++r) EXPECT_EQ(expected[static_cast<size_t>(r)], r);
  EXPECT_EQ(regs.indexOf("no_such_register"), -1);

  LayoutRegisters copy(regs);  // made after the original's lookup
  LayoutRegisters assigned;
  EXPECT_EQ(assigned.indexOf(regs.name(0)), -1);
  assigned = copy;
  LayoutRegisters moved(std::move(copy));
  for (int r = 0; r < regs.count(); ++r) {
    EXPECT_EQ(assigned.indexOf(regs.name(r)), r);
    EXPECT_EQ(moved.indexOf(regs.name(r)), r);
  }

  const LayoutRegisters fresh(*c);
  std::vector<std::vector<int>> found(4);
  std::vector<std::thread> threads;
  for (auto& f : found)
    threads.emplace_back([&fresh, &f] {
      for (int r = 0; r < fresh.count(); ++r) f.push_back(fresh.indexOf(fresh.name(r)));
    });
  for (auto& t : threads) t.join();
  for (const auto& f : found) EXPECT_EQ(f, expected);
}

TEST(Notation, NamedFormErrors) {
  auto c = gatest::parseCircuit(gatest::registerChain(12));
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  struct Case {
    const char* text;
    const char* problem;
  } cases[] = {
      {"r1,r99", "unknown register 'r99'"},
      {"r1.r2,r1", "register 'r1' named twice"},
      {"r1,r 2", "register name 'r 2' cannot be written in a notation"},
      {"r1,'r2'", "register name ''r2'' cannot be written in a notation"},
      {"r1,\"r2\"", "register name '\"r2\"' cannot be written in a notation"},
      {"r1,,r2", "empty register name"},
      {"r1.,r2", "empty register name"},
      {"r1..r2", "empty chain"},
      {"r1.", "empty chain"},
      {"", "empty chain"},
  };
  for (const Case& k : cases) {
    ScanChains chains{{0}};
    EXPECT_EQ(parseNotation(k.text, regs, chains), k.problem) << k.text;
    EXPECT_TRUE(chains.empty()) << k.text;
  }
  // into a chromosome: one counted error naming the notation
  Population pop("p", 1, getScanChrLen(ORDERED_SCAN, 12), ORDERED_SCAN, c.get(), testDiagnostics());
  const std::string chromosome = pop.chromosome(0);
  ErrorCapture errors;
  EXPECT_FALSE(pop.encodeNotation("r1,r99.r2", 0));
  EXPECT_EQ(errors.count(), 1);
  EXPECT_EQ(errors.text(), "ERROR(1): Wrong scan layout notation 'r1,r99.r2' (unknown register 'r99')!\n");
  EXPECT_EQ(pop.chromosome(0), chromosome);
}

TEST(Notation, NamesThatCannotBeWritten) {
  // Item names may hold characters the notation uses; such layouts are not written.
  auto c = gatest::parseCircuit(
      "CIR odd a(in,8) clk(clk,1) y(out,8)\n"
      "ITM p,q(REG) d(in,8) c(clk,1) q(out,8)\n"
      "ITM r0(REG) d(in,8) c(clk,1) q(out,8)\n");
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  std::string problem;
  EXPECT_EQ(namedNotation({{0}, {1}}, regs, &problem), "");
  EXPECT_EQ(problem, "register name 'p,q' cannot be written in a notation");
  EXPECT_EQ(namedNotation({{0}}, regs), "r0");
  EXPECT_EQ(namedNotation({{0, 2, -1}}, regs), "r0");  // indices beyond the registers are left out
  EXPECT_NE(nameProblem("a.b"), "");
  EXPECT_NE(nameProblem("a\tb"), "");
  EXPECT_EQ(nameProblem("x_var"), "");
  // a named text of digits alone would read back as the classic form
  auto digits = gatest::parseCircuit("CIR d clk(clk,1)\nITM 7(REG) d(in,8) c(clk,1) q(out,8)\n");
  ASSERT_TRUE(digits);
  problem.clear();
  EXPECT_EQ(namedNotation({{0}}, LayoutRegisters(*digits), &problem), "");
  EXPECT_NE(problem, "");
}

TEST(Notation, TheSolverRefusesCircuitsWhoseLayoutsCannotBeWritten) {
  std::string text = gatest::registerChain(11);
  text += "ITM bad.name(REG) d(in,8) c(clk,1) q(out,8)\n";
  auto c = gatest::parseCircuit(text);
  ASSERT_TRUE(c);
  GaOptions o;
  o.maxUnenhancedRuns = 3;
  o.classicForm = false;
  SeededRandom random(1);
  ErrorCapture errors;
  const SearchResult found = runGA(*c, o, random, testContext());
  EXPECT_EQ(errors.count(), 1);
  EXPECT_NE(errors.text().find("register name 'bad.name' cannot be written"), std::string::npos) << errors.text();
  EXPECT_EQ(found.generations, 0);
}

TEST(Notation, ChromosomeFieldsGrowWithTheRegisterCount) {
  EXPECT_EQ(scanFieldWidth(64), 6);
  EXPECT_EQ(scanFieldWidth(65), 7);
  EXPECT_EQ(scanFieldWidth(600), 10);
  EXPECT_EQ(getScanChrLen(ORDERED_SCAN, 600), 600 * 21);
  // random chromosomes of a large circuit always decode to a valid layout
  auto c = gatest::parseCircuit(registerDatapath(64));
  ASSERT_TRUE(c);
  Population pop("p", 8, getScanChrLen(ORDERED_SCAN, 64), ORDERED_SCAN, c.get(), testDiagnostics());
  SeededRandom random(9);
  pop.initPopulation(random);
  for (int i = 0; i < pop.getSize(); ++i) {
    const ScanChains chains = pop.chains(i);
    std::vector<int> seen;
    for (const auto& chain : chains) seen.insert(seen.end(), chain.begin(), chain.end());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());  // no register twice
    ScanChains parsed;
    EXPECT_EQ(parseNotation(pop.getNotation(i), pop.registers(), parsed), "");
    EXPECT_EQ(parsed, chains);
  }
}
