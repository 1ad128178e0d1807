// The analysis driver: hand-checked values, work-list order effects, the
// messages for malformed circuits, and the incremental schedule against the
// full walks on random circuits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis_util.h"
#include "random_circuit.h"
#include "write/reports.h"
#include "test_util.h"
#include "test_diagnostics.h"

namespace {

// Runs a test body under one analysis schedule and restores the default.
class Scheduled : public ::testing::TestWithParam<AnalysisSchedule> {
 protected:
  void SetUp() override { previous = setTestAnalysisSchedule(GetParam()); }
  void TearDown() override { setTestAnalysisSchedule(previous); }
  AnalysisSchedule previous{};
};

INSTANTIATE_TEST_SUITE_P(BothSchedules, Scheduled,
                         ::testing::Values(AnalysisSchedule::INCREMENTAL, AnalysisSchedule::FULL_WALKS));

Port* port(const Circuit& c, const char* name) {
  Port* p = c.getPortPtr(name);
  EXPECT_NE(p, nullptr) << name;
  return p;
}

// Both directions, without writing the propagation file.
void analyse(Circuit& c) {
  testAnalyser().controllability(c);
  testAnalyser().observability(c);
}

// Port names of the ready list, head first.
std::vector<std::string> readyOrder(const Circuit& c) {
  std::vector<std::string> names;
  for (ReadyPort* r = c.getReadyPorts(); r; r = r->getNext()) names.push_back(r->getPort()->getName());
  return names;
}

size_t positionOf(const std::vector<std::string>& v, const std::string& s) {
  for (size_t k = 0; k < v.size(); ++k)
    if (v[k] == s) return k;
  ADD_FAILURE() << s << " not in the ready list";
  return v.size();
}

TEST_P(Scheduled, WorkedExampleHandValues) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  analyse(*c);
  // P = 24 input + 1 clock bits, K = 1 register: factors over 26 and 2.
  // add1.o: best input i2 (first of equal ones), np = 16 - 8 = 8.
  EXPECT_DOUBLE_EQ(port(*c, "add1.o")->getCon(), 1.0 - 8.0 / 26);
  EXPECT_EQ(port(*c, "add1.o")->getConSrc(), port(*c, "add1.i2"));
  // r1.q: np = 8 + 1, nc = 1, times the clock's con 1.
  EXPECT_DOUBLE_EQ(port(*c, "r1.q")->getCon(), (1.0 - 9.0 / 26) * 0.5);
  EXPECT_DOUBLE_EQ(port(*c, "ex.y")->getCon(), port(*c, "r1.q")->getCon());
  // r1.d: observed through the register from ex.y, np = 1, nc = 1.
  EXPECT_DOUBLE_EQ(port(*c, "r1.d")->getObs(), (1.0 - 1.0 / 26) * 0.5);
  // add1.i1: np = 1 + 16 - 8 = 9, nc = 1, other operand's con 1.
  EXPECT_DOUBLE_EQ(port(*c, "add1.i1")->getObs(), (1.0 - 9.0 / 26) * 0.5);
  EXPECT_EQ(port(*c, "add1.i1")->getObsSrc(), port(*c, "add1.o"));
  EXPECT_EQ(port(*c, "ex.clk")->getObs(), 0.0);
  EXPECT_EQ(testErrorCount(), 0);

  testAnalyser().controllabilityFigures(*c);
  for (Item* i = c->getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      EXPECT_EQ(p->getObs(), 0.0);
      EXPECT_EQ(p->getTst(), p->getCon() / 2);
    }
  EXPECT_EQ(c->getObs(), 0.0);
  EXPECT_DOUBLE_EQ(c->getCon(), (6 + 2 * (1.0 - 8.0 / 26) + 2 * (1.0 - 9.0 / 26) * 0.5 - 2) / 8);
}

TEST_P(Scheduled, AveragesSkipControlPortsButBitCountsDoNot) {
  ErrorCapture errors;
  auto c = readText(kWorkedExample);
  testAnalyser().controllabilityFigures(*c);
  EXPECT_EQ(controllableBits(*c), 66);  // every bit, the two clock bits included
  analyse(*c);
  EXPECT_EQ(observableBits(*c), 64);  // all but the clock ports
  EXPECT_EQ(testableBits(*c), 64);
  evalObs(*c);
  EXPECT_DOUBLE_EQ(c->getObs(), (2 + 4 * (1.0 - 9.0 / 26) * 0.5 + 2 * (1.0 - 1.0 / 26) * 0.5) / 8);

  Circuit onlyControl("k");
  onlyControl.addPrimaryPort("clk", 1, CIN_CLK);
  testAnalyser().controllabilityFigures(onlyControl);
  EXPECT_EQ(onlyControl.getCon(), 0.0);  // nothing to average: 0, not NaN
  EXPECT_EQ(controllableBits(onlyControl), 1);
}

TEST_P(Scheduled, PrimaryInputStraightToOutputAndAnUnclockedRegister) {
  ErrorCapture errors;
  auto c = readText(
      "CIR t a(in,4) clk(clk,1) y(out,4) z(out,4)\n"
      "ITM r(REG) d(in,4) c(clk,1) q(out,4)\n"
      "LINK t.a -> t.y r.d\nLINK r.q -> t.z\n");
  testAnalyser().controllability(*c);
  EXPECT_EQ(port(*c, "t.y")->getCon(), 1.0);
  EXPECT_EQ(port(*c, "r.q")->getCon(), 0.0);  // the clock is not driven
  EXPECT_FALSE(port(*c, "r.q")->inReadyList());
  EXPECT_FALSE(c->getItemPtr("r")->propagDone());
  testAnalyser().observability(*c);
  EXPECT_EQ(port(*c, "t.a")->getObs(), 1.0);  // observed through the direct link
  EXPECT_EQ(testErrorCount(), 0);
}

// Two links reach r2.d: the register's value (first to arrive) wins over the
// better one that the two multiplexers bring one iteration later.
const char* kTwoSources =
    "CIR t a(in,8) clk(clk,1) s(sel,1) y(out,8)\n"
    "ITM m1(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
    "ITM m2(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
    "ITM r(REG) d(in,8) c(clk,1) q(out,8)\n"
    "ITM r2(REG) d(in,8) c(clk,1) q(out,8)\n"
    "LINK t.a -> m1.a m1.b r.d\nLINK m1.q -> m2.a m2.b\nLINK t.s -> m1.s m2.s\n"
    "LINK t.clk -> r.c r2.c\nLINK r.q -> r2.d\nLINK m2.q -> r2.d\nLINK r2.q -> t.y\n";

TEST_P(Scheduled, FirstValueToReachAPortWins) {
  ErrorCapture errors;
  auto c = readText(kTwoSources);
  testAnalyser().controllability(*c);
  EXPECT_EQ(port(*c, "r2.d")->getConSrc(), port(*c, "r.q"));
  EXPECT_LT(port(*c, "r2.d")->getCon(), port(*c, "m2.q")->getCon());
}

TEST_P(Scheduled, ObservabilityKeepsTheFirstDriverPassThatReachedAPort) {
  ErrorCapture errors;
  // r.q is seen first through f.a (weak: f's other operand is poorly
  // controllable), a sweep later through the multiplexer chain (strong).
  auto c = readText(
      "CIR t a(in,8) clk(clk,1) s(sel,1) y(out,8) z(out,8)\n"
      "ITM r(REG) d(in,8) c(clk,1) q(out,8)\n"
      "ITM w(REG) d(in,8) c(clk,1) q(out,8)\n"
      "ITM f(ADD) a(in,8) b(in,8) q(out,8)\n"
      "ITM m1(MUX) a(in,8) s(sel,1) q(out,8)\n"
      "ITM m2(MUX) a(in,8) s(sel,1) q(out,8)\n"
      "LINK t.a -> r.d w.d\nLINK t.clk -> r.c w.c\nLINK t.s -> m1.s m2.s\n"
      "LINK w.q -> f.b\nLINK r.q -> f.a m1.a\nLINK f.q -> t.y\nLINK m1.q -> m2.a\nLINK m2.q -> t.z\n");
  analyse(*c);
  Port* q = port(*c, "r.q");
  EXPECT_EQ(q->getObsSrc(), port(*c, "f.a"));
  EXPECT_EQ(q->getObs(), port(*c, "f.a")->getObs());
  EXPECT_LT(q->getObs(), port(*c, "m1.a")->getObs());
  // The observability pass owns the shared scratch values now.
  EXPECT_EQ(q->getNPorts(), port(*c, "f.a")->getNPorts());
  EXPECT_EQ(port(*c, "w.c")->getNPorts(), 0);
  EXPECT_EQ(port(*c, "w.c")->getMultC(), 0.0);
}

TEST_P(Scheduled, OneSemiPropagationPerIteration) {
  ErrorCapture errors;
  // Two multiplexers wait for inputs fed back from a register loop; each is
  // let through alone, and the link pass runs before the next one.
  auto c = readText(
      "CIR t a(in,8) clk(clk,1) s(sel,1) y(out,8)\n"
      "ITM m1(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
      "ITM m2(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
      "ITM r(REG) d(in,8) c(clk,1) q(out,8)\n"
      "LINK t.a -> m1.a m2.a\nLINK t.s -> m1.s m2.s\nLINK t.clk -> r.c\n"
      "LINK m1.q -> r.d\nLINK m2.q -> m1.b t.y\nLINK r.q -> m2.b\n");
  testAnalyser().controllability(*c);
  const auto order = readyOrder(*c);
  // m2 comes first in item order; its value reaches m1.b before m1 is let through.
  EXPECT_LT(positionOf(order, "m1.b"), positionOf(order, "m2.q"));
  EXPECT_LT(positionOf(order, "m1.q"), positionOf(order, "m1.b"));
  // Both fire in the end; m2's later firing finds nothing better than its semi value.
  EXPECT_TRUE(c->getItemPtr("m1")->propagDone());
  EXPECT_TRUE(c->getItemPtr("m2")->propagDone());
  EXPECT_EQ(port(*c, "m2.q")->getConSrc(), port(*c, "m2.a"));
}

TEST_P(Scheduled, ScanRegisterPathsInTheDriver) {
  ErrorCapture errors;
  const std::string ports =
      "CIR t a(in,8) si(in,1) m(sel,1) s(sel,1) clk(clk,1) so(out,1) y(out,8)\n"
      "ITM sr(SREG) d(in,8) c(clk,1) q(out,8) SCAN_IN(in,1) SCAN_MODE(sel,1) SCAN_OUT(out,1)\n";
  const std::string scanWiring =
      "LINK t.si -> sr.SCAN_IN\nLINK t.m -> sr.SCAN_MODE\nLINK t.clk -> sr.c\nLINK sr.SCAN_OUT -> t.so\n";
  // In a loop with a subtractor only the scan path lets values in: the semi
  // rule gives both outputs the shifted serial input. P = 25 + 2, K = 8.
  auto loop = readText(ports + "ITM f(SUB) a(in,8) b(in,8) q(out,8)\n" + scanWiring +
                       "LINK t.a -> f.a\nLINK sr.q -> f.b t.y\nLINK f.q -> sr.d\n");
  testAnalyser().controllability(*loop);
  const double serial = (1.0 - 2.0 / 28) * (1.0 - 8.0 / 9);
  EXPECT_DOUBLE_EQ(port(*loop, "sr.SCAN_OUT")->getCon(), serial);
  EXPECT_DOUBLE_EQ(port(*loop, "sr.q")->getCon(), serial);
  // The full firing later offers the weak parallel value: the serial one stays.
  EXPECT_TRUE(loop->getItemPtr("sr")->propagDone());
  EXPECT_EQ(port(*loop, "sr.q")->getConSrc(), port(*loop, "sr.SCAN_IN"));

  // With a multiplexer in front, its semi rule comes first (earlier in item
  // order); then the register fires and loads in parallel. P = 41 + 3.
  auto loaded = readText(ports + "ITM mx(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n" +
                         "ITM f(SUB) a(in,8) b(in,8) q(out,8)\n" + scanWiring +
                         "LINK t.a -> mx.a f.a\nLINK f.q -> mx.b\nLINK mx.q -> sr.d\nLINK sr.q -> f.b t.y\n"
                         "LINK t.s -> mx.s\n");
  testAnalyser().controllability(*loaded);
  EXPECT_DOUBLE_EQ(port(*loaded, "mx.q")->getCon(), 1.0 - 1.0 / 45);
  EXPECT_DOUBLE_EQ(port(*loaded, "sr.q")->getCon(), (1.0 - 3.0 / 45) * (1.0 - 1.0 / 9));
  EXPECT_EQ(port(*loaded, "sr.q")->getConSrc(), port(*loaded, "sr.d"));
  EXPECT_DOUBLE_EQ(port(*loaded, "sr.SCAN_OUT")->getCon(), (1.0 - 2.0 / 45) * (1.0 - 8.0 / 9));
  EXPECT_EQ(testErrorCount(), 0);
}

TEST_P(Scheduled, MalformedItemsAreReportedAsTheWalksMeetThem) {
  ErrorCapture errors;
  auto c = readText(
      "CIR t a(in,8) clk(clk,1) y(out,8)\n"
      "ITM r(REG) d(in,8) q(out,8)\n"
      "ITM f(ADD) a(in,8) b(in,8) q(out,8)\n"
      "LINK t.a -> r.d f.a f.b\nLINK r.q -> t.y\nLINK f.q -> t.y\n");
  c->addItem("odd", BILBO);
  testAnalyser().controllability(*c);
  EXPECT_EQ(errors.text(), "ERROR(1): 'odd' item type is unknown!\nERROR(2): 'r' port(s) missing!\n");
  EXPECT_TRUE(c->getItemPtr("r")->propagDone());
  resetTestErrors();
  testAnalyser().observability(*c);
  // Every sweep meets them again: two sweeps (the second changes nothing).
  EXPECT_EQ(testErrorCount(), 4);
}

TEST(Benchmark, RegisterLoopsAreControllableOnlyWithScan) {
  ErrorCapture errors;
  auto c = readExample("diffeq");
  ASSERT_TRUE(c);
  testAnalyser().controllabilityFigures(*c);
  EXPECT_EQ(port(*c, "reg1.q")->getCon(), 0.0);
  EXPECT_EQ(port(*c, "reg6.q")->getCon(), 0.0);
  ASSERT_TRUE(applyLayout(*c, "0.1.2.3.4.5"));
  testAnalyser().controllabilityFigures(*c);
  for (const char* q : {"reg1.q", "reg2.q", "reg3.q", "reg4.q", "reg5.q", "reg6.q"})
    EXPECT_GT(port(*c, q)->getCon(), 0.0) << q;
  EXPECT_EQ(testErrorCount(), 0);
}

// ------------------------------------------------- incremental schedule

struct PortState {
  double con, obs, tst, multC;
  int nports, nclks;
  const Port *conSrc, *obsSrc;
  bool ready;
  bool operator==(const PortState&) const = default;
};

struct State {
  std::vector<PortState> ports;
  std::vector<std::string> ready;
  std::vector<bool> done;
  double con, obs, tst;
  std::string messages;
  bool operator==(const State&) const = default;
};

State stateOf(const Circuit& c, const ErrorCapture& errors) {
  State s{{}, readyOrder(c), {}, c.getCon(), c.getObs(), c.getTst(), errors.text()};
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    s.done.push_back(i->propagDone());
    for (Port* p = i->getPList(); p; p = p->getNext())
      s.ports.push_back({p->getCon(), p->getObs(), p->getTst(), p->getMultC(), p->getNPorts(), p->getNClks(),
                         p->getConSrc(), p->getObsSrc(), p->inReadyList()});
  }
  return s;
}

// Runs `step` under the given schedule and records everything it leaves.
template <class Step>
State runUnder(AnalysisSchedule s, Circuit& c, Step step) {
  ErrorCapture errors;
  const AnalysisSchedule previous = setTestAnalysisSchedule(s);
  step(c);
  setTestAnalysisSchedule(previous);
  return stateOf(c, errors);
}

// The circuit built from a generated description equals the one built directly.
void expectSameStructure(const Circuit& a, const Circuit& b) {
  auto describe = [](const Circuit& c) {
    std::string d = std::to_string(c.getArea()) + " " + std::to_string(c.getNPortBits()) + " " +
                    std::to_string(c.getOrigNPIOs()) + "\n";
    for (Item* i = c.getIList(); i; i = i->getNext()) {
      d += i->getName() + " " + std::to_string(i->getType()) + "\n";
      for (Port* p = i->getPList(); p; p = p->getNext()) {
        d += " " + p->getName() + " " + std::to_string(p->getType()) + " " + std::to_string(p->getNBits()) + ":";
        for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) d += " " + l->getPort()->getName();
        d += "\n";
      }
    }
    return d;
  };
  EXPECT_EQ(describe(a), describe(b));
}

void expectSchedulesAgree(Circuit& c, const std::string& what) {
  auto con = [](Circuit& x) { testAnalyser().controllability(x); };
  auto obs = [](Circuit& x) { testAnalyser().observability(x); };
  auto conOnly = [](Circuit& x) { testAnalyser().controllabilityFigures(x); };
  auto full = [](Circuit& x) {
    const std::string folder = setTestResultFolder("/nonexistent-folder");  // no propagation file
    ::testing::internal::CaptureStdout();
    analyseFull(x);
    ::testing::internal::GetCapturedStdout();
    setTestResultFolder(folder);
    const double c0 = x.getCon(), o0 = x.getObs(), t0 = x.getTst();
    evalCon(x), evalObs(x), evalTst(x);
    EXPECT_EQ(c0, x.getCon());
    EXPECT_EQ(o0, x.getObs());
    EXPECT_EQ(t0, x.getTst());
  };
  // Each pair starts from the same state (a direction keeps some values of the previous one).
  for (auto step : {+con, +obs, +conOnly, +full}) {
    const State walked = runUnder(AnalysisSchedule::FULL_WALKS, c, step);
    EXPECT_TRUE(runUnder(AnalysisSchedule::INCREMENTAL, c, step) == walked) << what;
  }
}

TEST(IncrementalSchedule, AgreesWithTheFullWalksOnRandomCircuits) {
  ErrorCapture quiet;
  int reached = 0;
  for (std::uint64_t seed = 1; seed <= 40; ++seed)
    for (int items : {8, 40, 150}) {
      RandomCircuitOptions o;
      o.items = items;
      o.seed = seed;
      o.feedbackPercent = static_cast<int>(seed % 4) * 8;
      o.scanRegisterPercent = seed % 3 == 0 ? 40 : 0;
      o.oddPorts = seed % 2 == 0;
      const GeneratedCircuit g = randomCircuit(o);
      auto c = readText(g.text());
      ASSERT_TRUE(c);
      if (seed <= 3) expectSameStructure(*c, *g.build());
      ASSERT_EQ(testErrorCount(), 0);
      expectSchedulesAgree(*c, "seed " + std::to_string(seed) + ", " + std::to_string(items) + " items");
      if (HasFailure()) return;
      reached += controllableBits(*c) > 0;
    }
  EXPECT_EQ(reached, 120);  // the circuits are not trivially dead
}

TEST(IncrementalSchedule, AgreesOnTheBenchmarkWithAndWithoutScanChains) {
  ErrorCapture quiet;
  auto c = readExample("diffeq");
  ASSERT_TRUE(c);
  expectSchedulesAgree(*c, "diffeq");
  ASSERT_TRUE(applyLayout(*c, "0.1.2.3.4.5"));
  expectSchedulesAgree(*c, "diffeq with six scan chains");
  auto chained = readExample("diffeq");
  ASSERT_TRUE(applyLayout(*chained, "205.13"));
  expectSchedulesAgree(*chained, "diffeq with two scan chains");
}

// Analysers that keep their schedules and take turns on one circuit, whose
// structure changes between turns (layouts in and out), agree with fresh
// full walks: each indexing numbers the circuit afresh, so no analyser reads
// slots another one left.
TEST(IncrementalSchedule, AnalysersTakingTurnsOnOneCircuitAgreeWithTheWalks) {
  ErrorCapture quiet;
  auto c = readExample("diffeq");
  ASSERT_TRUE(c);
  Diagnostics& d = testDiagnostics();
  Analyser first(d), second(d), walks(d, AnalysisOptions{AnalysisSchedule::FULL_WALKS});
  const LayoutRegisters regs(*c);
  const ScanLayout layouts[] = {{}, {{0, 1, 2}, {3, 4, 5}}, {{5}}, {}, {{2, 0}, {4}}};
  int turn = 0;
  for (const ScanLayout& layout : layouts) {
    const AppliedScanLayout applied(*c, regs, layout);
    ASSERT_TRUE(applied.applied());
    for (int pass = 0; pass < 2; ++pass, ++turn) {
      Analyser& mine = turn % 2 == 0 ? first : second;
      walks.controllability(*c);
      walks.observability(*c);
      const State expected = stateOf(*c, quiet);
      mine.controllability(*c);
      mine.observability(*c);
      EXPECT_TRUE(stateOf(*c, quiet) == expected) << "turn " << turn;
    }
  }
  EXPECT_EQ(testErrorCount(), 0);
}

TEST(IncrementalSchedule, FallsBackToTheWalksForMalformedCircuits) {
  ErrorCapture quiet;
  auto c = readText(
      "CIR t a(in,8) clk(clk,1) y(out,8)\n"
      "ITM r(REG) d(in,8) q(out,8)\nITM m(MUX) a(in,8) b(in,8) q(out,8)\n"
      "LINK t.a -> r.d m.a\nLINK r.q -> m.b t.y\nLINK m.q -> t.y\n");
  expectSchedulesAgree(*c, "register without clock");
  c->getPortPtr("t.a")->addToPort(nullptr);
  expectSchedulesAgree(*c, "link without target");
}

}  // namespace
