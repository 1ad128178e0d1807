// Finding a register's flip-flops in the gate-level netlist, also behind the
// gates that model an asynchronous set or reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "faultsim/registermap.h"
#include "netlist_builder.h"

namespace {

TEST(RegisterFlops, FindsTheFlopBehindAnAsyncResetMultiplexer) {
  NetlistBuilder b;
  const int clk = b.input("clk"), rst = b.input("rst"), d = b.input("d", 2);
  const int q0 = b.flop(clk), q1 = b.flop(clk);
  // Reset value 0 on bit 0 (flop on A), 1 on bit 1 with an active-low reset (flop on B).
  const int c0 = b.gate(GateKind::Mux, q0, kNet0, rst);
  const int c1 = b.gate(GateKind::Mux, kNet1, q1, rst);
  b.connect(q0, b.gate(GateKind::Mux, d, kNet0, rst));
  b.connect(q1, b.gate(GateKind::Mux, kNet1, d + 1, rst));
  b.name("c", {c0, c1});
  EXPECT_EQ(flopsOfRegister(b.n, "c"), (std::vector<int>{0, 1}));
  std::vector<std::string> missing;
  EXPECT_EQ(scanFlags(b.n, {"c"}, missing), (std::vector<char>{1, 1}));
  EXPECT_TRUE(missing.empty());
}

TEST(RegisterFlops, FindsTheFlopBehindSetAndClearGates) {
  NetlistBuilder b;
  const int clk = b.input("clk"), set = b.input("s"), clrN = b.input("rn");
  const int q = b.flop(clk);
  b.connect(q, b.input("d"));
  b.name("q", {b.gate(GateKind::And, b.gate(GateKind::Or, q, set), clrN)});
  EXPECT_EQ(flopsOfRegister(b.n, "q"), std::vector<int>{0});
}

// Only the data side is followed, a choice between two flip-flops is no
// register's storage, and logic deeper than the reset gates is not traced.
TEST(RegisterFlops, DoesNotMistakeOtherLogicForAReset) {
  NetlistBuilder b;
  const int clk = b.input("clk"), sel = b.input("sel");
  const int qa = b.flop(clk), qb = b.flop(clk), qs = b.flop(clk);
  for (int q : {qa, qb, qs}) b.connect(q, sel);
  b.name("either", {b.gate(GateKind::Mux, qa, qb, sel)});
  b.name("selected", {b.gate(GateKind::Mux, kNet0, kNet1, qs)});
  b.name("inverted", {b.gate(GateKind::Mux, b.gate(GateKind::Not, qa), kNet0, sel)});
  b.name("deep", {b.gate(GateKind::And, b.gate(GateKind::Or, b.gate(GateKind::Mux, qa, kNet0, sel), sel), sel)});
  b.name("constant", {kNet0});
  std::vector<std::string> missing;
  const std::vector<char> flags = scanFlags(b.n, {"either", "selected", "inverted", "deep", "constant"}, missing);
  EXPECT_EQ(flags, (std::vector<char>{0, 0, 0}));
  EXPECT_EQ(missing.size(), 5u);
}

}  // namespace
