// The propagation rules of RAM and BBOX items under both measures: read data
// is controllable only through a write with both addresses controllable,
// write data observable through read data; a black box's outputs are never
// controllable and its inputs never observable.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "analysis/analysis.h"
#include "base/diagnostics.h"
#include "model/model.h"
#include "read/description_reader.h"
#include "scan/reggraph.h"

namespace {

std::unique_ptr<Circuit> circuitOf(const std::string& text, Diagnostics& d) {
  std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  std::unique_ptr<Circuit> c = readCirData(in, d);
  std::fclose(in);
  return c;
}

// A RAM written from the primary inputs; its read address comes from `raddrFrom`.
std::string ramDesign(const std::string& raddrFrom) {
  return "CIR t clk(clk,1) we(sel,1) wa(in,3) ra(in,3) wd(in,8) rd(out,8) bq(out,3)\n"
         "ITM box(BBOX) i(in,3) o(out,3)\n"
         "ITM mem(RAM) waddr(in,3) wdata(in,8) we(sel,1) clk(clk,1) raddr0(in,3) rdata0(out,8)\n"
         "LINK t.wa -> mem.waddr box.i\nLINK t.wd -> mem.wdata\nLINK t.we -> mem.we\nLINK t.clk -> mem.clk\n"
         "LINK " + raddrFrom + " -> mem.raddr0\nLINK mem.rdata0 -> t.rd\nLINK box.o -> t.bq\n";
}

double con(const Circuit& c, const char* port) { return c.getPortPtr(port)->getCon(); }
double obs(const Circuit& c, const char* port) { return c.getPortPtr(port)->getObs(); }

class MemoryRules : public ::testing::TestWithParam<MeasureKind> {
 protected:
  std::unique_ptr<Circuit> analysed(const std::string& text) {
    std::unique_ptr<Circuit> c = circuitOf(text, diagnostics);
    if (!c) return c;
    Analyser a(diagnostics, AnalysisOptions{AnalysisSchedule::INCREMENTAL, GetParam()});
    a.bothDirections(*c);
    return c;
  }
  Diagnostics diagnostics{std::tmpfile()};
};

TEST_P(MemoryRules, ReadDataNeedsAWriteThroughControllableAddresses) {
  const std::unique_ptr<Circuit> c = analysed(ramDesign("t.ra"));
  ASSERT_TRUE(c);
  EXPECT_GT(con(*c, "mem.rdata0"), 0.0);
  EXPECT_GT(obs(*c, "mem.wdata"), 0.0);
  EXPECT_GT(obs(*c, "mem.waddr"), 0.0);
  EXPECT_GT(obs(*c, "mem.raddr0"), 0.0);
  // Sequential: one clocked step below what the primary input holds.
  EXPECT_LT(con(*c, "mem.rdata0"), 1.0);
  const std::unique_ptr<Circuit> blind = analysed(ramDesign("box.o"));
  ASSERT_TRUE(blind);
  EXPECT_EQ(con(*blind, "mem.raddr0"), 0.0);
  EXPECT_EQ(con(*blind, "mem.rdata0"), 0.0);  // the read address cannot be set
  EXPECT_EQ(obs(*blind, "mem.wdata"), 0.0);   // nor the data written be found again
  EXPECT_EQ(diagnostics.count(), 0);
}

TEST_P(MemoryRules, BlackBoxOutputsAreUncontrollableAndItsInputsUnobservable) {
  const std::unique_ptr<Circuit> c = analysed(ramDesign("t.ra"));
  ASSERT_TRUE(c);
  EXPECT_EQ(con(*c, "box.o"), 0.0);
  EXPECT_EQ(con(*c, "t.bq"), 0.0);
  EXPECT_EQ(obs(*c, "box.i"), 0.0);
  EXPECT_GT(con(*c, "box.i"), 0.0);
}

INSTANTIATE_TEST_SUITE_P(BothMeasures, MemoryRules, ::testing::Values(MeasureKind::CLASSIC, MeasureKind::FIXPOINT));

TEST(MemoryStructure, RamEndsRegisterPathsAndCostsAreaPerBit) {
  Diagnostics d{std::tmpfile()};
  const std::unique_ptr<Circuit> c = circuitOf(
      "CIR t clk(clk,1) a(in,4) y(out,4)\n"
      "ITM r1(REG) d(in,4) clk(clk,1) q(out,4)\n"
      "ITM mem(RAM) waddr(in,2) wdata(in,4) clk(clk,1) raddr0(in,2) rdata0(out,4)\n"
      "ITM r2(REG) d(in,4) clk(clk,1) q(out,4)\n"
      "LINK t.a -> r1.d\nLINK r1.q -> mem.wdata\nLINK mem.rdata0 -> r2.d\nLINK r2.q -> t.y\n"
      "LINK t.clk -> r1.clk mem.clk r2.clk\n",
      d);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->getItemPtr("mem")->getArea(), 4 * 4 * 2);
  const RegisterGraph g(*c);
  ASSERT_EQ(g.size(), 2);  // the RAM is never a layout register
  for (int r = 0; r < g.size(); ++r) EXPECT_TRUE(g.successors(r).empty()) << r;
}

}  // namespace
