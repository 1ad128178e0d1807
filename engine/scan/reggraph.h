// The register graph of a circuit: one vertex per layout register, an edge
// r -> s when a combinational path leads from r's output to s's input.
// Its strongly connected components are the circuit's feedback loops.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

class RegisterGraph {
 public:
  // Builds the graph of `c`'s layout registers (numbered as Circuit::getRegPtr
  // numbers them). Paths run through every item that is not sequential and stop
  // at registers and primary ports; the scan ports of an applied layout are ignored.
  explicit RegisterGraph(const Circuit& c);
  // A graph given directly by its successor lists (vertex names "r0", "r1", ...).
  explicit RegisterGraph(std::vector<std::vector<int>> successors);

  // Number of registers (vertices).
  int size() const { return static_cast<int>(succ.size()); }
  // Registers r feeds, ascending, each once (r itself for a self-loop).
  const std::vector<int>& successors(int r) const { return succ[static_cast<size_t>(r)]; }
  // True when r feeds itself directly.
  bool hasSelfLoop(int r) const;
  // Item name of register r.
  const std::string& name(int r) const { return names[static_cast<size_t>(r)]; }

 private:
  std::vector<std::vector<int>> succ;
  std::vector<std::string> names;
};

// Strongly connected components of the graph given by successor lists, each
// ascending; components listed by their smallest vertex.
std::vector<std::vector<int>> stronglyConnectedComponents(const std::vector<std::vector<int>>& succ);

// One feedback loop: a strongly connected component with a cycle (two or more
// registers, or one that feeds itself).
struct RegisterLoop {
  std::vector<int> registers;  // ascending
  bool broken = false;         // no cycle is left among its unscanned registers
};

// The loops of `g`; `scanned[r]` marks scan registers (may be empty: none scanned).
std::vector<RegisterLoop> registerLoops(const RegisterGraph& g, const std::vector<bool>& scanned = {});

// Per register: true when it lies on a cycle of the register graph.
std::vector<bool> registersInLoops(const RegisterGraph& g);

// True when some cycle of `g` avoids every register marked in `removed`
// (with `ignoreSelfLoops`, a register feeding only itself is no cycle).
bool hasCycleWithout(const RegisterGraph& g, const std::vector<bool>& removed, bool ignoreSelfLoops = false);
