// Gate-level netlists built in code for the fault simulator's tests and
// benchmark: by hand, or at random (acyclic, with flip-flops).
#pragma once

#include <random>
#include <string>
#include <vector>

#include "faultsim/netlist.h"

class NetlistBuilder {
 public:
  // A primary input of `bits` bits; the net of its first bit (the others follow).
  int input(const std::string& name, int bits = 1) {
    PortBits p{name, {}};
    for (int b = 0; b < bits; ++b) p.nets.push_back(n.netCount++);
    n.inputs.push_back(p);
    return p.nets[0];
  }
  // A gate reading `a`, `b`, `s` (as many as its kind has); the net it drives.
  int gate(GateKind k, int a, int b = -1, int s = -1) {
    Gate g;
    g.name = "g" + std::to_string(n.gates.size());
    g.kind = k;
    g.in[0] = a;
    if (gateInputCount(k) > 1) g.in[1] = b;
    if (gateInputCount(k) > 2) g.in[2] = s;
    g.out = n.netCount++;
    n.gates.push_back(g);
    return g.out;
  }
  // A flip-flop clocked by `clock`; its D is connected later with connect(). Returns its Q net.
  int flop(int clock, const std::string& name = "") {
    FlipFlop f;
    f.name = name.empty() ? "ff" + std::to_string(n.flops.size()) : name;
    f.clock = clock;
    f.q = n.netCount++;
    f.d = kNetX;
    n.flops.push_back(f);
    return f.q;
  }
  void connect(int q, int d) {
    for (FlipFlop& f : n.flops)
      if (f.q == q) f.d = d;
  }
  void output(const std::string& name, const std::vector<int>& nets) { n.outputs.push_back({name, nets}); }
  // Names `net` in the netlist's named nets (as a register's signal).
  void name(const std::string& signal, const std::vector<int>& nets) { n.netNames[signal] = nets; }

  GateNetlist n;
};

// A random acyclic netlist: `inputs` input bits, `flops` flip-flops, `gates`
// gates each reading earlier nets (mostly recent ones, so that the logic is
// deep), `outputs` output bits; one clock input.
inline GateNetlist randomNetlist(int inputs, int flops, int gates, int outputs, unsigned long long seed) {
  std::mt19937_64 rng(seed);
  NetlistBuilder b;
  const int clock = b.input("clk");
  std::vector<int> nets;
  for (int i = 0; i < inputs; ++i) nets.push_back(b.input("in" + std::to_string(i)));
  std::vector<int> qs;
  for (int f = 0; f < flops; ++f) qs.push_back(b.flop(clock));
  nets.insert(nets.end(), qs.begin(), qs.end());
  const int sources = static_cast<int>(nets.size());
  auto pick = [&]() {
    const auto size = nets.size();
    const bool recent = rng() % 4 != 0 && size > static_cast<size_t>(sources);
    const size_t window = recent ? std::min<size_t>(size - static_cast<size_t>(sources), 64) : size;
    return nets[size - 1 - rng() % window];
  };
  const GateKind kinds[] = {GateKind::And,  GateKind::Or,  GateKind::Xor,    GateKind::Not,   GateKind::Mux, GateKind::Nand,
                            GateKind::Nor,  GateKind::Xnor, GateKind::AndNot, GateKind::OrNot, GateKind::Buf};
  for (int g = 0; g < gates; ++g) {
    const GateKind k = kinds[rng() % 11];
    nets.push_back(b.gate(k, pick(), pick(), pick()));
  }
  for (int q : qs) b.connect(q, nets[nets.size() - 1 - rng() % std::min<size_t>(nets.size(), static_cast<size_t>(gates) + 1)]);
  std::vector<int> outs;
  for (int o = 0; o < outputs; ++o) outs.push_back(nets[nets.size() - 1 - rng() % std::min<size_t>(nets.size(), 4 * static_cast<size_t>(outputs) + 1)]);
  b.output("out", outs);
  return b.n;
}
