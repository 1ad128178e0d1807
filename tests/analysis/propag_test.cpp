// Propagation rules, one item at a time. The totals passed are P = 99 and
// K = 9, so a path factor is (1 - np/100) * (1 - nc/10).
#include <gtest/gtest.h>

#include "analysis/propag.h"
#include "test_util.h"
#include "test_diagnostics.h"

namespace {

constexpr int P = 99, K = 9;

double f(int np, int nc) { return (1.0 - np / 100.0) * (1.0 - nc / 10.0); }

class Rules : public ::testing::Test {
 protected:
  // An item with ports given as (name, bits, kind), declared in this order.
  Item* item(const char* name, item_type t, std::initializer_list<std::tuple<const char*, int, port_type>> ports) {
    Item* i = c.addItem(name, t);
    for (const auto& [n, bits, kind] : ports) i->addPort(n, bits, kind);
    i->makeInnerIpaths(testDiagnostics());
    return i;
  }
  Port* port(const std::string& name) { return c.getPortPtr(name); }
  // Gives a port a value (con or obs) with its path data, and makes it ready.
  void con(const std::string& name, double v, double m = 1.0, int np = 0, int nc = 0, bool ready = true) {
    Port* p = port(name);
    p->setCon(v), p->setMultC(m), p->setNPorts(np), p->setNClks(nc);
    if (ready) c.addReadyPort(p);
  }
  void obs(const std::string& name, double v, double m = 1.0, int np = 0, int nc = 0) {
    Port* p = port(name);
    p->setObs(v), p->setMultC(m), p->setNPorts(np), p->setNClks(nc);
  }
  void expectPath(const std::string& name, int np, int nc, double m) {
    EXPECT_EQ(port(name)->getNPorts(), np) << name;
    EXPECT_EQ(port(name)->getNClks(), nc) << name;
    EXPECT_DOUBLE_EQ(port(name)->getMultC(), m) << name;
  }
  Item* adder16() { return item("f", ADD, {{"x", 16, IN}, {"y", 16, IN}, {"q", 16, OUT}}); }
  Item* scanReg(const char* name = "r") {
    Item* r = item(name, REG, {{"d", 8, IN}, {"c", 1, CIN_CLK}, {"q", 8, OUT}});
    r->toSreg();
    return r;
  }

  ErrorCapture errors;
  Circuit c{"t"};
};

TEST_F(Rules, FunctionalUnitControllability) {
  Item* a = adder16();
  // Equal inputs: the first in port-list order (y, declared last) is the best.
  con("f.x", 0.5);
  con("f.y", 0.5, 0.8, 3, 2);
  EXPECT_EQ(propagFUCon(a, P, K), 1);
  // np = 3 + 32 - 16; m = 0.8 times the other operand's con.
  EXPECT_DOUBLE_EQ(port("f.q")->getCon(), 0.4 * f(19, 2));
  EXPECT_EQ(port("f.q")->getConSrc(), port("f.y"));
  expectPath("f.q", 19, 2, 0.4);
  EXPECT_TRUE(port("f.q")->inReadyList());
  EXPECT_EQ(propagFUCon(a, P, K), 0);  // an equal value is no update

  port("f.x")->setCon(0.0);  // one operand at 0: the candidate is 0
  port("f.q")->setCon(0.0);
  EXPECT_EQ(propagFUCon(a, P, K), 0);
  Item* unlinked = c.addItem("g", SUB);  // inputs without inner paths
  unlinked->addPort("x", 8, IN), unlinked->addPort("q", 8, OUT);
  con("g.x", 1.0);
  EXPECT_EQ(propagFUCon(unlinked, P, K), 0);
}

TEST_F(Rules, FunctionalUnitObservabilityFeedsEveryOperand) {
  Item* a = adder16();
  con("f.x", 0.5), con("f.y", 0.25);
  EXPECT_EQ(propagFUObs(a, P, K), 0);  // output not observed yet
  obs("f.q", 0.9, 1.0, 5, 1);
  EXPECT_EQ(propagFUObs(a, P, K), 1);
  // np = 5 + 32 - 16 for each; m = the other operand's con.
  EXPECT_DOUBLE_EQ(port("f.x")->getObs(), 0.25 * f(21, 1));
  EXPECT_DOUBLE_EQ(port("f.y")->getObs(), 0.5 * f(21, 1));
  EXPECT_EQ(port("f.x")->getObsSrc(), port("f.q"));
  EXPECT_TRUE(a->propagDone());
}

TEST_F(Rules, MultiplexerControllabilityCountsSelectBitsAndBidirectionalInputs) {
  Item* m = item("m", MUX, {{"a", 8, IN}, {"b", 8, INOUT}, {"s0", 1, CIN_SEL}, {"s1", 1, CIN_SEL}, {"q", 8, OUT}});
  con("m.b", 0.6, 0.9, 4, 1);
  con("m.s0", 0.5), con("m.s1", 0.8);
  EXPECT_EQ(propagMuxCon(m, P, K), 1);
  EXPECT_DOUBLE_EQ(port("m.q")->getCon(), 0.9 * 0.4 * f(6, 1));
  EXPECT_EQ(port("m.q")->getConSrc(), port("m.b"));
  expectPath("m.q", 6, 1, 0.9 * 0.4);

  // Observability goes back to IN ports only, and never marks the item done.
  obs("m.q", 1.0);
  EXPECT_EQ(propagMuxObs(m, P, K), 1);
  EXPECT_DOUBLE_EQ(port("m.a")->getObs(), 0.4 * f(2, 0));
  EXPECT_EQ(port("m.b")->getObs(), 0.0);
  EXPECT_FALSE(m->propagDone());
  EXPECT_EQ(propagMuxObs(m, P, K), 0);
  port("m.s1")->setCon(0.0);  // an uncontrollable select blocks everything
  port("m.a")->setObs(0.0);
  EXPECT_EQ(propagMuxObs(m, P, K), 0);
  port("m.q")->setCon(0.0);
  EXPECT_EQ(propagMuxCon(m, P, K), 0);
}

TEST_F(Rules, MultiplexerSemiRuleUsesReadyInputsOnly) {
  Item* m = item("m", MUX, {{"a", 8, IN}, {"b", 8, IN}, {"s", 1, CIN_SEL}, {"q", 8, OUT}});
  con("m.a", 0.9, 1.0, 0, 0, false);  // better but not ready
  con("m.b", 0.3);
  port("m.s")->setCon(1.0);
  EXPECT_EQ(semiPropagMuxCon(m, P, K), 0);  // the select is not ready
  EXPECT_FALSE(port("m.q")->inReadyList());
  c.addReadyPort(port("m.s"));
  EXPECT_EQ(semiPropagMuxCon(m, P, K), 1);
  EXPECT_EQ(port("m.q")->getConSrc(), port("m.b"));
  EXPECT_DOUBLE_EQ(port("m.q")->getCon(), f(1, 0));
  EXPECT_FALSE(m->propagDone());

  // No better value: false, but the output still joins the ready list.
  c.destroyReadyPortList();
  c.addReadyPort(port("m.b")), c.addReadyPort(port("m.s"));
  EXPECT_EQ(semiPropagMuxCon(m, P, K), 0);
  EXPECT_TRUE(port("m.q")->inReadyList());
}

TEST_F(Rules, RegisterAddsOnePortAndOneClock) {
  Item* r = item("r", REG, {{"d", 8, IN}, {"c", 1, CIN_CLK}, {"q", 8, OUT}});
  Port *d = port("r.d"), *k = port("r.c"), *q = port("r.q");
  con("r.d", 0.5, 0.9, 2, 1, false);
  k->setCon(0.8);
  EXPECT_EQ(propagRegCon(d, k, q, P, K), 1);
  EXPECT_DOUBLE_EQ(q->getCon(), 0.72 * f(3, 2));
  expectPath("r.q", 3, 2, 0.72);
  EXPECT_FALSE(q->inReadyList());  // the driver adds it
  EXPECT_EQ(propagRegCon(d, k, q, P, K), 0);

  obs("r.q", 1.0, 1.0, 1, 1);
  EXPECT_EQ(propagRegObs(r, d, k, q, P, K), 1);
  EXPECT_DOUBLE_EQ(d->getObs(), 0.8 * f(2, 2));
  EXPECT_TRUE(d->inReadyList());
  EXPECT_TRUE(r->propagDone());
  k->setCon(0.0);
  d->setObs(0.0);
  EXPECT_EQ(propagRegObs(r, d, k, q, P, K), 0);
}

TEST_F(Rules, ScanRegisterControllabilityTakesTheBetterPath) {
  Item* r = scanReg();
  con("r.c", 1.0), con("r.SCAN_MODE", 0.5);
  con("r.SCAN_IN", 1.0);
  con("r.d", 0.9);
  EXPECT_EQ(propagSRegCon(r, P, K), 1);
  // Shift: 2 ports and 8 clocks (the register width); load: 2 ports, 1 clock.
  // Values come from the inputs' multipliers (1 here) times clock and mode.
  EXPECT_DOUBLE_EQ(port("r.SCAN_OUT")->getCon(), 0.5 * f(2, 8));
  EXPECT_DOUBLE_EQ(port("r.q")->getCon(), 0.5 * f(2, 1));
  EXPECT_EQ(port("r.q")->getConSrc(), port("r.d"));

  // A weak parallel input: the parallel output takes the shifted serial value.
  port("r.q")->setCon(0.0);
  con("r.d", 0.01, 0.01);
  EXPECT_EQ(propagSRegCon(r, P, K), 1);
  EXPECT_EQ(port("r.q")->getConSrc(), port("r.SCAN_IN"));
  EXPECT_DOUBLE_EQ(port("r.q")->getCon(), 0.5 * f(2, 8));

  // Equal candidates: the parallel path wins.
  port("r.q")->setCon(0.0);
  con("r.d", 1.0, 1.0, 0, 7);
  EXPECT_EQ(propagSRegCon(r, P, K), 1);
  EXPECT_EQ(port("r.q")->getConSrc(), port("r.d"));

  Item* named = scanReg("SCANNER");  // every port name contains SCAN: no parallel ports
  for (Port* p = named->getPList(); p; p = p->getNext()) con(p->getName(), 1.0);
  EXPECT_EQ(propagSRegCon(named, P, K), 0);
  EXPECT_EQ(propagSRegObs(named, P, K), 0);
}

TEST_F(Rules, ScanRegisterSemiRule) {
  Item* r = scanReg();
  con("r.c", 1.0);
  con("r.SCAN_MODE", 1.0, 1.0, 0, 0, false);
  con("r.SCAN_IN", 0.5);
  con("r.d", 1.0);
  EXPECT_EQ(semiPropagSRegCon(r, P, K), 0);  // mode not ready
  c.addReadyPort(port("r.SCAN_MODE"));
  // The serial input is ready: both outputs take it, the better parallel input is not looked at.
  EXPECT_EQ(semiPropagSRegCon(r, P, K), 1);
  EXPECT_EQ(port("r.q")->getConSrc(), port("r.SCAN_IN"));
  EXPECT_DOUBLE_EQ(port("r.q")->getCon(), f(2, 8));
  EXPECT_EQ(semiPropagSRegCon(r, P, K), 0);

  // Only the parallel input ready: the parallel output alone.
  c.destroyReadyPortList();
  for (const char* n : {"r.c", "r.SCAN_MODE"}) c.addReadyPort(port(n));
  con("r.d", 1.0);
  port("r.SCAN_OUT")->setCon(0.0);
  EXPECT_EQ(semiPropagSRegCon(r, P, K), 1);
  EXPECT_EQ(port("r.q")->getConSrc(), port("r.d"));
  EXPECT_EQ(port("r.SCAN_OUT")->getCon(), 0.0);
}

TEST_F(Rules, ScanRegisterObservability) {
  Item* r = scanReg();
  con("r.c", 1.0), con("r.SCAN_MODE", 0.5);
  obs("r.SCAN_OUT", 1.0);
  EXPECT_EQ(propagSRegObs(r, P, K), 1);
  // Only the serial output is observed: both inputs are seen through it by shifting.
  EXPECT_DOUBLE_EQ(port("r.d")->getObs(), 0.5 * f(2, 8));
  EXPECT_EQ(port("r.d")->getObsSrc(), port("r.SCAN_OUT"));
  EXPECT_DOUBLE_EQ(port("r.SCAN_IN")->getObs(), 0.5 * f(2, 8));
  EXPECT_FALSE(r->propagDone());

  // An observed parallel output: the parallel input by one load, the serial
  // input by shifting into it; equal candidates take the parallel output.
  port("r.d")->setObs(0.0), port("r.SCAN_IN")->setObs(0.0);
  obs("r.q", 1.0);
  obs("r.SCAN_OUT", 1.0, 1.0, 0, 0);
  EXPECT_EQ(propagSRegObs(r, P, K), 1);
  EXPECT_EQ(port("r.d")->getObsSrc(), port("r.q"));
  EXPECT_DOUBLE_EQ(port("r.d")->getObs(), 0.5 * f(2, 1));
  EXPECT_EQ(port("r.SCAN_IN")->getObsSrc(), port("r.q"));
  EXPECT_DOUBLE_EQ(port("r.SCAN_IN")->getObs(), 0.5 * f(2, 8));

  port("r.SCAN_MODE")->setCon(0.0);
  port("r.d")->setObs(0.0);
  EXPECT_EQ(propagSRegObs(r, P, K), 0);
}

TEST(RulesWithoutCircuit, UpdateSilently) {
  ErrorCapture errors;
  Item lone("m", MUX);
  Port* a = lone.addPort("a", 8, IN);
  lone.addPort("q", 8, OUT);
  lone.makeInnerIpaths(testDiagnostics());
  a->setCon(1.0), a->setMultC(1.0);
  EXPECT_EQ(propagMuxCon(&lone, P, K), 1);
  EXPECT_EQ(lone.getPList()->getCon(), 1.0);
  EXPECT_EQ(errors.text(), "");  // an item on its own has no ready list to join
}

}  // namespace
