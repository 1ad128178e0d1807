// Event-driven propagation of one fault's effect from its site.
#include "faultsim/faultycircuit.h"

#include <algorithm>
#include <bit>

FaultyCircuit::FaultyCircuit(const FlatCircuit& circuit)
    : c(circuit), faulty((static_cast<size_t>(circuit.nets) + 63) / 64, 0),
      pending((circuit.gates.size() + 63) / 64, 0), pendingWords((pending.size() + 63) / 64, 0) {}

void FaultyCircuit::load(const GoodValues& values, int cycleCount) {
  good = &values;
  cycles = cycleCount;
  const auto nets = static_cast<size_t>(c.nets);
  current.resize(nets * static_cast<size_t>(cycles));
  for (int k = 0; k < cycles; ++k) std::copy_n(values.cycle(k), nets, current.begin() + static_cast<std::ptrdiff_t>(nets * static_cast<size_t>(k)));
}

std::uint64_t FaultyCircuit::detect(const FaultSite& f) {
  state.clear();
  std::uint64_t found = 0;
  for (int k = 0; k < cycles; ++k) {
    g = good->cycle(k);
    v = current.data() + static_cast<size_t>(k) * static_cast<size_t>(c.nets);
    startCycle(f);
    propagate(f);
    found |= observeOutputs(f);
    clock(f);
    if (k == cycles - 1) found |= observeScan(f);
    restore();
    state.swap(next);
  }
  return found;
}

// Gives `net` (whose good value is `goodValue`) the faulty value y.
[[gnu::always_inline]] inline void FaultyCircuit::set(int net, V y, V goodValue) {
  if (!isFaulty(net)) {
    faulty[static_cast<size_t>(net) >> 6] |= std::uint64_t{1} << (net & 63);
    touched.push_back({net, goodValue});
  }
  v[net] = y;
}

[[gnu::always_inline]] inline void FaultyCircuit::schedule(int gate) {
  const int w = gate >> 6;
  std::uint64_t& word = pending[static_cast<size_t>(w)];
  const std::uint64_t bit = std::uint64_t{1} << (gate & 63);
  if (word & bit) return;
  if (!word) pendingWords[static_cast<size_t>(w) >> 6] |= std::uint64_t{1} << (w & 63);
  word |= bit;
  lastWord = std::max(lastWord, w);
  __builtin_prefetch(&c.gates[static_cast<size_t>(gate)]);
}

[[gnu::always_inline]] inline void FaultyCircuit::scheduleReaders(int begin, int end) {
  for (int e = begin; e < end; ++e) schedule(c.readers[static_cast<size_t>(e)]);
}

// Sets a net to its faulty value and schedules its readers when it differs from the good one.
void FaultyCircuit::inject(int net, V y) {
  if (y == g[net]) return;
  set(net, y, g[net]);
  scheduleReaders(c.readerStart[static_cast<size_t>(net)], c.readerStart[static_cast<size_t>(net) + 1]);
}

void FaultyCircuit::startCycle(const FaultSite& f) {
  lastWord = -1;
  for (const auto& [flop, y] : state)
    if (c.flopQ[static_cast<size_t>(flop)] != f.stem) inject(c.flopQ[static_cast<size_t>(flop)], y);
  if (f.stem >= 0) inject(f.stem, f.forced);
  if (f.gate >= 0) schedule(f.gate);
}

// The first word of `pending` from w on that is not zero, or -1.
int FaultyCircuit::nextPendingWord(int w) const {
  auto summary = static_cast<size_t>(w) >> 6;
  std::uint64_t bits = pendingWords[summary] & (kAllBits << (w & 63));
  while (!bits) {
    if (static_cast<int>(++summary << 6) > lastWord) return -1;
    bits = pendingWords[summary];
  }
  return static_cast<int>(summary << 6) + std::countr_zero(bits);
}

[[gnu::always_inline]] inline void FaultyCircuit::evaluateGate(int r, const FaultSite& f) {
  ++evaluations;
  const FlatGate& gate = c.gates[static_cast<size_t>(r)];
  if (gate.out == f.stem) return;
  V in[3] = {v[gate.in[0]], v[gate.in[1]], v[gate.in[2]]};
  if (r == f.gate) in[f.pin] = f.forced;
  const V y = evaluate(gate.kind, in[0], in[1], in[2]);
  const V before = v[gate.out];
  if (y == before) return;
  set(gate.out, y, before);  // a net not yet set holds its good value
  scheduleReaders(gate.readBegin, gate.readEnd);
}

// Asks for the values the gates of `bits` in word w of `pending` read and their readers, so that they arrive together.
[[gnu::always_inline]] inline void FaultyCircuit::prefetchInputs(std::uint64_t bits, int w) const {
  for (; bits; bits &= bits - 1) {
    const FlatGate& gate = c.gates[static_cast<size_t>((w << 6) + std::countr_zero(bits))];
    for (int p = 0; p < 3; ++p) __builtin_prefetch(&v[gate.in[p]]);
    __builtin_prefetch(&v[gate.out]);
    __builtin_prefetch(&c.readers[static_cast<size_t>(gate.readBegin)]);
  }
}

// Evaluates the scheduled gates in order; a gate's readers come after it, so one sweep reaches them all.
void FaultyCircuit::propagate(const FaultSite& f) {
  if (lastWord < 0) return;
  for (int w = nextPendingWord(0); w >= 0 && w <= lastWord; w = w < lastWord ? nextPendingWord(w + 1) : -1) {
    std::uint64_t& word = pending[static_cast<size_t>(w)];
    prefetchInputs(word, w);
    while (word) {
      const int bit = std::countr_zero(word);
      word &= word - 1;
      evaluateGate((w << 6) + bit, f);
    }
    pendingWords[static_cast<size_t>(w) >> 6] &= ~(std::uint64_t{1} << (w & 63));
  }
}

std::uint64_t FaultyCircuit::observeOutputs(const FaultSite& f) const {
  std::uint64_t found = 0;
  for (const Touched& t : touched) {
    if (!c.isObserved(t.net)) continue;
    for (int e = c.outStart[static_cast<size_t>(t.net)]; e < c.outStart[static_cast<size_t>(t.net) + 1]; ++e)
      if (c.outReaders[static_cast<size_t>(e)] != f.output) found |= differ(t.good, v[t.net]);
  }
  if (f.output >= 0) found |= differ(g[c.outputNets[static_cast<size_t>(f.output)]], f.forced);
  return found;
}

// The faulty next states that differ from the good ones.
void FaultyCircuit::clock(const FaultSite& f) {
  next.clear();
  for (const Touched& t : touched) {
    if (!c.isObserved(t.net)) continue;
    for (int e = c.flopStart[static_cast<size_t>(t.net)]; e < c.flopStart[static_cast<size_t>(t.net) + 1]; ++e) {
      const int flop = c.flopReaders[static_cast<size_t>(e)];
      if (flop != f.flopD) next.emplace_back(flop, v[t.net]);
    }
  }
  if (f.flopD >= 0 && f.forced != g[c.flopD[static_cast<size_t>(f.flopD)]]) next.emplace_back(f.flopD, f.forced);
}

std::uint64_t FaultyCircuit::observeScan(const FaultSite& f) const {
  std::uint64_t found = 0;
  for (const auto& [flop, y] : next)
    if (c.scanned[static_cast<size_t>(flop)] && c.flopQ[static_cast<size_t>(flop)] != f.stem)
      found |= differ(g[c.flopD[static_cast<size_t>(flop)]], y);
  if (f.stem >= 0 && c.scanObserved[static_cast<size_t>(f.stem)])
    for (int e = c.qStart[static_cast<size_t>(f.stem)]; e < c.qStart[static_cast<size_t>(f.stem) + 1]; ++e)
      found |= differ(g[c.flopD[static_cast<size_t>(c.qFlops[static_cast<size_t>(e)])]], f.forced);
  return found;
}

// Puts the good values back where the fault's effect changed them.
void FaultyCircuit::restore() {
  for (const Touched& t : touched) {
    v[t.net] = t.good;
    faulty[static_cast<size_t>(t.net) >> 6] = 0;
  }
  touched.clear();
}
