// The fixpoint measure: values consistent with the links, the same for any
// description order, never lowered by scanning one more register, and
// controllable counters and accumulators.
#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/fixpoint.h"
#include "optimise/fitness.h"
#include "ga_test_util.h"
#include "model/circuitcopy.h"
#include "random_circuit.h"
#include "read/import.h"
#include "scan/insertion.h"
#include "scan/notation.h"
#include "test_diagnostics.h"
#include "write/reports.h"

namespace {

// Every port's controllability and observability by composed name.
std::map<std::string, std::pair<double, double>> valuesByName(const Circuit& c) {
  std::map<std::string, std::pair<double, double>> v;
  for (const Item* i = c.getIList(); i; i = i->getNext())
    for (const Port* p = i->getPList(); p; p = p->getNext()) v[p->getName()] = {p->getCon(), p->getObs()};
  return v;
}

// Fails on a driven port whose controllability is not the best of its drivers',
// or a driving port whose observability is not the best of what it drives.
void expectConsistent(const Circuit& c, const std::string& what) {
  std::map<const Port*, double> bestDriver;
  for (const Item* i = c.getIList(); i; i = i->getNext())
    for (const Port* p = i->getPList(); p; p = p->getNext()) {
      double bestTarget = 0.0;
      for (const LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) {
        if (l->getPort()->getItem() == i && i->getType() != UUA) continue;  // an inner path
        bestDriver[l->getPort()] = std::max(bestDriver[l->getPort()], p->getCon());
        bestTarget = std::max(bestTarget, l->getPort()->getObs());
      }
      const bool holder = i->getType() == UUA;
      if (holder ? p->getType() != OUT && p->getType() != INOUT : p->getType() == OUT) {
        EXPECT_EQ(p->getObs(), bestTarget) << what << ": " << p->getName();
      }
    }
  for (const auto& [port, con] : bestDriver) EXPECT_EQ(port->getCon(), con) << what << ": " << port->getName();
  EXPECT_FALSE(bestDriver.empty()) << what;
}

// Analyses `c` with the fixpoint measure and returns its figures.
Measures fixpointFigures(Circuit& c) {
  Analyser a(testDiagnostics(), AnalysisOptions{AnalysisSchedule::INCREMENTAL, MeasureKind::FIXPOINT});
  a.bothDirections(c);
  return measuresOf(c);
}

// `g` described backwards: primary ports, items, their ports and links in reverse order.
GeneratedCircuit reversed(GeneratedCircuit g) {
  std::reverse(g.primaryPorts.begin(), g.primaryPorts.end());
  std::reverse(g.items.begin(), g.items.end());
  for (auto& i : g.items) std::reverse(i.ports.begin(), i.ports.end());
  std::reverse(g.links.begin(), g.links.end());
  for (auto& l : g.links) std::reverse(l.second.begin(), l.second.end());
  return g;
}

// The Verilog examples imported, when yosys is there.
std::vector<std::unique_ptr<Circuit>> verilogExamples() {
  std::vector<std::unique_ptr<Circuit>> all;
  for (const char* name : {"verilog/cpu.v", "verilog/diffeq.v", "verilog/fir.v", "verilog/timer.v", "datapath50.v"}) {
    auto c = loadCircuit(std::string(TARVEX_EXAMPLES) + "/" + name, {}, systemProcessRunner(), testDiagnostics());
    if (c) all.push_back(std::move(c));
  }
  resetTestErrors();
  return all;
}

TEST(Fixpoint, EveryPortAgreesWithItsLinksOnEveryExample) {
  for (const char* name : {"ex", "diffeq"}) {
    auto c = gatest::loadExample(name);
    ASSERT_TRUE(c) << name;
    fixpointFigures(*c);
    expectConsistent(*c, name);
  }
  for (auto& c : verilogExamples()) {
    fixpointFigures(*c);
    expectConsistent(*c, c->getName());
  }
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    auto c = randomCircuit({60, seed, 20, 10, false}).build();
    fixpointFigures(*c);
    expectConsistent(*c, "random " + std::to_string(seed));
  }
}

TEST(Fixpoint, ALoadHasItsOnlyDriversValue) {
  auto c = gatest::parseCircuit(
      "CIR t a(in,4) b(in,4) clk(clk,1) y(out,4)\n"
      "ITM r(REG) d(in,4) c(clk,1) q(out,4)\nITM add(ADD) a(in,4) b(in,4) y(out,4)\n"
      "LINK t.a -> add.a\nLINK r.q -> add.b\nLINK add.y -> r.d t.y\nLINK t.clk -> r.c\n");
  ASSERT_TRUE(c);
  fixpointFigures(*c);
  EXPECT_EQ(c->getPortPtr("add.b")->getCon(), c->getPortPtr("r.q")->getCon());
  EXPECT_EQ(c->getPortPtr("r.d")->getCon(), c->getPortPtr("add.y")->getCon());
  // Each value names the port it came from, so that its path can be followed.
  EXPECT_EQ(c->getPortPtr("add.a")->getConSrc(), c->getPortPtr("t.a"));
  EXPECT_EQ(c->getPortPtr("r.q")->getConSrc(), nullptr);  // a loop without a clear: never set
  EXPECT_EQ(c->getPortPtr("r.d")->getObsSrc(), c->getPortPtr("r.q"));
  EXPECT_EQ(c->getPortPtr("add.y")->getObsSrc(), c->getPortPtr("t.y"));
}

TEST(Fixpoint, TheSameCircuitInAnyOrderHasTheSameFigures) {
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    const GeneratedCircuit g = randomCircuit({80, seed, 25, 15, seed % 2 == 0});
    auto forward = g.build();
    auto backward = reversed(g).build();
    const Measures a = fixpointFigures(*forward), b = fixpointFigures(*backward);
    EXPECT_EQ(valuesByName(*forward), valuesByName(*backward)) << "seed " << seed;
    EXPECT_EQ(a.gt, b.gt) << "seed " << seed;
    EXPECT_EQ(a.con, b.con);
    EXPECT_EQ(a.obs, b.obs);
    EXPECT_EQ(a.nC, b.nC);
    EXPECT_EQ(a.nO, b.nO);
  }
}

// Every figure of `after` is at least that of `before`.
void expectNoFigureFalls(const Measures& before, const Measures& after, const std::string& what) {
  EXPECT_EQ(before.total, after.total) << what;
  EXPECT_GE(after.con, before.con) << what;
  EXPECT_GE(after.obs, before.obs) << what;
  EXPECT_GE(after.nC, before.nC) << what;
  EXPECT_GE(after.nO, before.nO) << what;
  EXPECT_GE(after.nT, before.nT) << what;
  EXPECT_GE(after.gt, before.gt) << what;
}

TEST(Fixpoint, ScanningOneMoreRegisterLowersNoFigure) {
  int checked = 0;
  for (std::uint64_t seed = 1; seed <= 25; ++seed) {
    auto c = randomCircuit({60, seed, 20, 0, false}).build();
    const LayoutRegisters regs(*c);
    if (regs.count() < 2) continue;
    ScanLayout layout;
    Measures before = fixpointFigures(*c);
    // Registers join one at a time, each in a chain of its own, the others' chains kept.
    for (int r = regs.count() - 1; r >= 0; r -= 2) {
      layout.push_back({r});
      const AppliedScanLayout applied(*c, regs, layout);
      const Measures after = fixpointFigures(*c);
      expectNoFigureFalls(before, after, "seed " + std::to_string(seed) + " register " + std::to_string(r));
      before = after;
      ++checked;
    }
    // Full scan is at least as testable as any layout before it.
    ScanLayout full;
    for (int r = 0; r < regs.count(); ++r) full.push_back({r});
    const AppliedScanLayout applied(*c, regs, full);
    expectNoFigureFalls(before, fixpointFigures(*c), "full scan, seed " + std::to_string(seed));
  }
  EXPECT_GT(checked, 20);
}

TEST(Fixpoint, ClearedAccumulatorsAndCountersAreControllable) {
  // s <= clr ? 0 : s + x, as imported: the constant input of the multiplexer is left out.
  auto acc = gatest::parseCircuit(
      "CIR acc clk(clk,1) clr(sel,1) x(in,4) y(out,4)\n"
      "ITM add1(ADD) a(in,4) b(in,4) y(out,4)\nITM s(REG) d(in,4) clk(clk,1) q(out,4)\n"
      "ITM mux1(MUX) a(in,4) s(sel,1) y(out,4)\n"
      "LINK s.q -> add1.a acc.y\nLINK acc.x -> add1.b\nLINK mux1.y -> s.d\nLINK acc.clk -> s.clk\n"
      "LINK add1.y -> mux1.a\nLINK acc.clr -> mux1.s\n");
  ASSERT_TRUE(acc);
  const Measures m = fixpointFigures(*acc);
  const double depth = FixpointSettings{}.depthFactor;
  EXPECT_EQ(acc->getPortPtr("s.q")->getCon(), depth);
  EXPECT_GT(acc->getPortPtr("acc.x")->getObs(), 0.0);
  EXPECT_EQ(m.nC, m.total);
  EXPECT_EQ(m.nO, m.total);
  // c <= clr ? 0 : c + 1: the constant operand and the constant input are both left out.
  auto counter = gatest::parseCircuit(
      "CIR cnt clk(clk,1) clr(sel,1) y(out,4)\n"
      "ITM add1(ADD) a(in,4) y(out,4)\nITM c(REG) d(in,4) clk(clk,1) q(out,4)\n"
      "ITM mux1(MUX) a(in,4) s(sel,1) y(out,4)\n"
      "LINK c.q -> add1.a cnt.y\nLINK add1.y -> mux1.a\nLINK mux1.y -> c.d\nLINK cnt.clk -> c.clk\n"
      "LINK cnt.clr -> mux1.s\n");
  ASSERT_TRUE(counter);
  fixpointFigures(*counter);
  EXPECT_EQ(counter->getPortPtr("c.q")->getCon(), depth);
  EXPECT_GT(counter->getPortPtr("cnt.clr")->getObs(), 0.0);  // the clear shows at the output
  // Without the clear the counter never reaches a known value.
  auto free = gatest::parseCircuit(
      "CIR cnt clk(clk,1) y(out,4)\nITM add1(ADD) a(in,4) y(out,4)\nITM c(REG) d(in,4) clk(clk,1) q(out,4)\n"
      "LINK c.q -> add1.a cnt.y\nLINK add1.y -> c.d\nLINK cnt.clk -> c.clk\n");
  ASSERT_TRUE(free);
  fixpointFigures(*free);
  EXPECT_EQ(free->getPortPtr("c.q")->getCon(), 0.0);
}

TEST(Fixpoint, SelectsShowThroughTheirMultiplexerAndDepthCosts) {
  auto c = gatest::parseCircuit(
      "CIR t a(in,4) b(in,4) s(sel,1) clk(clk,1) y(out,4)\n"
      "ITM cmp(COMP) a(in,4) b(in,4) y(out,1)\nITM m(MUX) a(in,4) b(in,4) s(sel,1) y(out,4)\n"
      "ITM r1(REG) d(in,4) c(clk,1) q(out,4)\nITM r2(REG) d(in,4) c(clk,1) q(out,4)\n"
      "LINK t.a -> cmp.a m.a\nLINK t.b -> cmp.b r1.d\nLINK cmp.y -> m.s\nLINK r1.q -> m.b\nLINK m.y -> r2.d\n"
      "LINK r2.q -> t.y\nLINK t.clk -> r1.c r2.c\n");
  ASSERT_TRUE(c);
  fixpointFigures(*c);
  const double depth = FixpointSettings{}.depthFactor;
  EXPECT_EQ(c->getPortPtr("cmp.y")->getObs(), depth);  // observed through the select, one register deep
  EXPECT_EQ(c->getPortPtr("r1.q")->getCon(), depth);
  EXPECT_EQ(c->getPortPtr("r2.q")->getCon(), depth);    // the better input of the multiplexer counts
  EXPECT_EQ(c->getPortPtr("t.b")->getObs(), depth);     // via the comparator, not two registers deep
}

TEST(Fixpoint, ScanPortsAreLeftOutOfTheFigures) {
  auto c = gatest::parseCircuit(gatest::registerChain(4));
  ASSERT_TRUE(c);
  const Measures none = fixpointFigures(*c);
  const LayoutRegisters regs(*c);
  const AppliedScanLayout applied(*c, regs, ScanLayout{{0, 1}, {2}, {3}});
  const Measures scanned = fixpointFigures(*c);
  EXPECT_EQ(none.total, scanned.total);
  EXPECT_EQ(scanned.nC, scanned.total);
  EXPECT_EQ(scanned.nO, scanned.total);
  EXPECT_DOUBLE_EQ(scanned.con, 1.0);
  EXPECT_LT(none.con, scanned.con);
}

// Every port's values and the names of the ports they came from, by composed name.
std::map<std::string, std::string> valuesAndSources(const Circuit& c) {
  auto name = [](const Port* p) { return p ? p->getName() : std::string("-"); };
  std::map<std::string, std::string> v;
  for (const Item* i = c.getIList(); i; i = i->getNext())
    for (const Port* p = i->getPList(); p; p = p->getNext())
      v[p->getName()] = std::to_string(p->getCon()) + "/" + std::to_string(p->getObs()) + "/" +
                        std::to_string(p->getTst()) + " " + name(p->getConSrc()) + " " + name(p->getObsSrc());
  return v;
}

// One analyser keeps its work lists from one circuit and layout to the next:
// what it finds must not depend on what it analysed before.
TEST(Fixpoint, AReusedAnalyserFindsWhatAFreshOneFinds) {
  FixpointAnalyser reused;
  int checked = 0;
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    auto c = randomCircuit({40 + static_cast<int>(seed) * 5, seed, 15, 20, seed % 2 == 0}).build();
    const LayoutRegisters regs(*c);
    const std::string what = "seed " + std::to_string(seed);
    std::vector<ScanLayout> layouts{{}};
    if (regs.count() >= 1) layouts.push_back({{0}});
    if (regs.count() >= 3) layouts.push_back({{regs.count() - 1, 0}, {1}});
    for (const ScanLayout& layout : layouts) {
      const AppliedScanLayout applied(*c, regs, layout);
      FixpointAnalyser fresh;
      fresh.analyse(*c);
      const auto expected = valuesAndSources(*c);
      const auto values = valuesByName(*c);
      const OwnPortFigures expectedFigures = ownPortFigures(*c);
      reused.analyse(*c);
      EXPECT_EQ(valuesAndSources(*c), expected) << what;
      EXPECT_EQ(reused.figures().nC, expectedFigures.nC) << what;
      EXPECT_EQ(reused.figures().con, expectedFigures.con) << what;
      // Controllability alone leaves observability 0 and the same controllability.
      reused.controllability(*c);
      for (const Item* i = c->getIList(); i; i = i->getNext())
        for (const Port* p = i->getPList(); p; p = p->getNext()) {
          EXPECT_EQ(p->getObs(), 0.0) << what << ": " << p->getName();
          EXPECT_EQ(p->getCon(), values.at(p->getName()).first) << what << ": " << p->getName();
        }
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
}

// The fitness of an applied layout takes the figures the analysis found; it
// must equal the fitness worked out again from the circuit's ports.
TEST(Fixpoint, TheFitnessOfALayoutIsTheOneItsPortsGive) {
  Analyser a(testDiagnostics(), AnalysisOptions{AnalysisSchedule::INCREMENTAL, MeasureKind::FIXPOINT});
  int checked = 0;
  for (std::uint64_t seed = 1; seed <= 10; ++seed) {
    auto c = randomCircuit({60, seed, 20, 0, false}).build();
    const LayoutRegisters regs(*c);
    if (regs.count() < 2) continue;
    for (Objective objective : {Objective::CLASSIC, Objective::GRADED}) {
      const FitnessBasis basis{c->getArea(), c->getNPIOs(), FitnessLimits{5.0, 10.0, objective}};
      const AppliedScanLayout applied(*c, regs, ScanLayout{{0, regs.count() - 1}});
      const double f = appliedLayoutFitness(*c, basis, a);
      EXPECT_EQ(f, analysedLayoutFitness(*c, basis)) << "seed " << seed;
      ASSERT_NE(a.defaultFixpointFigures(), nullptr);
      EXPECT_EQ(a.defaultFixpointFigures()->nC, ownPortFigures(*c).nC);
      ++checked;
    }
  }
  EXPECT_GT(checked, 10);
  // Under the classic measure there are no fixpoint figures to take.
  Analyser classic(testDiagnostics());
  EXPECT_EQ(classic.defaultFixpointFigures(), nullptr);
}

}  // namespace

namespace {

// `verilog` imported from a file of its own in a fresh folder; null when yosys cannot read it.
std::unique_ptr<Circuit> importedVerilog(const std::string& name, const std::string& verilog) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("tarvex_fixpoint_" + std::to_string(::getpid()) + "_" + name);
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / (name + ".v");
  std::ofstream(file) << verilog;
  auto c = loadCircuit(file.string(), {}, systemProcessRunner(), testDiagnostics());
  std::filesystem::remove_all(dir);
  return c;
}

// The one register of `c` (the first item a layout numbers).
Item* onlyRegister(Circuit& c) {
  for (Item* i = c.getIList(); i; i = i->getNext())
    if (i->isLayoutRegister()) return i;
  return nullptr;
}

// The controllability of the output of `c`'s one register under `measure`.
double registerCon(Circuit& c, MeasureKind measure) {
  Analyser a(testDiagnostics(), AnalysisOptions{AnalysisSchedule::INCREMENTAL, measure});
  a.bothDirections(c);
  for (const Port* p = onlyRegister(c)->getPList(); p; p = p->getNext())
    if (p->getType() == OUT) return p->getCon();
  return -1.0;
}

}  // namespace

TEST(Fixpoint, RegistersAResetOrSetCanSetAreControllable) {
  const double depth = FixpointSettings{}.depthFactor;
  struct Case {
    const char* name;
    const char* verilog;
    bool settable;  // a reset or set pin of the register itself
    double con;     // of the register's output under the fixpoint measure
  };
  const Case cases[] = {
      {"acc", "module acc(input clk, input clr, input [7:0] x, output [7:0] y);\n"
              "  reg [7:0] s;\n  always @(posedge clk) s <= clr ? 8'd0 : s + x;\n  assign y = s;\nendmodule\n",
       false, depth},
      {"cnt", "module cnt(input clk, input rst, output [7:0] y);\n  reg [7:0] c;\n"
              "  always @(posedge clk or posedge rst) if (rst) c <= 8'd0; else c <= c + 8'd1;\n"
              "  assign y = c;\nendmodule\n",
       true, depth},
      {"tgl", "module tgl(input clk, input rst, input set, output y);\n  reg c;\n"
              "  always @(posedge clk or posedge rst or posedge set)\n"
              "    if (rst) c <= 1'b0; else if (set) c <= 1'b1; else c <= ~c;\n  assign y = c;\nendmodule\n",
       true, depth},
      {"free", "module free(input clk, output [7:0] y);\n  reg [7:0] c;\n  always @(posedge clk) c <= c + 8'd1;\n"
               "  assign y = c;\nendmodule\n",
       false, 0.0},
  };
  for (const Case& k : cases) {
    auto c = importedVerilog(k.name, k.verilog);
    if (!c) GTEST_SKIP() << "yosys cannot import " << k.name;
    ASSERT_TRUE(onlyRegister(*c)) << k.name;
    EXPECT_EQ(onlyRegister(*c)->isSettable(), k.settable) << k.name;
    EXPECT_EQ(registerCon(*c, MeasureKind::FIXPOINT), k.con) << k.name;
    const Measures m = fixpointFigures(*c);
    if (k.con > 0.0) {
      EXPECT_EQ(m.nC, m.total) << k.name;  // every bit can be set
    }
    // The classic measure takes no notice of the reset: the same values with the flag cleared.
    const double classic = registerCon(*c, MeasureKind::CLASSIC);
    onlyRegister(*c)->setSettable(false);
    EXPECT_EQ(registerCon(*c, MeasureKind::CLASSIC), classic) << k.name;
  }
}

TEST(Fixpoint, AResetCountsForScannedAndCopiedRegisters) {
  const double depth = FixpointSettings{}.depthFactor;
  // A counter c <= c + 1; the importer marks its register when it has a reset.
  auto c = gatest::parseCircuit(
      "CIR cnt clk(clk,1) y(out,4)\nITM add1(ADD) a(in,4) y(out,4)\nITM c(REG) d(in,4) clk(clk,1) q(out,4)\n"
      "LINK c.q -> add1.a cnt.y\nLINK add1.y -> c.d\nLINK cnt.clk -> c.clk\n");
  ASSERT_TRUE(c);
  Item* reg = onlyRegister(*c);
  ASSERT_TRUE(reg);
  EXPECT_EQ(registerCon(*c, MeasureKind::FIXPOINT), 0.0);
  reg->setSettable(true);
  EXPECT_EQ(registerCon(*c, MeasureKind::FIXPOINT), depth);
  EXPECT_EQ(c->getPortPtr("add1.y")->getCon(), depth);
  EXPECT_EQ(c->getPortPtr("add1.y")->getConSrc(), c->getPortPtr("add1.a"));
  // The optimiser's workers analyse copies: the reset comes along.
  auto copy = copyCircuit(*c);
  ASSERT_TRUE(copy);
  EXPECT_TRUE(onlyRegister(*copy)->isSettable());
  EXPECT_EQ(registerCon(*copy, MeasureKind::FIXPOINT), depth);
  // Scanned, it loads the reset value through its parallel input as before.
  const LayoutRegisters regs(*c);
  ScanLayout chain;
  chain.push_back({0});
  const AppliedScanLayout applied(*c, regs, chain);
  ASSERT_TRUE(applied.applied());
  Analyser a(testDiagnostics(), AnalysisOptions{AnalysisSchedule::INCREMENTAL, MeasureKind::FIXPOINT});
  a.bothDirections(*c);
  EXPECT_EQ(c->getPortPtr("add1.y")->getCon(), 1.0);  // through the chain
}

namespace {

// Analyses `c` as it is with `held` and with a fresh analyser: the same values, sources and figures.
void expectHeldMatchesFresh(FixpointAnalyser& held, Circuit& c, const std::string& what) {
  FixpointAnalyser fresh;
  fresh.analyse(c);
  const auto expected = valuesAndSources(c);
  const OwnPortFigures figures = fresh.figures();
  held.analyse(c);
  EXPECT_EQ(valuesAndSources(c), expected) << what;
  EXPECT_EQ(held.figures().nC, figures.nC) << what;
  EXPECT_EQ(held.figures().nO, figures.nO) << what;
  EXPECT_EQ(held.figures().con, figures.con) << what;
  EXPECT_EQ(held.figures().obs, figures.obs) << what;
  held.controllability(c);
  fresh.controllability(c);
  EXPECT_EQ(held.figures().con, fresh.figures().con) << what;
  EXPECT_EQ(held.figures().nC, fresh.figures().nC) << what;
}

}  // namespace

// With a base held, an analysis indexes only what a layout adds: whatever the
// layout, and whatever else changed, it must find what a full index finds.
TEST(Fixpoint, AnalysesOverAHeldBaseFindWhatAFullIndexFinds) {
  int checked = 0;
  for (std::uint64_t seed = 1; seed <= 8; ++seed) {
    auto c = randomCircuit({50 + static_cast<int>(seed) * 5, seed, 15, 20, seed % 2 == 0}).build();
    const LayoutRegisters regs(*c);
    if (regs.count() < 3) continue;
    const std::string what = "seed " + std::to_string(seed);
    FixpointAnalyser held;
    held.holdBase(*c);
    std::vector<int> all;
    for (int r = regs.count() - 1; r >= 0; --r) all.push_back(r);
    const std::vector<ScanLayout> layouts{{}, {{0}}, {{regs.count() - 1, 0}, {1}}, {all}, {{2}, {0, 1}}};
    for (const ScanLayout& layout : layouts) {
      const AppliedScanLayout applied(*c, regs, layout);
      expectHeldMatchesFresh(held, *c, what + ", " + std::to_string(layout.size()) + " chain(s)");
      ++checked;
    }
    // A base is never taken from a circuit with a layout applied.
    {
      const AppliedScanLayout applied(*c, regs, {{1, 2}});
      FixpointAnalyser laid;
      laid.holdBase(*c);
      expectHeldMatchesFresh(laid, *c, what + ", base asked with a layout");
    }
    // A port the base does not know of: the full index takes over.
    ASSERT_TRUE(regs.item(0)->addPort("EXTRA", 4, IN));
    const AppliedScanLayout applied(*c, regs, {{0, 1}});
    expectHeldMatchesFresh(held, *c, what + ", a port added");
    held.dropBase();
    expectHeldMatchesFresh(held, *c, what + ", base dropped");
  }
  EXPECT_GT(checked, 20);
}
