// Bit-parallel, three-valued, event-driven stuck-at fault simulation.
#include "faultsim/simulator.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "faultsim/team.h"

namespace {

// 64 three-valued bits: a bit set in `one` is 1, in `zero` is 0, in neither X.
struct V {
  std::uint64_t one = 0, zero = 0;
  bool operator==(const V&) const = default;
};

constexpr std::uint64_t kAll = ~std::uint64_t{0};
constexpr V kX{0, 0};

inline V forcedValue(int v) { return v ? V{kAll, 0} : V{0, kAll}; }

// Bits known in both and different.
inline std::uint64_t differ(V a, V b) { return (a.one & b.zero) | (a.zero & b.one); }

[[gnu::always_inline]] inline V evaluate(GateKind k, V a, V b, V s) {
  switch (k) {
    case GateKind::And: return {a.one & b.one, a.zero | b.zero};
    case GateKind::Or: return {a.one | b.one, a.zero & b.zero};
    case GateKind::Xor: return {(a.one & b.zero) | (a.zero & b.one), (a.one & b.one) | (a.zero & b.zero)};
    case GateKind::Not: return {a.zero, a.one};
    case GateKind::Mux:
      return {(s.zero & a.one) | (s.one & b.one) | (a.one & b.one),
              (s.zero & a.zero) | (s.one & b.zero) | (a.zero & b.zero)};
    case GateKind::Nand: return {a.zero | b.zero, a.one & b.one};
    case GateKind::Nor: return {a.zero & b.zero, a.one | b.one};
    case GateKind::Xnor: return {(a.one & b.one) | (a.zero & b.zero), (a.one & b.zero) | (a.zero & b.one)};
    case GateKind::AndNot: return {a.one & b.zero, a.zero | b.one};
    case GateKind::OrNot: return {a.one | b.zero, a.zero & b.one};
    case GateKind::Buf: return a;
  }
  return kX;
}

// The good circuit's values of one block of patterns: every net in every cycle.
class GoodValues {
 public:
  GoodValues(const SimCircuit& c, const PatternSet& p) : s(c), pats(p) {
    values.resize(static_cast<size_t>(s.nets) * static_cast<size_t>(p.cycles()));
  }
  const V* cycle(int k) const { return values.data() + static_cast<size_t>(k) * static_cast<size_t>(s.nets); }

  // Simulates block b; returns the gates evaluated.
  unsigned long long simulate(long long b) {
    for (int k = 0; k < pats.cycles(); ++k) {
      V* g = values.data() + static_cast<size_t>(k) * static_cast<size_t>(s.nets);
      std::fill(g, g + s.nets, kX);
      g[kNet0] = forcedValue(0);
      g[kNet1] = forcedValue(1);
      for (size_t j = 0; j < s.dataInputs.size(); ++j) {
        const std::uint64_t w = pats.inputWord(b, k, static_cast<int>(j));
        g[s.inputNets[static_cast<size_t>(s.dataInputs[j])]] = {w, ~w};
      }
      for (size_t f = 0; f < s.flopQ.size(); ++f) {
        V q = kX;
        if (k > 0) {
          q = cycle(k - 1)[s.flopD[f]];
        } else if (s.scanned[f]) {
          const std::uint64_t w = pats.flopWord(b, static_cast<int>(f));
          q = {w, ~w};
        }
        g[s.flopQ[f]] = q;
      }
      for (const SimGate& gate : s.gates) g[gate.out] = evaluate(gate.kind, g[gate.in[0]], g[gate.in[1]], g[gate.in[2]]);
    }
    return static_cast<unsigned long long>(s.gates.size()) * static_cast<unsigned long long>(pats.cycles());
  }

 private:
  const SimCircuit& s;
  const PatternSet& pats;
  std::vector<V> values;
};

// What the simulator needs of one fault.
struct FaultSite {
  int stem = -1;          // net forced everywhere, or -1
  int gate = -1;          // SimGate whose input pin is forced, or -1
  int pin = 0;            // that pin
  int flopD = -1;         // flip-flop whose D pin is forced, or -1
  int output = -1;        // primary output bit forced, or -1
  V forced;
};

FaultSite siteOf(const GateNetlist& n, const SimCircuit& s, const Fault& f) {
  FaultSite site;
  site.forced = forcedValue(f.value);
  site.stem = faultStem(n, s, f);
  if (f.place == FaultPlace::GatePin && f.pin != kPinY) {
    site.gate = s.gateOfSource[static_cast<size_t>(f.index)];
    site.pin = f.pin;
  }
  if (f.place == FaultPlace::FlopD) site.flopD = f.index;
  if (f.place == FaultPlace::OutputBit) site.output = f.index;
  return site;
}

// One thread's scratch space for faulty circuits: values that differ from the
// good circuit's, valid while their stamp is the current one.
class FaultyCircuit {
 public:
  explicit FaultyCircuit(const SimCircuit& c)
      : s(c), value(static_cast<size_t>(c.nets)), netStamp(static_cast<size_t>(c.nets), 0),
        gateStamp(c.gates.size(), 0), buckets(static_cast<size_t>(c.levels)) {}

  // The patterns of the block (good values `good`) that detect `f`.
  std::uint64_t detect(const FaultSite& f, const GoodValues& good, int cycles) {
    state.clear();
    std::uint64_t found = 0;
    for (int k = 0; k < cycles; ++k) {
      g = good.cycle(k);
      startCycle(f);
      propagate(f);
      found |= observeOutputs(f);
      clock(f);
      if (k == cycles - 1) found |= observeScan(f);
      state.swap(next);
    }
    return found;
  }

  unsigned long long evaluations = 0;

 private:
  V valueOf(int net) const { return netStamp[static_cast<size_t>(net)] == stamp ? value[static_cast<size_t>(net)] : g[net]; }

  void set(int net, V v) {
    if (netStamp[static_cast<size_t>(net)] != stamp) {
      netStamp[static_cast<size_t>(net)] = stamp;
      touched.push_back(net);
    }
    value[static_cast<size_t>(net)] = v;
  }

  void scheduleGate(int r) {
    if (gateStamp[static_cast<size_t>(r)] == stamp) return;
    gateStamp[static_cast<size_t>(r)] = stamp;
    const int level = s.gates[static_cast<size_t>(r)].level;
    buckets[static_cast<size_t>(level)].push_back(r);
    lo = std::min(lo, level);
    hi = std::max(hi, level);
  }

  void scheduleReaders(int net) {
    for (int e = s.readerStart[static_cast<size_t>(net)]; e < s.readerStart[static_cast<size_t>(net) + 1]; ++e)
      scheduleGate(s.readers[static_cast<size_t>(e)]);
  }

  // Sets a net to its faulty value and schedules its readers when it differs from the good one.
  void inject(int net, V v) {
    if (v == g[net]) return;
    set(net, v);
    scheduleReaders(net);
  }

  void startCycle(const FaultSite& f) {
    if (++stamp == 0) {  // the stamps wrapped: forget every old one
      std::fill(netStamp.begin(), netStamp.end(), 0);
      std::fill(gateStamp.begin(), gateStamp.end(), 0);
      stamp = 1;
    }
    touched.clear();
    lo = s.levels;
    hi = 0;
    for (const auto& [flop, v] : state)
      if (s.flopQ[static_cast<size_t>(flop)] != f.stem) inject(s.flopQ[static_cast<size_t>(flop)], v);
    if (f.stem >= 0) inject(f.stem, f.forced);
    if (f.gate >= 0) scheduleGate(f.gate);
  }

  void propagate(const FaultSite& f) {
    for (int level = lo; level <= hi; ++level) {
      std::vector<int>& bucket = buckets[static_cast<size_t>(level)];
      for (int r : bucket) {
        const SimGate& gate = s.gates[static_cast<size_t>(r)];
        ++evaluations;
        V in[3] = {valueOf(gate.in[0]), valueOf(gate.in[1]), valueOf(gate.in[2])};
        if (r == f.gate) in[f.pin] = f.forced;
        if (gate.out == f.stem) continue;
        const V y = evaluate(gate.kind, in[0], in[1], in[2]);
        if (y == valueOf(gate.out)) continue;
        set(gate.out, y);
        scheduleReaders(gate.out);
      }
      bucket.clear();
    }
  }

  std::uint64_t observeOutputs(const FaultSite& f) const {
    std::uint64_t found = 0;
    for (int net : touched)
      for (int e = s.outStart[static_cast<size_t>(net)]; e < s.outStart[static_cast<size_t>(net) + 1]; ++e)
        if (s.outReaders[static_cast<size_t>(e)] != f.output) found |= differ(g[net], value[static_cast<size_t>(net)]);
    if (f.output >= 0) found |= differ(g[s.outputNets[static_cast<size_t>(f.output)]], f.forced);
    return found;
  }

  // The faulty next states that differ from the good ones.
  void clock(const FaultSite& f) {
    next.clear();
    for (int net : touched)
      for (int e = s.flopStart[static_cast<size_t>(net)]; e < s.flopStart[static_cast<size_t>(net) + 1]; ++e) {
        const int flop = s.flopReaders[static_cast<size_t>(e)];
        if (flop != f.flopD) next.emplace_back(flop, value[static_cast<size_t>(net)]);
      }
    if (f.flopD >= 0 && f.forced != g[s.flopD[static_cast<size_t>(f.flopD)]]) next.emplace_back(f.flopD, f.forced);
  }

  std::uint64_t observeScan(const FaultSite& f) const {
    std::uint64_t found = 0;
    for (const auto& [flop, v] : next)
      if (s.scanned[static_cast<size_t>(flop)] && s.flopQ[static_cast<size_t>(flop)] != f.stem)
        found |= differ(g[s.flopD[static_cast<size_t>(flop)]], v);
    if (f.stem >= 0 && s.scanObserved[static_cast<size_t>(f.stem)])
      for (size_t flop = 0; flop < s.flopQ.size(); ++flop)
        if (s.flopQ[flop] == f.stem) found |= differ(g[s.flopD[flop]], f.forced);
    return found;
  }

  const SimCircuit& s;
  const V* g = nullptr;  // the good values of the current cycle
  std::vector<V> value;
  std::vector<unsigned> netStamp, gateStamp;
  unsigned stamp = 0;
  std::vector<std::vector<int>> buckets;
  int lo = 0, hi = 0;
  std::vector<int> touched;
  std::vector<std::pair<int, V>> state, next;  // flip-flops whose faulty state differs
};

}  // namespace

SimResult simulateFaults(const GateNetlist& n, const SimCircuit& s, const FaultList& faults, const PatternSet& p,
                         const SimOptions& o) {
  SimResult result;
  result.firstDetection.assign(faults.faults.size(), -1);
  std::vector<int> active;
  std::vector<FaultSite> sites(faults.faults.size());
  for (size_t k = 0; k < faults.faults.size(); ++k) {
    sites[k] = siteOf(n, s, faults.faults[k]);
    if (o.everyFault || faults.representative[k] == static_cast<int>(k)) active.push_back(static_cast<int>(k));
  }
  WorkerTeam team(std::max(1U, o.threads));
  std::vector<FaultyCircuit> scratch;
  scratch.reserve(team.size());
  for (unsigned m = 0; m < team.size(); ++m) scratch.emplace_back(s);
  GoodValues good(s, p);
  for (long long b = 0; b < p.blocks() && !active.empty(); ++b) {
    result.goodEvaluations += good.simulate(b);
    const std::uint64_t valid = p.validMask(b);
    std::atomic<size_t> nextChunk{0};
    constexpr size_t kChunk = 32;
    team.run([&](unsigned member) {
      FaultyCircuit& fc = scratch[member];
      for (size_t from = nextChunk.fetch_add(kChunk); from < active.size(); from = nextChunk.fetch_add(kChunk))
        for (size_t k = from; k < std::min(active.size(), from + kChunk); ++k) {
          const int fault = active[k];
          const std::uint64_t found = fc.detect(sites[static_cast<size_t>(fault)], good, p.cycles()) & valid;
          long long& first = result.firstDetection[static_cast<size_t>(fault)];
          if (found && first < 0) first = b * 64 + std::countr_zero(found);
        }
    });
    if (o.dropDetected)
      std::erase_if(active, [&](int f) { return result.firstDetection[static_cast<size_t>(f)] >= 0; });
  }
  for (const FaultyCircuit& fc : scratch) result.gateEvaluations += fc.evaluations;
  if (!o.everyFault)
    for (size_t k = 0; k < faults.faults.size(); ++k)
      result.firstDetection[k] = result.firstDetection[static_cast<size_t>(faults.representative[k])];
  return result;
}
