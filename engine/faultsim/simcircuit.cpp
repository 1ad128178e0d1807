// Levelising a gate-level netlist and setting its clock network apart.
#include "faultsim/simcircuit.h"

#include <algorithm>

namespace {

// Compressed lists: for each key, the values pushed for it, in push order.
void buildCsr(int keys, const std::vector<std::pair<int, int>>& pairs, std::vector<int>& start,
              std::vector<int>& values) {
  start.assign(static_cast<size_t>(keys) + 1, 0);
  for (const auto& [k, v] : pairs) ++start[static_cast<size_t>(k) + 1];
  for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
  values.assign(pairs.size(), 0);
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (const auto& [k, v] : pairs) values[static_cast<size_t>(fill[static_cast<size_t>(k)]++)] = v;
}

// Gates in an order where every gate follows the gates driving its inputs,
// with their levels; false when a loop leaves some gates out.
bool topologicalOrder(const GateNetlist& n, std::vector<int>& order, std::vector<int>& level) {
  const size_t g = n.gates.size();
  std::vector<int> driver(static_cast<size_t>(n.netCount), -1);
  for (size_t k = 0; k < g; ++k) driver[static_cast<size_t>(n.gates[k].out)] = static_cast<int>(k);
  std::vector<int> waiting(g, 0);
  std::vector<std::pair<int, int>> edges;  // driver gate -> reading gate
  for (size_t k = 0; k < g; ++k)
    for (int p = 0; p < 3; ++p) {
      const int in = n.gates[k].in[p];
      if (in < 0 || driver[static_cast<size_t>(in)] < 0) continue;
      edges.emplace_back(driver[static_cast<size_t>(in)], static_cast<int>(k));
      ++waiting[k];
    }
  std::vector<int> start, next;
  buildCsr(static_cast<int>(g), edges, start, next);
  level.assign(g, 1);
  order.clear();
  for (size_t k = 0; k < g; ++k)
    if (waiting[k] == 0) order.push_back(static_cast<int>(k));
  for (size_t at = 0; at < order.size(); ++at) {
    const auto k = static_cast<size_t>(order[at]);
    for (int e = start[k]; e < start[k + 1]; ++e) {
      const auto r = static_cast<size_t>(next[static_cast<size_t>(e)]);
      level[r] = std::max(level[r], level[k] + 1);
      if (--waiting[r] == 0) order.push_back(static_cast<int>(r));
    }
  }
  return order.size() == g;
}

// Marks the gates whose outputs reach only clock pins (directly or through
// other such gates), and the nets that do.
void findClockNetwork(const GateNetlist& n, const std::vector<int>& order, std::vector<char>& clockGate,
                      std::vector<char>& clockOnly) {
  const auto nets = static_cast<size_t>(n.netCount);
  std::vector<char> clockUse(nets, 0), dataUse(nets, 0);
  for (const FlipFlop& f : n.flops) {
    clockUse[static_cast<size_t>(f.clock)] = 1;
    dataUse[static_cast<size_t>(f.d)] = 1;
  }
  for (const PortBits& p : n.outputs)
    for (int b : p.nets) dataUse[static_cast<size_t>(b)] = 1;
  clockGate.assign(n.gates.size(), 0);
  // Readers come later in `order`: walking it backwards settles each gate's readers first.
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const Gate& g = n.gates[static_cast<size_t>(*it)];
    const auto out = static_cast<size_t>(g.out);
    const bool clock = clockUse[out] && !dataUse[out];
    clockGate[static_cast<size_t>(*it)] = clock;
    for (int p = 0; p < 3; ++p)
      if (g.in[p] >= 0) (clock ? clockUse : dataUse)[static_cast<size_t>(g.in[p])] = 1;
  }
  clockOnly.assign(nets, 0);
  for (size_t k = 0; k < nets; ++k) clockOnly[k] = clockUse[k] && !dataUse[k];
}

void collectPorts(const GateNetlist& n, const std::vector<char>& clockOnly, SimCircuit& s) {
  for (const PortBits& p : n.inputs)
    for (int b : p.nets) {
      const bool clock = clockOnly[static_cast<size_t>(b)] != 0;
      if (!clock) s.dataInputs.push_back(static_cast<int>(s.inputNets.size()));
      s.inputNets.push_back(b);
      s.inputIsClock.push_back(clock);
    }
  for (const PortBits& p : n.outputs) s.outputNets.insert(s.outputNets.end(), p.nets.begin(), p.nets.end());
}

void buildReaders(const GateNetlist& n, SimCircuit& s) {
  std::vector<std::pair<int, int>> pairs;
  for (size_t k = 0; k < s.gates.size(); ++k) {
    const SimGate& g = s.gates[k];
    for (int p = 0; p < gateInputCount(g.kind); ++p)
      if (p == 0 || g.in[p] != g.in[0]) pairs.emplace_back(g.in[p], static_cast<int>(k));
  }
  // A gate reading one net on two pins appears once per distinct pin net.
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  buildCsr(s.nets, pairs, s.readerStart, s.readers);
  pairs.clear();
  for (size_t f = 0; f < n.flops.size(); ++f) pairs.emplace_back(n.flops[f].d, static_cast<int>(f));
  buildCsr(s.nets, pairs, s.flopStart, s.flopReaders);
  pairs.clear();
  for (size_t o = 0; o < s.outputNets.size(); ++o) pairs.emplace_back(s.outputNets[o], static_cast<int>(o));
  buildCsr(s.nets, pairs, s.outStart, s.outReaders);
}

}  // namespace

bool buildSimCircuit(const GateNetlist& n, const std::vector<char>& scanned, SimCircuit& s,
                     std::vector<std::string>& problems) {
  s = SimCircuit{};
  s.nets = n.netCount;
  std::vector<int> order, level;
  if (!topologicalOrder(n, order, level)) {
    std::vector<char> placed(n.gates.size(), 0);
    for (int k : order) placed[static_cast<size_t>(k)] = 1;
    const auto loop = static_cast<size_t>(std::find(placed.begin(), placed.end(), 0) - placed.begin());
    const Gate& g = n.gates[loop];
    problems.push_back((g.origin.empty() ? n.module : g.origin) + ": cell '" + g.name +
                       "' is on a combinational loop, which cannot be simulated");
    return false;
  }
  std::vector<char> clockGate, clockOnly;
  findClockNetwork(n, order, clockGate, clockOnly);
  std::vector<int> data;
  for (int k : order)
    if (!clockGate[static_cast<size_t>(k)]) data.push_back(k);
  std::stable_sort(data.begin(), data.end(), [&](int x, int y) { return level[static_cast<size_t>(x)] < level[static_cast<size_t>(y)]; });
  s.gateOfSource.assign(n.gates.size(), -1);
  for (int k : data) {
    const Gate& g = n.gates[static_cast<size_t>(k)];
    s.gateOfSource[static_cast<size_t>(k)] = static_cast<int>(s.gates.size());
    SimGate sg{g.kind, {g.in[0] < 0 ? kNetX : g.in[0], g.in[1] < 0 ? kNetX : g.in[1], g.in[2] < 0 ? kNetX : g.in[2]},
               g.out, level[static_cast<size_t>(k)], k};
    s.levels = std::max(s.levels, sg.level + 1);
    s.gates.push_back(sg);
  }
  for (const FlipFlop& f : n.flops) {
    s.flopD.push_back(f.d);
    s.flopQ.push_back(f.q);
  }
  s.scanned = scanned;
  s.scanned.resize(n.flops.size(), 0);
  s.scanObserved.assign(static_cast<size_t>(s.nets), 0);
  for (size_t f = 0; f < n.flops.size(); ++f)
    if (s.scanned[f]) s.scanObserved[static_cast<size_t>(n.flops[f].q)] = 1;
  collectPorts(n, clockOnly, s);
  buildReaders(n, s);
  return true;
}
