// Word-level names in the gate-level netlist: the flip-flops of a register
// (those driving the bits of the net it is named after) and the primary ports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "faultsim/netlist.h"

// `raw` written as the importer writes names: letters, digits and '_' only,
// runs of other characters as one '_', "SCAN" as "Scan", never a leading digit.
std::string wordLevelName(std::string_view raw);

// Finds the flip-flops of word-level registers in one gate-level netlist.
// A register's bit is the Q of a flip-flop, or, when the register has an
// asynchronous set or reset, the output of the few gates the gate-level
// mapping puts after that flip-flop to model it (a multiplexer choosing the
// reset value, AND/OR gates for set and clear); the flip-flop behind them is
// the register's storage and the one scan loads.
class RegisterFlops {
 public:
  // Indexes the flip-flop outputs and gate drivers of `n`, which must outlive this.
  explicit RegisterFlops(const GateNetlist& n);
  // The flip-flops of register `reg` (a net of that exact name first, else of
  // that name as the importer writes it), in netlist order; empty when none.
  std::vector<int> of(const std::string& reg) const;

 private:
  int flopBehind(int net, int depth) const;

  const GateNetlist& netlist;
  std::vector<int> flopOfNet;    // per net: the flip-flop whose Q it is, or -1
  std::vector<int> driverOfNet;  // per net: the gate driving it, or -1
};

// The flip-flops of the word-level register `reg` (see RegisterFlops::of).
std::vector<int> flopsOfRegister(const GateNetlist& n, const std::string& reg);

// Flags per flip-flop for the registers `regs`; the registers that have no
// flip-flop are added to `missing`.
std::vector<char> scanFlags(const GateNetlist& n, const std::vector<std::string>& regs,
                            std::vector<std::string>& missing);
