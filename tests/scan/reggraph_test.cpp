// Register graph: edges through combinational logic, loops and their state
// under a scan layout.
#include <gtest/gtest.h>

#include "optimise/ga.h"
#include "ga_test_util.h"
#include "scan/insertion.h"
#include "scan/reggraph.h"

namespace {

// Successors of register `name` by name.
std::vector<std::string> feeds(const RegisterGraph& g, const std::string& name) {
  std::vector<std::string> out;
  for (int r = 0; r < g.size(); ++r)
    if (g.name(r) == name)
      for (int s : g.successors(r)) out.push_back(g.name(s));
  std::sort(out.begin(), out.end());
  return out;
}

int regIndex(const RegisterGraph& g, const std::string& name) {
  for (int r = 0; r < g.size(); ++r)
    if (g.name(r) == name) return r;
  return -1;
}

using Names = std::vector<std::string>;

TEST(RegisterGraph, DiffeqEdgesFollowTheDataPath) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const RegisterGraph g(*c);
  ASSERT_EQ(g.size(), 6);
  EXPECT_EQ(feeds(g, "reg1"), (Names{"reg1", "reg5"}));
  EXPECT_EQ(feeds(g, "reg2"), (Names{"reg5", "reg6"}));
  EXPECT_EQ(feeds(g, "reg3"), (Names{"reg5", "reg6"}));
  EXPECT_EQ(feeds(g, "reg4"), (Names{"reg1", "reg5"}));
  EXPECT_EQ(feeds(g, "reg5"), (Names{"reg4", "reg6"}));
  EXPECT_EQ(feeds(g, "reg6"), (Names{"reg2", "reg3"}));
  EXPECT_TRUE(g.hasSelfLoop(regIndex(g, "reg1")));
  // Every register lies on a cycle and all form one loop.
  const auto loops = registerLoops(g);
  ASSERT_EQ(loops.size(), 1u);
  EXPECT_EQ(loops[0].registers.size(), 6u);
  EXPECT_FALSE(loops[0].broken);
}

TEST(RegisterGraph, AppliedLayoutAddsNoEdgesAndBreaksLoops) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const RegisterGraph before(*c);
  const LayoutRegisters regs(*c);
  ScanLayout layout;
  // Digits name registers in description order: 0 = reg1, 4 = reg5, 5 = reg6.
  ASSERT_EQ(readLayout("04.5", regs, layout), "");
  const AppliedScanLayout applied(*c, regs, layout);
  const RegisterGraph after(*c);
  for (int r = 0; r < before.size(); ++r) EXPECT_EQ(before.successors(r), after.successors(r)) << r;
  std::vector<bool> scanned(6, false);
  for (const char* n : {"reg1", "reg5", "reg6"}) scanned[static_cast<size_t>(regIndex(after, n))] = true;
  EXPECT_TRUE(registerLoops(after, scanned)[0].broken);
  scanned[static_cast<size_t>(regIndex(after, "reg6"))] = false;
  EXPECT_FALSE(registerLoops(after, scanned)[0].broken);  // reg2 -> reg6 -> reg2 remains
}

TEST(RegisterGraph, SelectInputsAndChainsOfLogicArePaths) {
  // r0 drives a multiplexer's select only; r1 reaches r2 through two adders;
  // r2 feeds a primary output only.
  const std::string text =
      "CIR t a(in,8) clk(clk,1) y(out,8)\n"
      "ITM r0(REG) d(in,8) c(clk,1) q(out,1)\n"
      "ITM r1(REG) d(in,8) c(clk,1) q(out,8)\n"
      "ITM r2(REG) d(in,8) c(clk,1) q(out,8)\n"
      "ITM m(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
      "ITM s1(ADD) a(in,8) b(in,8) q(out,8)\n"
      "ITM s2(ADD) a(in,8) b(in,8) q(out,8)\n"
      "LINK t.clk -> r0.c r1.c r2.c\n"
      "LINK t.a -> m.a m.b r1.d s1.b s2.b\n"
      "LINK r0.q -> m.s\n"
      "LINK m.q -> r0.d\n"
      "LINK r1.q -> s1.a\n"
      "LINK s1.q -> s2.a\n"
      "LINK s2.q -> r2.d\n"
      "LINK r2.q -> t.y\n";
  auto c = gatest::parseCircuit(text);
  ASSERT_TRUE(c);
  const RegisterGraph g(*c);
  EXPECT_EQ(feeds(g, "r0"), (Names{"r0"}));
  EXPECT_EQ(feeds(g, "r1"), (Names{"r2"}));
  EXPECT_EQ(feeds(g, "r2"), (Names{}));
  const std::vector<bool> in = registersInLoops(g);
  EXPECT_TRUE(in[static_cast<size_t>(regIndex(g, "r0"))]);
  EXPECT_FALSE(in[static_cast<size_t>(regIndex(g, "r1"))]);
  EXPECT_FALSE(in[static_cast<size_t>(regIndex(g, "r2"))]);
}

TEST(RegisterGraph, ComponentsOfGivenGraphs) {
  // Two rings sharing vertex 2, a self-loop at 5, a tail 6 -> 0.
  const RegisterGraph g({{1}, {2}, {0, 3}, {4}, {2}, {5}, {0}});
  const auto comps = stronglyConnectedComponents({{1}, {2}, {0, 3}, {4}, {2}, {5}, {0}});
  EXPECT_EQ(comps, (std::vector<std::vector<int>>{{0, 1, 2, 3, 4}, {5}, {6}}));
  const auto loops = registerLoops(g);
  ASSERT_EQ(loops.size(), 2u);
  EXPECT_EQ(loops[1].registers, (std::vector<int>{5}));
  EXPECT_FALSE(hasCycleWithout(g, {false, false, true, false, false, true, false}));
  EXPECT_TRUE(hasCycleWithout(g, {false, false, true, false, false, false, false}));
  EXPECT_FALSE(hasCycleWithout(g, {false, false, true, false, false, false, false}, true));
  EXPECT_EQ(registersInLoops(g), (std::vector<bool>{true, true, true, true, true, true, false}));
}

TEST(RegisterGraph, LongRingNeedsNoDeepRecursion) {
  const int n = 200000;
  std::vector<std::vector<int>> succ(static_cast<size_t>(n));
  for (int v = 0; v < n; ++v) succ[static_cast<size_t>(v)] = {(v + 1) % n};
  const auto comps = stronglyConnectedComponents(succ);
  ASSERT_EQ(comps.size(), 1u);
  EXPECT_EQ(comps[0].size(), static_cast<size_t>(n));
}

}  // namespace
