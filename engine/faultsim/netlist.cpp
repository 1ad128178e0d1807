// Reading gate-level Yosys JSON netlists into GateNetlist.
#include "faultsim/netlist.h"

#include <nlohmann/json.hpp>
#include <string_view>

#include "read/yosys_json.h"

namespace {

using json = nlohmann::json;
using yosys_json::member;
using yosys_json::originOf;

struct CellType {
  GateKind kind;
  int inputs;
};

const std::unordered_map<std::string_view, CellType>& gateTypes() {
  // A constant table, built on first use.
  static const std::unordered_map<std::string_view, CellType> table = {
      {"$_AND_", {GateKind::And, 2}},       {"$_OR_", {GateKind::Or, 2}},     {"$_XOR_", {GateKind::Xor, 2}},
      {"$_NOT_", {GateKind::Not, 1}},       {"$_MUX_", {GateKind::Mux, 3}},   {"$_NAND_", {GateKind::Nand, 2}},
      {"$_NOR_", {GateKind::Nor, 2}},       {"$_XNOR_", {GateKind::Xnor, 2}}, {"$_ANDNOT_", {GateKind::AndNot, 2}},
      {"$_ORNOT_", {GateKind::OrNot, 2}},   {"$_BUF_", {GateKind::Buf, 1}},
  };
  return table;
}

// Numbers the bits of one module densely and reads its cells.
class Reader {
 public:
  Reader(const std::string& src, GateNetlist& n, std::vector<std::string>& p) : source(src), net(n), problems(p) {}

  void read(const json& module) {
    readPorts(module);
    if (const json* cells = member(module, "cells"); cells && cells->is_object())
      for (auto it = cells->begin(); it != cells->end(); ++it) readCell(it.key(), it.value());
    readNetNames(module);
  }

 private:
  // The net of one bit value; -1 when it is malformed.
  int netOf(const json& bit) {
    if (bit.is_string()) {
      const std::string& s = bit.get_ref<const std::string&>();
      return s == "0" ? kNet0 : s == "1" ? kNet1 : s == "x" || s == "z" ? kNetX : -1;
    }
    if (!bit.is_number_integer() || bit.get<long long>() < 0) return -1;
    const auto [it, fresh] = ids.try_emplace(bit.get<long long>(), net.netCount);
    if (fresh) ++net.netCount;
    return it->second;
  }

  bool bitsOf(const json* v, std::vector<int>& nets) {
    if (!v || !v->is_array()) return false;
    nets.clear();
    for (const json& b : *v) {
      const int n = netOf(b);
      if (n < 0) return false;
      nets.push_back(n);
    }
    return true;
  }

  void problem(const std::string& where, const std::string& what) {
    problems.push_back(where + ": " + what);
  }

  void readPorts(const json& module) {
    const json* ports = member(module, "ports");
    if (!ports || !ports->is_object()) return;
    for (auto it = ports->begin(); it != ports->end(); ++it) {
      const json* dir = member(it.value(), "direction");
      PortBits p{it.key(), {}};
      if (!dir || !dir->is_string() || !bitsOf(member(it.value(), "bits"), p.nets)) {
        problem(source, "port '" + it.key() + "' is malformed");
        continue;
      }
      const std::string& d = dir->get_ref<const std::string&>();
      if (d == "input") {
        for (int n : p.nets) driven(n, source, "input '" + it.key() + "'");
        net.inputs.push_back(std::move(p));
      } else if (d == "output") {
        net.outputs.push_back(std::move(p));
      } else {
        problem(source, "port '" + it.key() + "' is " + d + ": bidirectional ports cannot be simulated");
      }
    }
  }

  // Records that `n` has a driver; a second driver is a problem.
  void driven(int n, const std::string& where, const std::string& who) {
    if (n < kFirstNet) {
      problem(where, who + " drives a constant");
      return;
    }
    if (n >= static_cast<int>(hasDriver.size())) hasDriver.resize(static_cast<size_t>(n) + 1, 0);
    if (hasDriver[static_cast<size_t>(n)]) problem(where, who + " drives a net that is already driven");
    hasDriver[static_cast<size_t>(n)] = 1;
  }

  // The one net of pin `pin` of a cell; -1 (problem recorded) when missing or not one bit.
  int pinNet(const json& conns, const char* pin, const std::string& cellName, const std::string& where) {
    std::vector<int> nets;
    if (!bitsOf(member(conns, pin), nets) || nets.size() != 1) {
      problem(where, "cell '" + cellName + "' has no single-bit pin '" + pin + "'");
      return -1;
    }
    return nets[0];
  }

  void readCell(const std::string& name, const json& cell) {
    const std::string origin = originOf(cell);
    const std::string where = origin.empty() ? source : origin;
    const json* type = member(cell, "type");
    const json* conns = member(cell, "connections");
    if (!type || !type->is_string() || !conns) {
      problem(where, "cell '" + name + "' is malformed");
      return;
    }
    const std::string& t = type->get_ref<const std::string&>();
    if (t == "$_DFF_P_") return readFlop(name, *conns, origin, where);
    const auto g = gateTypes().find(t);
    if (g == gateTypes().end()) {
      problem(where, "cell '" + name + "' of type '" + t + "' is not a gate or a positive-edge flip-flop");
      return;
    }
    Gate gate{name, g->second.kind, {-1, -1, -1}, -1, origin};
    static constexpr const char* pins[] = {"A", "B", "S"};
    for (int p = 0; p < g->second.inputs; ++p)
      if ((gate.in[p] = pinNet(*conns, pins[p], name, where)) < 0) return;
    if ((gate.out = pinNet(*conns, "Y", name, where)) < 0) return;
    driven(gate.out, where, "cell '" + name + "'");
    net.gates.push_back(std::move(gate));
  }

  void readFlop(const std::string& name, const json& conns, const std::string& origin, const std::string& where) {
    FlipFlop f{name, pinNet(conns, "D", name, where), pinNet(conns, "Q", name, where),
               pinNet(conns, "C", name, where), origin};
    if (f.d < 0 || f.q < 0 || f.clock < 0) return;
    driven(f.q, where, "flip-flop '" + name + "'");
    net.flops.push_back(std::move(f));
  }

  void readNetNames(const json& module) {
    const json* names = member(module, "netnames");
    if (!names || !names->is_object()) return;
    std::vector<int> nets;
    for (auto it = names->begin(); it != names->end(); ++it) {
      const json* hidden = member(it.value(), "hide_name");
      if (hidden && hidden->is_number_integer() && hidden->get<long long>() != 0) continue;
      if (bitsOf(member(it.value(), "bits"), nets)) net.netNames[it.key()] = nets;
    }
  }

  const std::string& source;
  GateNetlist& net;
  std::vector<std::string>& problems;
  std::unordered_map<long long, int> ids;
  std::vector<char> hasDriver;
};

// The module to read: `top`, else the one marked top, else the only one.
const json* pickModule(const json& modules, const std::string& top, std::string& name, std::string& why) {
  if (!top.empty()) {
    if (const json* m = member(modules, top.c_str())) {
      name = top;
      return m;
    }
    why = "has no module '" + top + "'";
    return nullptr;
  }
  const json* found = nullptr;
  for (auto it = modules.begin(); it != modules.end(); ++it) {
    const json* attrs = member(it.value(), "attributes");
    const json* mark = attrs ? member(*attrs, "top") : nullptr;
    if (mark || modules.size() == 1) {
      name = it.key();
      found = &it.value();
      if (mark) break;
    }
  }
  if (!found) why = "has several modules and none is marked top (use --top)";
  return found;
}

}  // namespace

int gateInputCount(GateKind k) {
  switch (k) {
    case GateKind::Not:
    case GateKind::Buf: return 1;
    case GateKind::Mux: return 3;
    default: return 2;
  }
}

const char* gatePinName(int p) {
  static constexpr const char* names[] = {"A", "B", "S", "Y"};
  return p >= 0 && p < 4 ? names[p] : "?";
}

bool readGateNetlist(const std::string& text, const std::string& source, const std::string& top,
                     GateNetlist& out, std::vector<std::string>& problems) {
  const size_t before = problems.size();
  out = GateNetlist{};
  json doc = json::parse(text, nullptr, false);
  const json* modules = doc.is_discarded() ? nullptr : member(doc, "modules");
  if (!modules || !modules->is_object() || modules->empty()) {
    problems.push_back(source + ": not a Yosys JSON netlist with modules");
    return false;
  }
  std::string why;
  const json* module = pickModule(*modules, top, out.module, why);
  if (!module) {
    problems.push_back(source + ": the netlist " + why);
    return false;
  }
  Reader(source, out, problems).read(*module);
  return problems.size() == before;
}
