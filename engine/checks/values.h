// Three-valued constants of the net bits: what the netlist's constants and
// the pins held in test mode fix, propagated through the combinational
// cells; and what each output bit of a cell follows under them.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "checks/design.h"

enum class Tri : unsigned char { Zero, One, X };

class BitValues {
 public:
  // The values the netlist's constants and the `held` bits (bit, value) force.
  BitValues(const CheckDesign& d, const std::vector<std::pair<NetBit, bool>>& held);
  // The value of a bit or constant (z counts as unknown).
  Tri operator[](NetBit b) const;

 private:
  void settle(const CheckDesign& d);
  std::vector<Tri> values;
};

// The bit an operand pin ("A", "B") gives to output bit k: extended by its
// sign or with 0 beyond its width, as yosys's word-level cells extend.
NetBit operandBit(const NetCell& c, const char* pin, size_t k);

// The value of output bit k of a combinational cell under `v` (X when unknown).
Tri evaluateBit(const CheckDesign& d, int cell, size_t k, const BitValues& v);

struct FollowedBit {
  NetBit bit = kBitX;
  bool inverted = false;
};

// The one input bit that output bit k of a combinational cell copies or
// inverts under `v` (the other inputs fixed so that it does); nothing when
// the cell is not a buffer or an inverter of one bit there.
std::optional<FollowedBit> followedInput(const CheckDesign& d, int cell, size_t k, const BitValues& v);

// Appends the input bits that output bit k of a combinational cell depends
// on under `v`: bit k of each operand of a bitwise cell (one side of a
// multiplexer whose select is known), every unknown input bit of the others.
void relevantInputs(const CheckDesign& d, int cell, size_t k, const BitValues& v, std::vector<NetBit>& out);
