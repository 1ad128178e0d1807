// Reproducible random circuit descriptions for tests and benchmarks: adders,
// subtractors, multipliers, comparators, multiplexers and registers wired
// mostly forward (each input driven by an earlier output or a primary input),
// with a share of feedback links from later outputs, so that there are
// register loops, multiplexers that only semi-propagate and unreachable parts.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct RandomCircuitOptions {
  int items = 100;
  std::uint64_t seed = 1;
  int feedbackPercent = 10;  // share of inputs driven from a later item
  int scanRegisterPercent = 0;  // share of registers declared as scan registers
  bool oddPorts = false;  // bidirectional ports, a register output wired to itself
};

// Generates the description text.
inline std::string randomCircuit(const RandomCircuitOptions& o) {
  std::uint64_t state = o.seed * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E5ULL;
  auto next = [&state]() {  // splitmix64: the same sequence on every platform
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  };
  auto below = [&next](int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); };

  const int n = o.items < 1 ? 1 : o.items;
  const int nIn = 2 + n / 40, nSel = 1 + n / 80, nOut = 1 + n / 40;
  std::string text = "// generated circuit\nCIR gen clk(clk,1)";
  std::vector<std::string> primaryIns;
  for (int k = 0; k < nIn; ++k) {
    text += " i" + std::to_string(k) + "(in,8)";
    primaryIns.push_back("gen.i" + std::to_string(k));
  }
  for (int k = 0; k < nSel; ++k) text += " s" + std::to_string(k) + "(sel,1)";
  for (int k = 0; k < nOut; ++k) text += " o" + std::to_string(k) + "(out,8)";
  text += "\n";

  struct Sink {
    std::string port;
    int owner;  // index of the item, -1 for a primary output
  };
  std::vector<std::string> outputs(static_cast<size_t>(n));  // the data output of each item
  std::vector<Sink> dataInputs;
  std::vector<std::string> selects, clocks;
  for (int k = 0; k < n; ++k) {
    const std::string name = "u" + std::to_string(k);
    const int width = below(8) == 0 ? 1 : 8;
    const std::string w = "," + std::to_string(width) + ")";
    const int roll = below(100);
    std::string line;
    if (roll < 30) {
      const bool scan = below(100) < o.scanRegisterPercent;
      line = "ITM " + name + (scan ? "(SREG)" : "(REG)") + " d(in" + w + " clk(clk,1) q(out" + w;
      if (scan) line += " SCAN_IN(in,1) SCAN_MODE(sel,1) SCAN_OUT(out,1)";
      dataInputs.push_back({name + ".d", k});
      clocks.push_back(name + ".clk");
      if (scan) {
        dataInputs.push_back({name + ".SCAN_IN", k});
        selects.push_back(name + ".SCAN_MODE");
      }
    } else if (roll < 55) {
      const int ways = 2 + below(3);
      line = "ITM " + name + "(MUX)";
      for (int d = 0; d < ways; ++d) {
        const std::string port = std::string(1, static_cast<char>('a' + d));
        line += " " + port + "(in" + w;
        dataInputs.push_back({name + "." + port, k});
      }
      for (int s = 0; s < (ways > 2 ? 2 : 1); ++s) {
        line += " s" + std::to_string(s) + "(sel,1)";
        selects.push_back(name + ".s" + std::to_string(s));
      }
      line += " q(out" + w;
    } else {
      static const char* const kinds[] = {"ADD", "SUB", "MUL", "COMP", "DIV"};
      line = "ITM " + name + "(" + kinds[below(5)] + ") a(in" + w + " b(in" + w;
      dataInputs.push_back({name + ".a", k});
      dataInputs.push_back({name + ".b", k});
      if (o.oddPorts && below(10) == 0) line += " io(inout" + w;
      line += " q(out" + w;
    }
    text += line + "\n";
    outputs[static_cast<size_t>(k)] = name + ".q";
  }

  // Fan-out lists by source, in order of first use.
  std::vector<std::string> order;
  std::map<std::string, std::vector<std::string>> fanout;
  auto link = [&](const std::string& from, const std::string& to) {
    auto& list = fanout[from];
    if (list.empty()) order.push_back(from);
    list.push_back(to);
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
  for (const std::string& from : order) {
    text += "LINK " + from + " ->";
    for (const std::string& to : fanout[from]) text += " " + to;
    text += "\n";
  }
  return text;
}
