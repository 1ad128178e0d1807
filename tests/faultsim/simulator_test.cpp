// The fault simulator on circuits whose detectable faults are known, against
// a plain pattern-by-pattern reference simulation on random circuits, and
// its invariants: collapsing, threads and fault dropping change no result.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>

#include "base/random.h"
#include "faultsim/coverage.h"
#include "faultsim/faults.h"
#include "faultsim/flatcircuit.h"
#include "faultsim/simulator.h"
#include "faultsim/threevalue.h"
#include "netlist_builder.h"

namespace {

// Runs the simulator on `n` with the flip-flops flagged in `scanned`.
FaultSimRun simulate(const GateNetlist& n, std::vector<char> scanned, bool exhaustive, int cycles = 1,
                     long long patterns = 500, SimOptions o = {}) {
  FaultSimSettings s;
  s.exhaustive = exhaustive;
  s.captureCycles = cycles;
  s.patterns = patterns;
  s.sim = o;
  SeededRandom random(7);
  FaultSimRun run;
  std::vector<std::string> problems;
  EXPECT_TRUE(runFaultSimulation(n, scanned, s, random, run, problems)) << (problems.empty() ? "" : problems[0]);
  return run;
}

// The --write-faults lines of the undetected faults.
std::set<std::string> undetected(const GateNetlist& n, const FaultSimRun& run) {
  std::set<std::string> lines;
  for (size_t k = 0; k < run.faults.faults.size(); ++k)
    if (run.result.firstDetection[k] < 0) lines.insert(faultLine(n, run.circuit, run.faults.faults[k], false));
  return lines;
}

GateNetlist fullAdder() {
  NetlistBuilder b;
  const int a = b.input("a"), bb = b.input("b"), c = b.input("cin");
  const int x = b.gate(GateKind::Xor, a, bb);
  const int sum = b.gate(GateKind::Xor, x, c);
  const int cout = b.gate(GateKind::Or, b.gate(GateKind::And, a, bb), b.gate(GateKind::And, x, c));
  b.output("s", {sum});
  b.output("cout", {cout});
  return b.n;
}

TEST(FaultSimKnown, FullAdderHasNoUndetectableFault) {
  const GateNetlist n = fullAdder();
  const FaultSimRun run = simulate(n, {}, true);
  EXPECT_EQ(run.patterns.count(), 8);
  EXPECT_EQ(run.faults.faults.size(), 40u);  // 5 gates: 30, 3 inputs: 6, 2 outputs: 4
  EXPECT_TRUE(undetected(n, run).empty());
  EXPECT_LT(run.faults.collapsed, 40);
}

TEST(FaultSimKnown, ConsensusTermFaultsAreUndetectable) {
  // y = a.b + ~a.c + b.c: the consensus term b.c is redundant.
  NetlistBuilder b;
  const int a = b.input("a"), bb = b.input("b"), c = b.input("c");
  const int g1 = b.gate(GateKind::And, a, bb);
  const int g2 = b.gate(GateKind::And, b.gate(GateKind::Not, a), c);
  const int g3 = b.gate(GateKind::And, bb, c);
  const int y = b.gate(GateKind::Or, b.gate(GateKind::Or, g1, g2), g3);
  b.output("y", {y});
  const FaultSimRun run = simulate(b.n, {}, true);
  // g3 is the consensus AND, g5 the OR reading it on B.
  EXPECT_EQ(undetected(b.n, run), (std::set<std::string>{"g3 A 0 U", "g3 B 0 U", "g3 Y 0 U", "g5 B 0 U"}));
}

// A 2-bit counter with enable and synchronous reset, its registers q0 and q1.
GateNetlist counter() {
  NetlistBuilder b;
  const int clk = b.input("clk"), rst = b.input("rst"), en = b.input("en");
  const int q0 = b.flop(clk, "r0"), q1 = b.flop(clk, "r1");
  b.connect(q0, b.gate(GateKind::AndNot, b.gate(GateKind::Xor, q0, en), rst));
  b.connect(q1, b.gate(GateKind::AndNot, b.gate(GateKind::Xor, q1, b.gate(GateKind::And, q0, en)), rst));
  b.output("q", {q0, q1});
  b.name("count", {q0, q1});
  return b.n;
}

TEST(FaultSimKnown, CounterFullyScannedDetectsEveryFault) {
  const GateNetlist n = counter();
  const FaultSimRun run = simulate(n, {1, 1}, true);
  EXPECT_EQ(run.patterns.count(), 16);  // two scan bits, two data inputs (the clock is not data)
  EXPECT_TRUE(undetected(n, run).empty());
  EXPECT_EQ(run.faults.faults.size(), 6u * 5 + 2 * 4 + 4 + 4);  // no fault on the clock
}

TEST(FaultSimKnown, UnknownStateHidesFaultsUntilAResetCycle) {
  const GateNetlist n = counter();
  // Without scan the registers start unknown: one cycle observes nothing known.
  const FaultSimRun one = simulate(n, {0, 0}, true, 1);
  EXPECT_EQ(coverageAfter(one).detected, 0);
  // A reset in the first cycle makes the second cycle's outputs known.
  const FaultSimRun two = simulate(n, {0, 0}, true, 2);
  const std::set<std::string> hidden = undetected(n, two);
  EXPECT_FALSE(hidden.count("q[0] PORT 1 U"));
  EXPECT_TRUE(undetected(n, one).count("q[0] PORT 1 U"));
  // The first detecting pattern applies rst in cycle 0.
  for (size_t k = 0; k < two.faults.faults.size(); ++k) {
    if (faultLine(n, two.circuit, two.faults.faults[k], true) == "q[0] PORT 1 D") {
      EXPECT_EQ(two.patterns.inputBit(two.result.firstDetection[k], 0, 0), 1);
    }
  }
}

// ---------------------------------------------------------------- reference

// Three-valued scalar values: 0, 1, 2 for X.
int ref(GateKind k, int a, int b, int s) {
  auto and2 = [](int x, int y) { return x == 0 || y == 0 ? 0 : x == 1 && y == 1 ? 1 : 2; };
  auto or2 = [](int x, int y) { return x == 1 || y == 1 ? 1 : x == 0 && y == 0 ? 0 : 2; };
  auto inv = [](int x) { return x == 2 ? 2 : 1 - x; };
  auto xor2 = [](int x, int y) { return x == 2 || y == 2 ? 2 : x ^ y; };
  switch (k) {
    case GateKind::And: return and2(a, b);
    case GateKind::Or: return or2(a, b);
    case GateKind::Xor: return xor2(a, b);
    case GateKind::Not: return inv(a);
    case GateKind::Mux: return s == 0 ? a : s == 1 ? b : a == b ? a : 2;
    case GateKind::Nand: return inv(and2(a, b));
    case GateKind::Nor: return inv(or2(a, b));
    case GateKind::Xnor: return inv(xor2(a, b));
    case GateKind::AndNot: return and2(a, inv(b));
    case GateKind::OrNot: return or2(a, inv(b));
    case GateKind::Buf: return a;
  }
  return 2;
}

// Every gate kind on all 27 three-valued combinations of its pins at once, one per bit.
TEST(FaultSimReference, WordEvaluationMatchesTheThreeValuedTruthTables) {
  auto word = [](int combo, int divisor) { return combo / divisor % 3; };
  V in[3];
  for (int combo = 0; combo < 27; ++combo)
    for (int p = 0; p < 3; ++p) {
      const int v = word(combo, p == 0 ? 1 : p == 1 ? 3 : 9);
      if (v == 1) in[p].one |= std::uint64_t{1} << combo;
      if (v == 0) in[p].zero |= std::uint64_t{1} << combo;
    }
  for (int k = 0; k <= static_cast<int>(GateKind::Buf); ++k) {
    const auto kind = static_cast<GateKind>(k);
    const V y = evaluate(kind, in[0], in[1], in[2]);
    for (int combo = 0; combo < 27; ++combo) {
      const int want = ref(kind, word(combo, 1), word(combo, 3), word(combo, 9));
      const int got = (y.one >> combo & 1) ? 1 : (y.zero >> combo & 1) ? 0 : 2;
      EXPECT_EQ(got, want) << "kind " << k << " a b s " << word(combo, 1) << word(combo, 3) << word(combo, 9);
      EXPECT_FALSE((y.one & y.zero) >> combo & 1);
    }
    EXPECT_EQ(y.one >> 27, 0u);
    EXPECT_EQ(y.zero >> 27, 0u);
  }
}

// The observed bits of one pattern, with the fault (or none: null) injected.
std::vector<int> referenceRun(const GateNetlist& n, const SimCircuit& s, const PatternSet& p, long long pat,
                              const Fault* f) {
  const int stem = f ? faultStem(n, s, *f) : -1;
  std::vector<int> v(static_cast<size_t>(s.nets), 2), state(n.flops.size(), 2), seen;
  for (size_t q = 0; q < n.flops.size(); ++q)
    if (s.scanned[q]) state[q] = p.flopBit(pat, static_cast<int>(q));
  auto force = [&](int net) {
    if (stem >= 0 && net == stem) v[static_cast<size_t>(net)] = f->value;
  };
  for (int k = 0; k < p.cycles(); ++k) {
    std::fill(v.begin(), v.end(), 2);
    v[kNet0] = 0;
    v[kNet1] = 1;
    for (size_t j = 0; j < s.dataInputs.size(); ++j) v[static_cast<size_t>(s.inputNets[static_cast<size_t>(s.dataInputs[j])])] = p.inputBit(pat, k, static_cast<int>(j));
    for (size_t q = 0; q < n.flops.size(); ++q) v[static_cast<size_t>(n.flops[q].q)] = state[q];
    for (int net = 0; net < s.nets; ++net) force(net);
    for (const SimGate& g : s.gates) {
      int in[3] = {v[static_cast<size_t>(g.in[0])], v[static_cast<size_t>(g.in[1])], v[static_cast<size_t>(g.in[2])]};
      if (f && f->place == FaultPlace::GatePin && f->pin != kPinY && f->index == g.source) in[f->pin] = f->value;
      v[static_cast<size_t>(g.out)] = ref(g.kind, in[0], in[1], in[2]);
      force(g.out);
    }
    for (size_t o = 0; o < s.outputNets.size(); ++o)
      seen.push_back(f && f->place == FaultPlace::OutputBit && f->index == static_cast<int>(o) ? f->value
                                                                                                : v[static_cast<size_t>(s.outputNets[o])]);
    for (size_t q = 0; q < n.flops.size(); ++q)
      state[q] = f && f->place == FaultPlace::FlopD && f->index == static_cast<int>(q) ? f->value : v[static_cast<size_t>(n.flops[q].d)];
  }
  for (size_t q = 0; q < n.flops.size(); ++q)
    if (s.scanned[q]) seen.push_back(n.flops[q].q == stem ? f->value : state[q]);
  return seen;
}

bool referenceDetects(const std::vector<int>& good, const std::vector<int>& bad) {
  for (size_t k = 0; k < good.size(); ++k)
    if (good[k] != 2 && bad[k] != 2 && good[k] != bad[k]) return true;
  return false;
}

TEST(FaultSimReference, MatchesPatternByPatternSimulationOnRandomCircuits) {
  for (unsigned long long seed = 1; seed <= 6; ++seed) {
    const GateNetlist n = randomNetlist(5, 4, 60, 4, seed);
    std::vector<char> scanned = {1, 0, 1, static_cast<char>(seed % 2)};
    const int cycles = 1 + static_cast<int>(seed % 3);
    const FaultSimRun run = simulate(n, scanned, false, cycles, 150, SimOptions{1, false, true});
    for (size_t k = 0; k < run.faults.faults.size(); ++k) {
      long long first = -1;
      for (long long pat = 0; pat < run.patterns.count() && first < 0; ++pat)
        if (referenceDetects(referenceRun(n, run.circuit, run.patterns, pat, nullptr),
                             referenceRun(n, run.circuit, run.patterns, pat, &run.faults.faults[k])))
          first = pat;
      ASSERT_EQ(run.result.firstDetection[k], first)
          << "seed " << seed << " fault " << faultLine(n, run.circuit, run.faults.faults[k], first >= 0);
    }
  }
}

// ---------------------------------------------------------------- invariants

TEST(FaultSimInvariants, CollapsingNeverChangesTheUncollapsedDetections) {
  for (unsigned long long seed = 11; seed <= 16; ++seed) {
    const GateNetlist n = randomNetlist(6, 6, 150, 5, seed);
    const std::vector<char> scanned = {1, 1, 0, 1, 0, static_cast<char>(seed % 2)};
    const FaultSimRun every = simulate(n, scanned, false, 2, 300, SimOptions{1, true, true});
    const FaultSimRun classes = simulate(n, scanned, false, 2, 300, SimOptions{1, true, false});
    EXPECT_LT(classes.faults.collapsed, static_cast<int>(classes.faults.faults.size()));
    EXPECT_EQ(every.result.firstDetection, classes.result.firstDetection) << "seed " << seed;
  }
}

TEST(FaultSimInvariants, ThreadsAndFaultDroppingChangeNoResult) {
  const GateNetlist n = randomNetlist(8, 10, 600, 8, 99);
  std::vector<char> scanned(10, 1);
  scanned[3] = scanned[7] = 0;
  const FaultSimRun one = simulate(n, scanned, false, 2, 1000, SimOptions{1, true, false});
  const FaultSimRun four = simulate(n, scanned, false, 2, 1000, SimOptions{4, true, false});
  const FaultSimRun noDrop = simulate(n, scanned, false, 2, 1000, SimOptions{3, false, false});
  EXPECT_EQ(one.result.firstDetection, four.result.firstDetection);
  EXPECT_EQ(one.result.gateEvaluations, four.result.gateEvaluations);
  EXPECT_EQ(one.result.firstDetection, noDrop.result.firstDetection);
  EXPECT_GT(noDrop.result.gateEvaluations, one.result.gateEvaluations);
}

// ---------------------------------------------------------------- pinned

// A digest of every fault's first detecting pattern, so that any change in
// which pattern detects which fault shows.
unsigned long long detectionDigest(const SimResult& r) {
  unsigned long long h = 1469598103934665603ULL;
  for (long long first : r.firstDetection) h = (h ^ static_cast<unsigned long long>(first + 1)) * 1099511628211ULL;
  return h;
}

struct Pinned {
  long detected;
  unsigned long long digest, evaluations, goodEvaluations;
};

Pinned pinnedRun(const GateNetlist& n, const std::vector<char>& scanned, int cycles, long long patterns,
                 SimOptions o) {
  const FaultSimRun run = simulate(n, scanned, false, cycles, patterns, o);
  return {coverageAfter(run).detected, detectionDigest(run.result), run.result.gateEvaluations,
          run.result.goodEvaluations};
}

// Exact results of a few runs on a generated circuit, taken from the
// straightforward simulator: a faster one must give the same detections and
// evaluate the same gates (the count is part of the JSON report).
TEST(FaultSimPinned, DetectionsAndEvaluationsOnAGeneratedCircuitStayTheSame) {
  const GateNetlist n = randomNetlist(12, 24, 1200, 24, 2026);
  std::vector<char> partial(24, 1);
  for (size_t f = 0; f < partial.size(); f += 8) partial[f] = 0;
  struct Case {
    std::vector<char> scanned;
    int cycles;
    long long patterns;
    SimOptions o;
    Pinned want;
  };
  const Case cases[] = {
      {std::vector<char>(24, 1), 1, 1000, SimOptions{2, true, false}, {4268, 16315678145539822679ULL, 652076, 19200}},
      {partial, 3, 1000, SimOptions{2, true, true}, {3236, 11222408893159999181ULL, 11412643, 57600}},
      {partial, 2, 200, SimOptions{1, false, false}, {2363, 9247246011306988026ULL, 6398847, 9600}},
      {std::vector<char>(24, 0), 2, 1000, SimOptions{3, true, false}, {0, 3631354005810468123ULL, 966054, 38400}},
      {partial, 2, 1000, SimOptions{3, true, false}, {3061, 9645622443999881812ULL, 5038883, 38400}},
  };
  for (size_t c = 0; c < std::size(cases); ++c) {
    const Pinned got = pinnedRun(n, cases[c].scanned, cases[c].cycles, cases[c].patterns, cases[c].o);
    EXPECT_EQ(got.detected, cases[c].want.detected) << "case " << c;
    EXPECT_EQ(got.digest, cases[c].want.digest) << "case " << c;
    EXPECT_EQ(got.evaluations, cases[c].want.evaluations) << "case " << c;
    EXPECT_EQ(got.goodEvaluations, cases[c].want.goodEvaluations) << "case " << c;
  }
}

TEST(FaultSimInvariants, EveryCoreGivesWhatOneThreadGives) {
  const GateNetlist n = randomNetlist(6, 12, 900, 10, 41);
  std::vector<char> scanned(12, 1);
  scanned[0] = scanned[5] = 0;
  const unsigned cores = std::max(2U, std::thread::hardware_concurrency());
  for (const bool drop : {true, false}) {
    const FaultSimRun one = simulate(n, scanned, false, 3, 400, SimOptions{1, drop, true});
    const FaultSimRun all = simulate(n, scanned, false, 3, 400, SimOptions{cores, drop, true});
    EXPECT_EQ(one.result.firstDetection, all.result.firstDetection) << "drop " << drop;
    EXPECT_EQ(one.result.gateEvaluations, all.result.gateEvaluations) << "drop " << drop;
  }
}

// The simulator sweeps the gates once in order: every reader must come after
// the gate driving it, and the renumbering must keep nets apart.
TEST(FaultSimInvariants, FlatCircuitKeepsReadersAfterTheirDriversAndNetsApart) {
  const GateNetlist n = randomNetlist(5, 8, 400, 6, 77);
  SimCircuit s;
  std::vector<std::string> problems;
  ASSERT_TRUE(buildSimCircuit(n, std::vector<char>(8, 1), s, problems));
  const FlatCircuit f = flattenCircuit(s);
  std::set<int> seen(f.netOf.begin(), f.netOf.end());
  EXPECT_EQ(seen.size(), f.netOf.size());
  EXPECT_EQ(*seen.rbegin(), f.nets - 1);
  for (size_t k = 0; k < f.gates.size(); ++k) {
    const SimGate& g = s.gates[k];
    EXPECT_EQ(f.gates[k].out, f.netOf[static_cast<size_t>(g.out)]);
    for (int e = f.gates[k].readBegin; e < f.gates[k].readEnd; ++e)
      EXPECT_GT(f.readers[static_cast<size_t>(e)], static_cast<int>(k)) << "gate " << k;
  }
}

TEST(FaultSimInvariants, PatternsDependOnTheSeedOnly) {
  const GateNetlist n = randomNetlist(4, 5, 80, 3, 5);
  const FaultSimRun a = simulate(n, {1, 0, 0, 0, 0}, false, 1, 200);
  const FaultSimRun b = simulate(n, {1, 1, 1, 1, 1}, false, 1, 200);
  for (long long p = 0; p < 200; ++p) {
    EXPECT_EQ(a.patterns.flopBit(p, 0), b.patterns.flopBit(p, 0));
    EXPECT_EQ(a.patterns.inputBit(p, 0, 2), b.patterns.inputBit(p, 0, 2));
  }
}

TEST(FaultSimInvariants, ExhaustiveIsRefusedBeyondItsLimit) {
  const GateNetlist n = randomNetlist(13, 2, 20, 2, 3);
  FaultSimSettings s;
  s.exhaustive = true;
  s.captureCycles = 2;  // 26 input bits
  SeededRandom random(1);
  FaultSimRun run;
  std::vector<std::string> problems;
  EXPECT_FALSE(runFaultSimulation(n, {0, 0}, s, random, run, problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("26 bits"), std::string::npos);
}

}  // namespace
