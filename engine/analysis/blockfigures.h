// Testability by block of a flattened design: the figures of the last
// analysis summed over the items each top-level instance (or each instance at
// a chosen depth) was flattened out of, and over the instances of each module type.
#pragma once

#include <string>
#include <vector>

class Circuit;

// The figures of one block (or of one module type, over its instances).
struct BlockFigures {
  std::string name;    // instance path, or module type
  std::string module;  // module type of the instance ("" when unknown); the type itself for a type row
  int instances = 0;   // instances summed (1 for an instance row)
  int items = 0;
  int registers = 0;
  double con = 0.0, obs = 0.0, tst = 0.0;  // means over the data ports
  long bits = 0;             // data port bits
  long untestableBits = 0;   // of them, bits not both controllable and observable
  double untestablePercent = 0.0;
};

// The block tables of a circuit at one depth.
struct BlockTables {
  int depth = 1;
  std::vector<BlockFigures> instances;  // by instance path in natural order (u2 before u10); the top module's own items first, named "(top)"
  std::vector<BlockFigures> modules;    // by module type (instances of unknown type left out)
};

// Name of the row of the items that belong to no instance at the depth.
inline constexpr const char* kTopBlockName = "(top)";

// The figures by block of `c` as last analysed, grouping each item's
// instance path by its first `depth` instance names. A bit counts as
// controllable (observable) when its value is above `threshold`.
BlockTables blockTables(const Circuit& c, int depth, double threshold);
