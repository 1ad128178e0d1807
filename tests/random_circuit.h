// Reproducible random circuit descriptions for tests and benchmarks: adders,
// subtractors, multipliers, comparators, multiplexers and registers wired
// mostly forward (each input driven by an earlier output or a primary input),
// with a share of feedback links from later outputs, so that there are
// register loops, multiplexers that only semi-propagate and unreachable parts.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/model.h"
#include "test_diagnostics.h"

struct RandomCircuitOptions {
  int items = 100;
  std::uint64_t seed = 1;
  int feedbackPercent = 10;  // share of inputs driven from a later item
  int scanRegisterPercent = 0;  // share of registers declared as scan registers
  bool oddPorts = false;  // bidirectional ports, a register output wired to itself
};

// A generated circuit: the description's lines in a form that can be
// printed as a description or built directly.
struct GeneratedCircuit {
  struct PortDecl {
    std::string name;
    int bits;
    port_type type;
    const char* typeName;
  };
  struct ItemDecl {
    std::string name;
    item_type kind;
    const char* kindName;
    std::vector<PortDecl> ports;
  };
  std::string name;
  std::vector<PortDecl> primaryPorts;
  std::vector<ItemDecl> items;
  std::vector<std::pair<std::string, std::vector<std::string>>> links;  // composed names

  // The description text.
  std::string text() const {
    std::string t = "// generated circuit\nCIR " + name;
    auto ports = [&t](const std::vector<PortDecl>& list) {
      for (const PortDecl& p : list)
        t += " " + p.name + "(" + p.typeName + "," + std::to_string(p.bits) + ")";
    };
    ports(primaryPorts);
    t += "\n";
    for (const ItemDecl& i : items) {
      t += "ITM " + i.name + "(" + i.kindName + ")";
      ports(i.ports);
      t += "\n";
    }
    for (const auto& [from, to] : links) {
      t += "LINK " + from + " ->";
      for (const std::string& d : to) t += " " + d;
      t += "\n";
    }
    return t;
  }

  // The circuit the reader would build from text(), built directly.
  std::unique_ptr<Circuit> build() const {
    auto c = std::make_unique<Circuit>(name);
    std::unordered_map<std::string, Port*> byName;
    Item* holder = c->getIList();
    for (const PortDecl& p : primaryPorts) byName[name + "." + p.name] = holder->addPort(p.name, p.bits, p.type);
    for (const ItemDecl& d : items) {
      Item* i = c->addItem(d.name, d.kind);
      for (const PortDecl& p : d.ports) byName[d.name + "." + p.name] = i->addPort(p.name, p.bits, p.type);
      i->makeInnerIpaths(testDiagnostics());
    }
    for (const auto& [from, to] : links)
      for (const std::string& d : to) byName.at(from)->addToPort(byName.at(d));
    c->setOrigArea(c->getArea());
    c->setOrigNPIOs(c->getNPIOs());
    return c;
  }
};

// Generates a circuit.
inline GeneratedCircuit randomCircuit(const RandomCircuitOptions& o) {
  std::uint64_t state = o.seed * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E5ULL;
  auto next = [&state]() {  // splitmix64: the same sequence on every platform
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  };
  auto below = [&next](int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); };
  using Decl = GeneratedCircuit::PortDecl;
  auto in = [](std::string n, int bits) { return Decl{std::move(n), bits, IN, "in"}; };
  auto out = [](std::string n, int bits) { return Decl{std::move(n), bits, OUT, "out"}; };
  auto sel = [](std::string n) { return Decl{std::move(n), 1, CIN_SEL, "sel"}; };
  auto clk = [](std::string n) { return Decl{std::move(n), 1, CIN_CLK, "clk"}; };

  GeneratedCircuit g;
  g.name = "gen";
  const int n = o.items < 1 ? 1 : o.items;
  const int nIn = 2 + n / 40, nSel = 1 + n / 80, nOut = 1 + n / 40;
  g.primaryPorts.push_back(clk("clk"));
  std::vector<std::string> primaryIns;
  for (int k = 0; k < nIn; ++k) {
    g.primaryPorts.push_back(in("i" + std::to_string(k), 8));
    primaryIns.push_back("gen.i" + std::to_string(k));
  }
  for (int k = 0; k < nSel; ++k) g.primaryPorts.push_back(sel("s" + std::to_string(k)));
  for (int k = 0; k < nOut; ++k) g.primaryPorts.push_back(out("o" + std::to_string(k), 8));

  struct Sink {
    std::string port;
    int owner;  // index of the item
  };
  std::vector<std::string> outputs(static_cast<size_t>(n));  // the data output of each item
  std::vector<Sink> dataInputs;
  std::vector<std::string> selects, clocks;
  for (int k = 0; k < n; ++k) {
    const std::string name = "u" + std::to_string(k);
    const int width = below(8) == 0 ? 1 : 8;
    GeneratedCircuit::ItemDecl item{name, REG, "REG", {}};
    auto input = [&](const std::string& port, int bits) {
      item.ports.push_back(in(port, bits));
      dataInputs.push_back({name + "." + port, k});
    };
    const int roll = below(100);
    if (roll < 30) {
      const bool scan = below(100) < o.scanRegisterPercent;
      if (scan) item.kind = SREG, item.kindName = "SREG";
      input("d", width);
      item.ports.push_back(clk("clk"));
      clocks.push_back(name + ".clk");
      item.ports.push_back(out("q", width));
      if (scan) {
        input("SCAN_IN", 1);
        item.ports.push_back(sel("SCAN_MODE"));
        selects.push_back(name + ".SCAN_MODE");
        item.ports.push_back(out("SCAN_OUT", 1));
      }
    } else if (roll < 55) {
      item.kind = MUX, item.kindName = "MUX";
      const int ways = 2 + below(3);
      for (int d = 0; d < ways; ++d) input(std::string(1, static_cast<char>('a' + d)), width);
      for (int s = 0; s < (ways > 2 ? 2 : 1); ++s) {
        item.ports.push_back(sel("s" + std::to_string(s)));
        selects.push_back(name + ".s" + std::to_string(s));
      }
      item.ports.push_back(out("q", width));
    } else {
      static const item_type kinds[] = {ADD, SUB, MUL, COMP, DIV};
      static const char* const kindNames[] = {"ADD", "SUB", "MUL", "COMP", "DIV"};
      const int kind = below(5);
      item.kind = kinds[kind], item.kindName = kindNames[kind];
      input("a", width);
      input("b", width);
      if (o.oddPorts && below(10) == 0) item.ports.push_back(Decl{"io", width, INOUT, "inout"});
      item.ports.push_back(out("q", width));
    }
    g.items.push_back(std::move(item));
    outputs[static_cast<size_t>(k)] = name + ".q";
  }

  // Fan-out lists by source, in order of first use.
  std::map<std::string, size_t> slot;
  auto link = [&](const std::string& from, const std::string& to) {
    auto [it, added] = slot.try_emplace(from, g.links.size());
    if (added) g.links.push_back({from, {}});
    g.links[it->second].second.push_back(to);
  };
  for (const Sink& s : dataInputs) {
    const int roll = below(100);
    if (roll < 3) continue;  // left undriven
    if (roll < 3 + o.feedbackPercent && s.owner + 1 < n) {
      link(outputs[static_cast<size_t>(s.owner + 1 + below(n - s.owner - 1))], s.port);
    } else if (s.owner == 0 || below(100) < 15) {
      link(primaryIns[static_cast<size_t>(below(nIn))], s.port);
    } else {
      const int window = s.owner < 20 ? s.owner : 20;
      const int from = below(3) == 0 ? below(s.owner) : s.owner - 1 - below(window);
      link(outputs[static_cast<size_t>(from)], s.port);
    }
  }
  for (const std::string& s : selects) link("gen.s" + std::to_string(below(nSel)), s);
  for (const std::string& c : clocks)
    if (below(50) != 0) link("gen.clk", c);  // a few registers stay unclocked
  for (int k = 0; k < nOut; ++k) link(outputs[static_cast<size_t>(below(n))], "gen.o" + std::to_string(k));
  if (o.oddPorts && n > 1) {
    link("gen.i0", "gen.o0");  // a primary input straight to a primary output
    link(outputs[0], dataInputs[0].port);  // an item output back to its own input
    link(outputs[0], outputs[1]);  // an output driving another output
  }
  return g;
}
