// Renumbering and packing a simulation circuit.
#include "faultsim/flatcircuit.h"

namespace {

// Nets in their new order: the constants, the nets no gate drives, then the
// gates' outputs gate by gate (so by level).
std::vector<int> renumberNets(const SimCircuit& s) {
  const auto nets = static_cast<size_t>(s.nets);
  std::vector<char> gateDriven(nets, 0);
  for (const SimGate& g : s.gates)
    if (g.out >= kFirstNet) gateDriven[static_cast<size_t>(g.out)] = 1;
  std::vector<int> netOf(nets, -1);
  int next = 0;
  for (size_t n = 0; n < nets; ++n)
    if (n < static_cast<size_t>(kFirstNet) || !gateDriven[n]) netOf[n] = next++;
  for (const SimGate& g : s.gates)
    if (netOf[static_cast<size_t>(g.out)] < 0) netOf[static_cast<size_t>(g.out)] = next++;
  return netOf;
}

// The CSR `start`/`values` with its keys renumbered by `netOf`.
void renumberCsr(const std::vector<int>& netOf, const std::vector<int>& start, const std::vector<int>& values,
                 std::vector<int>& newStart, std::vector<int>& newValues) {
  const size_t nets = netOf.size();
  newStart.assign(nets + 1, 0);
  for (size_t n = 0; n < nets; ++n) newStart[static_cast<size_t>(netOf[n]) + 1] = start[n + 1] - start[n];
  for (size_t n = 1; n <= nets; ++n) newStart[n] += newStart[n - 1];
  newValues.assign(values.size(), 0);
  for (size_t n = 0; n < nets; ++n)
    for (int e = start[n]; e < start[n + 1]; ++e)
      newValues[static_cast<size_t>(newStart[static_cast<size_t>(netOf[n])] + e - start[n])] = values[static_cast<size_t>(e)];
}

void packGates(const SimCircuit& s, FlatCircuit& f) {
  renumberCsr(f.netOf, s.readerStart, s.readers, f.readerStart, f.readers);
  f.gates.resize(s.gates.size());
  for (size_t k = 0; k < s.gates.size(); ++k) {
    const SimGate& g = s.gates[k];
    FlatGate& fg = f.gates[k];
    for (int p = 0; p < 3; ++p) fg.in[p] = f.netOf[static_cast<size_t>(g.in[p])];
    fg.out = f.netOf[static_cast<size_t>(g.out)];
    fg.readBegin = f.readerStart[static_cast<size_t>(fg.out)];
    fg.readEnd = f.readerStart[static_cast<size_t>(fg.out) + 1];
    fg.kind = g.kind;
  }
}

// The CSR of the flip-flops by their Q net.
void flopsByQ(FlatCircuit& f) {
  f.qStart.assign(static_cast<size_t>(f.nets) + 1, 0);
  for (int q : f.flopQ) ++f.qStart[static_cast<size_t>(q) + 1];
  for (size_t n = 1; n < f.qStart.size(); ++n) f.qStart[n] += f.qStart[n - 1];
  f.qFlops.resize(static_cast<size_t>(f.qStart.back()));
  std::vector<int> fill(f.qStart.begin(), f.qStart.end() - 1);
  for (size_t k = 0; k < f.flopQ.size(); ++k)
    f.qFlops[static_cast<size_t>(fill[static_cast<size_t>(f.flopQ[k])]++)] = static_cast<int>(k);
}

}  // namespace

FlatCircuit flattenCircuit(const SimCircuit& s) {
  FlatCircuit f;
  f.nets = s.nets;
  f.netOf = renumberNets(s);
  packGates(s, f);
  renumberCsr(f.netOf, s.flopStart, s.flopReaders, f.flopStart, f.flopReaders);
  renumberCsr(f.netOf, s.outStart, s.outReaders, f.outStart, f.outReaders);
  f.observed.assign((static_cast<size_t>(f.nets) + 63) / 64, 0);
  for (size_t n = 0; n < static_cast<size_t>(f.nets); ++n)
    if (f.flopStart[n + 1] > f.flopStart[n] || f.outStart[n + 1] > f.outStart[n]) f.observed[n >> 6] |= std::uint64_t{1} << (n & 63);
  auto net = [&](int n) { return f.netOf[static_cast<size_t>(n)]; };
  for (int d : s.flopD) f.flopD.push_back(net(d));
  for (int q : s.flopQ) f.flopQ.push_back(net(q));
  f.scanned = s.scanned;
  for (int o : s.outputNets) f.outputNets.push_back(net(o));
  for (int j : s.dataInputs) f.dataInputNets.push_back(net(s.inputNets[static_cast<size_t>(j)]));
  f.scanObserved.assign(static_cast<size_t>(f.nets), 0);
  for (size_t n = 0; n < s.scanObserved.size(); ++n) f.scanObserved[static_cast<size_t>(net(static_cast<int>(n)))] = s.scanObserved[n];
  flopsByQ(f);
  return f;
}
