// The rules on small designs: each triggers its rule, its fixed version does
// not; test-mode values; gate-level netlists; malformed netlists.
#include <gtest/gtest.h>

#include "checks_util.h"

namespace {

struct RuleCase {
  const char* rule;
  const char* triggers;
  const char* fixed;
};

// Every rule with a design that triggers it and its fixed version.
constexpr RuleCase kCases[] = {
    {"CLK-1", "clk1_gated.v", "clk1_fixed.v"},     {"CLK-1", "clk1_divider.v", "clk1_fixed.v"},
    {"CLK-2", "clk2_domains.v", "clk2_fixed.v"},   {"RST-1", "rst1_internal.v", "rst1_fixed.v"},
    {"RST-1", "rst1_soft.v", "rst1_fixed.v"},      {"RST-2", "rst2_noreset.v", "rst2_fixed.v"},
    {"LAT-1", "lat1_latch.v", "lat1_fixed.v"},     {"LOOP-1", "loop1_loop.v", "loop1_fixed.v"},
    {"TRI-1", "tri1_tristate.v", "tri1_fixed.v"},  {"MEM-1", "mem1_memory.v", "mem1_fixed.v"},
    {"X-1", "x1_unknown.v", "x1_fixed.v"},         {"CONST-1", "const1_constant.v", "const1_fixed.v"},
};

TEST(CheckRules, EachDesignTriggersItsRuleAndItsFixedVersionIsClean) {
  for (const RuleCase& c : kCases) {
    SCOPED_TRACE(c.triggers);
    bool ok = false;
    const CheckReport bad = checkVerilog(c.triggers, {}, ok);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(findingsOf(bad, c.rule).empty());
    const CheckReport good = checkVerilog(c.fixed, {}, ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(good.findings.empty()) << findingsOf(good, good.findings.empty() ? "" : good.findings[0].rule).size()
                                       << " " << (good.findings.empty() ? "" : good.findings[0].message);
    for (const CheckedRegister& r : good.registers) EXPECT_EQ(r.blockingRule, "") << r.name;
  }
}

TEST(CheckRules, ErrorsNameTheRegisterItsLineAndMakeItUnscannable) {
  bool ok = false;
  const CheckReport r = checkVerilog("clk1_gated.v", {}, ok);
  ASSERT_TRUE(ok);
  const std::vector<Finding> f = findingsOf(r, "CLK-1");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].object, "q");
  EXPECT_EQ(f[0].location, "clk1_gated.v:4");
  EXPECT_EQ(f[0].severity, Severity::Error);
  EXPECT_NE(f[0].message.find("'gclk'"), std::string::npos) << f[0].message;
  ASSERT_EQ(r.registers.size(), 1u);
  EXPECT_EQ(r.registers[0].blockingRule, "CLK-1");
  EXPECT_EQ(r.registers[0].bits, 4);
}

TEST(CheckRules, DividedClockIsAnErrorAndATestModeGateIsAWire) {
  bool ok = false;
  CheckReport r = checkVerilog("clk1_divider.v", {}, ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(findingsOf(r, "CLK-1").size(), 2u);
  EXPECT_NE(findingsOf(r, "CLK-1")[0].message.find("flip-flop 'half'"), std::string::npos);
  r = checkVerilog("clk1_divider.v", {{"test_en", true}}, ok);
  ASSERT_TRUE(ok);
  const std::vector<Finding> left = findingsOf(r, "CLK-1");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].object, "slow");
  // The gated register now sees clk through two inverters: the rising domain of clk.
  ASSERT_EQ(r.domains.size(), 1u);
  EXPECT_EQ(r.domains[0].clock, "clk");
  EXPECT_TRUE(r.domains[0].risingEdge);
  EXPECT_EQ(r.domains[0].flipFlops, 5);
}

TEST(CheckRules, TestModeHoldsAnInternalResetOff) {
  bool ok = false;
  EXPECT_EQ(findingsOf(checkVerilog("rst1_internal.v", {{"test_mode", true}}, ok), "RST-1").size(), 0u);
  EXPECT_TRUE(ok);
  // The multiplexer selecting the synchronizer in test mode keeps the error.
  EXPECT_EQ(findingsOf(checkVerilog("rst1_internal.v", {{"test_mode", false}}, ok), "RST-1").size(), 1u);
  // The reset pin held inactive: the software reset's gate is off.
  EXPECT_EQ(findingsOf(checkVerilog("rst1_soft.v", {{"soft_en", false}}, ok), "RST-1").size(), 0u);
  EXPECT_EQ(findingsOf(checkVerilog("rst1_soft.v", {{"soft_en", true}}, ok), "RST-1").size(), 1u);
}

TEST(CheckRules, AResetHeldActiveInTestModeIsAnError) {
  bool ok = false;
  const CheckReport r = checkVerilog("rst1_fixed.v", {{"rst_n", false}}, ok);
  ASSERT_TRUE(ok);
  const std::vector<Finding> f = findingsOf(r, "RST-1");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_NE(f[0].message.find("held active in test mode"), std::string::npos) << f[0].message;
  EXPECT_TRUE(findingsOf(checkVerilog("rst1_fixed.v", {{"rst_n", true}}, ok), "RST-1").empty());
}

TEST(CheckRules, ClockDomainsAndEdgesAreCounted) {
  bool ok = false;
  const CheckReport r = checkVerilog("clk2_domains.v", {}, ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(r.domains.size(), 3u);
  int clkARising = 0, clkAFalling = 0, clkB = 0;
  for (const ClockDomain& d : r.domains) {
    if (d.clock == "clk_a") (d.risingEdge ? clkARising : clkAFalling) = d.flipFlops;
    if (d.clock == "clk_b") clkB = d.flipFlops;
  }
  EXPECT_EQ(clkARising, 2);
  EXPECT_EQ(clkAFalling, 1);
  EXPECT_EQ(clkB, 1);
  const std::vector<Finding> f = findingsOf(r, "CLK-2");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_NE(f[0].message.find("both edges of 'clk_a'"), std::string::npos) << f[0].message;
}

TEST(CheckRules, ConstantAndUnseenFlipFlopsButNotAResetSynchronizer) {
  bool ok = false;
  const std::vector<Finding> f = findingsOf(checkVerilog("const1_constant.v", {}, ok), "CONST-1");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].object, "stuck");
  EXPECT_EQ(f[1].object, "unseen");
  // The first stage of a synchronizer has a constant data input but changes on reset.
  EXPECT_TRUE(findingsOf(checkVerilog("rst1_internal.v", {}, ok), "CONST-1").empty());
}

TEST(CheckRules, LoopNamesItsCells) {
  bool ok = false;
  const std::vector<Finding> f = findingsOf(checkVerilog("loop1_loop.v", {}, ok), "LOOP-1");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_NE(f[0].message.find("and at loop1_loop.v:5"), std::string::npos) << f[0].message;
  EXPECT_NE(f[0].message.find("xor at loop1_loop.v:4"), std::string::npos) << f[0].message;
}

// A gate-level netlist: a flip-flop clocked through an and gate, one reset
// by another flip-flop, a latch; and a word-level and feeding its own other bit.
constexpr const char* kGateNetlist = R"({"modules": {"g": {
  "ports": {"clk": {"direction": "input", "bits": [2]}, "en": {"direction": "input", "bits": [3]},
            "d": {"direction": "input", "bits": [4]}, "q": {"direction": "output", "bits": [5, 6, 7, 9]}},
  "cells": {
    "gate": {"type": "$_AND_", "connections": {"A": [2], "B": [3], "Y": [8]}},
    "ff1": {"type": "$_DFF_P_", "connections": {"C": [8], "D": [4], "Q": [5]}},
    "ff2": {"type": "$_DFF_PN0_", "connections": {"C": [2], "R": [5], "D": [4], "Q": [6]}},
    "lat": {"type": "$_DLATCH_P_", "connections": {"E": [3], "D": [4], "Q": [7]}},
    "word": {"type": "$and", "parameters": {"A_WIDTH": 2, "B_WIDTH": 2, "Y_WIDTH": 2},
             "port_directions": {"A": "input", "B": "input", "Y": "output"},
             "connections": {"A": [4, 10], "B": [3, 3], "Y": [10, 9]}}
  },
  "netnames": {"q": {"bits": [5, 6, 7, 9]}, "gclk": {"bits": [8]}}}}})";

TEST(CheckRules, GateLevelCellsAndBitLevelLoops) {
  std::vector<std::string> problems;
  const CheckReport r = checkNetlistText(kGateNetlist, {}, problems);
  ASSERT_TRUE(problems.empty()) << problems[0];
  EXPECT_EQ(findingsOf(r, "CLK-1").size(), 1u);
  EXPECT_EQ(findingsOf(r, "RST-1").size(), 1u);
  EXPECT_EQ(findingsOf(r, "LAT-1").size(), 1u);
  EXPECT_TRUE(findingsOf(r, "LOOP-1").empty());
  ASSERT_EQ(r.registers.size(), 3u);
  for (const CheckedRegister& reg : r.registers) EXPECT_FALSE(reg.blockingRule.empty()) << reg.cell;
  // Held at 1, en makes the gate a wire; the latch's enable is then constant.
  const CheckReport held = checkNetlistText(kGateNetlist, {{"en", true}}, problems);
  const std::vector<Finding> clk = findingsOf(held, "CLK-1");
  ASSERT_EQ(clk.size(), 1u);
  EXPECT_EQ(clk[0].object, "q[2]");
  EXPECT_NE(clk[0].message.find("constant in test mode"), std::string::npos) << clk[0].message;
}

TEST(CheckRules, MalformedNetlistsAreProblemsNotCrashes) {
  const char* inputs[] = {
      "", "not json", "[]", R"({"modules": 3})", R"({"modules": {}})",
      R"({"modules": {"a": {}, "b": {}}})",
      R"({"modules": {"m": {"ports": {"p": {"direction": "input", "bits": [-4]}}}}})",
      R"({"modules": {"m": {"cells": {"c": {"type": "$and", "connections": {"A": ["q"]}}}}}})",
      R"({"modules": {"m": {"cells": {"c": {"type": 5, "connections": {}}}}}})",
      R"({"modules": {"m": {"ports": {"p": {"direction": "sideways", "bits": [2]}}}}})",
  };
  for (const char* text : inputs) {
    SCOPED_TRACE(text);
    std::vector<std::string> problems;
    checkNetlistText(text, {}, problems);
    EXPECT_FALSE(problems.empty());
  }
  std::vector<std::string> problems;
  checkNetlistText(R"({"modules": {"m": {}}})", {}, problems, "other");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("no module 'other'"), std::string::npos);
}

TEST(CheckRules, WrongCellsDoNotCrash) {
  // Pins missing, widths that disagree with the parameters, a register without outputs.
  std::vector<std::string> problems;
  const CheckReport r = checkNetlistText(R"({"modules": {"m": {
    "ports": {"a": {"direction": "input", "bits": [2, 3]}},
    "cells": {"x": {"type": "$and", "parameters": {"A_WIDTH": 9, "A_SIGNED": 1}, "connections": {"A": [2], "Y": [4, 5, 6]}},
              "m": {"type": "$pmux", "connections": {"A": [2], "B": [3], "S": [4, 5], "Y": [7, 8]}},
              "f": {"type": "$adff", "connections": {"CLK": [7]}},
              "e": {"type": "$eq", "connections": {"A": [], "B": [2, 3, 4], "Y": []}}}}}})",
                                         {{"a", true}}, problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_TRUE(r.registers.empty());  // no output and no name: a leftover of elaboration
}

TEST(CheckRules, TestModePinsMustBeInputs) {
  std::vector<std::string> problems;
  checkNetlistText(kGateNetlist, {{"nope", true}, {"q", true}, {"clk[3]", true}}, problems);
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_NE(problems[0].find("no input 'nope'"), std::string::npos);
  EXPECT_NE(problems[1].find("no input 'q'"), std::string::npos);
  EXPECT_NE(problems[2].find("1 bit"), std::string::npos);
}

TEST(CheckRules, HeldPinsAreRead) {
  HeldPin p;
  EXPECT_TRUE(parseHeldPin("rst_n=1", p));
  EXPECT_EQ(p.port, "rst_n");
  EXPECT_TRUE(p.value);
  EXPECT_TRUE(parseHeldPin("mode[2]=0", p));
  EXPECT_EQ(p.port, "mode[2]");
  EXPECT_FALSE(p.value);
  for (const char* bad : {"rst_n", "=1", "rst_n=2", "rst_n=", "m[=1", "m[x]=1", "[1]=0", "m[1]x=0"})
    EXPECT_FALSE(parseHeldPin(bad, p)) << bad;
}

}  // namespace
