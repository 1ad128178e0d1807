// Applying a scan layout to the circuit model and taking it out again.
#include <gtest/gtest.h>

#include "ga_test_util.h"
#include "scan/insertion.h"

using gatest::primaryPorts;
using gatest::structure;
using gatest::targets;

namespace {

Port* port(const Circuit& c, const std::string& name) {
  gatest::ErrorCapture quiet;
  return c.getPortPtr(name);
}

}  // namespace

TEST(ScanInsertion, UndoLeavesTheCircuitAsItWas) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  const std::string before = structure(*c);
  const std::string ports = primaryPorts(*c);
  for (const ScanLayout& layout : {ScanLayout{}, ScanLayout{{0, 1, 2, 3, 4, 5}}, ScanLayout{{5}, {4}, {3}, {2}, {1}, {0}},
                                   ScanLayout{{2, 0}, {5, 1}}}) {
    std::string applied;
    {
      const AppliedScanLayout scan(*c, regs, layout);
      ASSERT_TRUE(scan.applied()) << scan.problem();
      applied = structure(*c);
      EXPECT_EQ(applied == before, layout.empty());
    }
    EXPECT_EQ(structure(*c), before);
    EXPECT_EQ(primaryPorts(*c), ports);
    // applying again gives the same circuit
    const AppliedScanLayout again(*c, regs, layout);
    EXPECT_EQ(structure(*c), applied);
  }
}

TEST(ScanInsertion, ChainsAreNumberedInOrderAndLinkedFromInputToOutput) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const int area = c->getArea();
  const LayoutRegisters regs(*c);
  // index 0 is reg6 (the last described), index 5 is reg1; empty chains add no pins
  const AppliedScanLayout scan(*c, regs, {{}, {0, 5}, {}, {3}});
  ASSERT_TRUE(scan.applied());
  EXPECT_EQ(primaryPorts(*c).rfind(
                "diffeq.SCAN_OUT1 diffeq.SCAN_IN1 diffeq.SCAN_OUT0 diffeq.SCAN_IN0 diffeq.SCAN_MODE diffeq.result", 0),
            0u)
      << primaryPorts(*c);
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN0")), "reg6.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "reg6.SCAN_OUT")), "reg1.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "reg1.SCAN_OUT")), "diffeq.SCAN_OUT0");
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN1")), "reg3.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "reg3.SCAN_OUT")), "diffeq.SCAN_OUT1");
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_MODE")), "reg3.SCAN_MODE reg1.SCAN_MODE reg6.SCAN_MODE");
  EXPECT_EQ(c->getItemPtr("reg2")->getType(), REG);
  EXPECT_EQ(c->getArea(), area + 3 * 40);
}

TEST(ScanInsertion, LayoutsNamingUnknownOrRepeatedRegistersAreNotApplied) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const LayoutRegisters regs(*c);
  const std::string before = structure(*c);
  for (const ScanLayout& bad : {ScanLayout{{0, 6}}, ScanLayout{{-1}}, ScanLayout{{1}, {2, 1}}}) {
    {
      gatest::ErrorCapture errors;
      const AppliedScanLayout scan(*c, regs, bad);
      EXPECT_FALSE(scan.applied());
      EXPECT_NE(scan.problem(), "");
      EXPECT_EQ(structure(*c), before);
      EXPECT_EQ(errors.count(), 0);  // the problem is returned, not reported
    }
    EXPECT_EQ(structure(*c), before);
  }
}

TEST(ScanInsertion, ACircuitWithoutRegistersTakesTheEmptyLayout) {
  auto c = gatest::parseCircuit(
      "CIR comb a(in,8) b(in,8) y(out,8)\nITM add(ADD) i1(in,8) i2(in,8) o(out,8)\n"
      "LINK comb.a -> add.i1\nLINK comb.b -> add.i2\nLINK add.o -> comb.y\n");
  ASSERT_TRUE(c);
  const std::string before = structure(*c);
  const LayoutRegisters regs(*c);
  {
    const AppliedScanLayout scan(*c, regs, {});
    EXPECT_TRUE(scan.applied());
    EXPECT_EQ(structure(*c), before);
  }
  EXPECT_FALSE(AppliedScanLayout(*c, regs, {{0}}).applied());
  EXPECT_EQ(structure(*c), before);
}
