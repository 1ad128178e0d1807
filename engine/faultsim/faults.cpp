// The fault list and its equivalence classes.
#include "faultsim/faults.h"

#include <numeric>

namespace {

// Disjoint sets whose representative is their smallest member.
class Classes {
 public:
  explicit Classes(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
  int find(int x) {
    while (parent[static_cast<size_t>(x)] != x) {
      parent[static_cast<size_t>(x)] = parent[static_cast<size_t>(parent[static_cast<size_t>(x)])];
      x = parent[static_cast<size_t>(x)];
    }
    return x;
  }
  void join(int x, int y) {
    x = find(x);
    y = find(y);
    if (x == y) return;
    if (y < x) std::swap(x, y);
    parent[static_cast<size_t>(y)] = x;
  }

 private:
  std::vector<int> parent;
};

// The value of the output that a controlling input value forces, per gate
// kind and input pin: -1 when the pin has no such equivalence. Indexed
// [pin][stuck value].
struct Equivalence {
  int out[2][2];
};

Equivalence equivalenceOf(GateKind k) {
  switch (k) {
    case GateKind::And: return {{{0, -1}, {0, -1}}};
    case GateKind::Nand: return {{{1, -1}, {1, -1}}};
    case GateKind::Or: return {{{-1, 1}, {-1, 1}}};
    case GateKind::Nor: return {{{-1, 0}, {-1, 0}}};
    case GateKind::AndNot: return {{{0, -1}, {-1, 0}}};
    case GateKind::OrNot: return {{{-1, 1}, {1, -1}}};
    case GateKind::Not: return {{{1, 0}, {-1, -1}}};
    case GateKind::Buf: return {{{0, 1}, {-1, -1}}};
    default: return {{{-1, -1}, {-1, -1}}};
  }
}

// Appends the stuck-at-0 and stuck-at-1 faults of one place; returns the index of the first.
int addPair(std::vector<Fault>& faults, FaultPlace place, int index, int pin = 0) {
  const int first = static_cast<int>(faults.size());
  for (std::uint8_t v = 0; v < 2; ++v) faults.push_back({place, index, static_cast<std::uint8_t>(pin), v});
  return first;
}

// A reading pin (gate input, D pin, primary output bit) and its faults.
struct PinFault {
  int net;
  int first;  // the pin's stuck-at-0 fault
};

}  // namespace

FaultList buildFaultList(const GateNetlist& n, const SimCircuit& s) {
  FaultList list;
  std::vector<int> stemFault(static_cast<size_t>(s.nets), -1);
  std::vector<int> readerCount(static_cast<size_t>(s.nets), 0);
  std::vector<PinFault> pins;
  struct GateFaults {
    int gate, pinFirst[3], outFirst;
  };
  std::vector<GateFaults> gateFaults;
  for (size_t k = 0; k < n.gates.size(); ++k) {
    if (s.gateOfSource[k] < 0) continue;
    const Gate& g = n.gates[k];
    GateFaults gf{static_cast<int>(k), {-1, -1, -1}, -1};
    for (int p = 0; p < gateInputCount(g.kind); ++p) {
      gf.pinFirst[p] = addPair(list.faults, FaultPlace::GatePin, static_cast<int>(k), p);
      pins.push_back({g.in[p], gf.pinFirst[p]});
    }
    gf.outFirst = addPair(list.faults, FaultPlace::GatePin, static_cast<int>(k), kPinY);
    stemFault[static_cast<size_t>(g.out)] = gf.outFirst;
    gateFaults.push_back(gf);
  }
  for (size_t f = 0; f < n.flops.size(); ++f) {
    pins.push_back({n.flops[f].d, addPair(list.faults, FaultPlace::FlopD, static_cast<int>(f))});
    stemFault[static_cast<size_t>(n.flops[f].q)] = addPair(list.faults, FaultPlace::FlopQ, static_cast<int>(f));
  }
  for (int b : s.dataInputs)
    stemFault[static_cast<size_t>(s.inputNets[static_cast<size_t>(b)])] = addPair(list.faults, FaultPlace::InputBit, b);
  for (size_t o = 0; o < s.outputNets.size(); ++o)
    pins.push_back({s.outputNets[o], addPair(list.faults, FaultPlace::OutputBit, static_cast<int>(o))});

  for (const PinFault& p : pins) ++readerCount[static_cast<size_t>(p.net)];
  for (size_t k = 0; k < readerCount.size(); ++k) readerCount[k] += s.scanObserved[k];
  Classes classes(list.faults.size());
  // A net read by one pin only: the stem's faults are that pin's.
  for (const PinFault& p : pins) {
    const int stem = p.net >= kFirstNet ? stemFault[static_cast<size_t>(p.net)] : -1;
    if (stem < 0 || readerCount[static_cast<size_t>(p.net)] != 1) continue;
    classes.join(p.first, stem);
    classes.join(p.first + 1, stem + 1);
  }
  // A controlling value on an input is the output stuck at the value it forces.
  for (const GateFaults& gf : gateFaults) {
    const Equivalence e = equivalenceOf(n.gates[static_cast<size_t>(gf.gate)].kind);
    for (int p = 0; p < 2; ++p)
      for (int v = 0; v < 2; ++v)
        if (gf.pinFirst[p] >= 0 && e.out[p][v] >= 0) classes.join(gf.pinFirst[p] + v, gf.outFirst + e.out[p][v]);
  }
  list.representative.resize(list.faults.size());
  for (size_t k = 0; k < list.faults.size(); ++k) {
    list.representative[k] = classes.find(static_cast<int>(k));
    if (list.representative[k] == static_cast<int>(k)) ++list.collapsed;
  }
  return list;
}

int faultStem(const GateNetlist& n, const SimCircuit& s, const Fault& f) {
  switch (f.place) {
    case FaultPlace::GatePin: return f.pin == kPinY ? n.gates[static_cast<size_t>(f.index)].out : -1;
    case FaultPlace::FlopQ: return n.flops[static_cast<size_t>(f.index)].q;
    case FaultPlace::InputBit: return s.inputNets[static_cast<size_t>(f.index)];
    default: return -1;
  }
}

namespace {

// "PORT[BIT]" of flat bit `bit` of `ports`.
std::string portBitName(const std::vector<PortBits>& ports, int bit) {
  for (const PortBits& p : ports) {
    if (bit < static_cast<int>(p.nets.size())) return p.name + "[" + std::to_string(bit) + "]";
    bit -= static_cast<int>(p.nets.size());
  }
  return "?";
}

}  // namespace

std::string faultLine(const GateNetlist& n, const SimCircuit&, const Fault& f, bool detected) {
  std::string line;
  switch (f.place) {
    case FaultPlace::GatePin: line = n.gates[static_cast<size_t>(f.index)].name + " " + gatePinName(f.pin); break;
    case FaultPlace::FlopD: line = n.flops[static_cast<size_t>(f.index)].name + " D"; break;
    case FaultPlace::FlopQ: line = n.flops[static_cast<size_t>(f.index)].name + " Q"; break;
    case FaultPlace::InputBit: line = portBitName(n.inputs, f.index) + " PORT"; break;
    case FaultPlace::OutputBit: line = portBitName(n.outputs, f.index) + " PORT"; break;
  }
  return line + (f.value ? " 1 " : " 0 ") + (detected ? "D" : "U");
}
