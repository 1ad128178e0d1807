#include "faultsim/goodvalues.h"

#include <algorithm>

GoodValues::GoodValues(const FlatCircuit& c, const PatternSet& p) : s(c), pats(p) {
  values.resize(static_cast<size_t>(s.nets) * static_cast<size_t>(p.cycles()));
}

unsigned long long GoodValues::simulate(long long b) {
  for (int k = 0; k < pats.cycles(); ++k) {
    V* g = values.data() + static_cast<size_t>(k) * static_cast<size_t>(s.nets);
    std::fill(g, g + s.nets, kUnknown);
    g[kNet0] = forcedValue(0);
    g[kNet1] = forcedValue(1);
    for (size_t j = 0; j < s.dataInputNets.size(); ++j) {
      const std::uint64_t w = pats.inputWord(b, k, static_cast<int>(j));
      g[s.dataInputNets[j]] = {w, ~w};
    }
    for (size_t f = 0; f < s.flopQ.size(); ++f) {
      V q = kUnknown;
      if (k > 0) {
        q = cycle(k - 1)[s.flopD[f]];
      } else if (s.scanned[f]) {
        const std::uint64_t w = pats.flopWord(b, static_cast<int>(f));
        q = {w, ~w};
      }
      g[s.flopQ[f]] = q;
    }
    for (const FlatGate& gate : s.gates) g[gate.out] = evaluate(gate.kind, g[gate.in[0]], g[gate.in[1]], g[gate.in[2]]);
  }
  return static_cast<unsigned long long>(s.gates.size()) * static_cast<unsigned long long>(pats.cycles());
}
