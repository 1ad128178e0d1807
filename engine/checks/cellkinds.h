// What the checks need to know of each yosys cell type: flip-flops and
// latches with their clock and asynchronous controls, memories, and the
// operation of combinational cells.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks/netlist.h"

// An asynchronous control of a register: reset, set or load.
struct AsyncControl {
  std::string pin;
  bool activeHigh = true;
};

struct RegisterKind {
  bool latch = false;
  std::string clockPin;     // clock, or a latch's enable; "" for none (a latch of set and reset only)
  bool risingEdge = true;   // positive edge, or a latch enabled by 1
  std::vector<AsyncControl> async;
  bool syncReset = false;   // a synchronous reset
};

// The register kind of a cell, or nothing when it is not a flip-flop or latch.
std::optional<RegisterKind> registerKindOf(const NetCell& c);

// True for the cells of a memory ($mem, $memrd, $memwr, $meminit in their versions).
bool isMemoryCell(const std::string& type);
// True for a memory's write port (its inputs feed the memory, not logic).
bool isMemoryWrite(const std::string& type);

// Combinational operations the checks evaluate; Other is opaque.
enum class CellOp : unsigned char {
  Other, Buf, Not, And, Or, Xor, Xnor, Nand, Nor, AndNot, OrNot, Mux, NMux, Pmux,
  ReduceAnd, ReduceOr, ReduceXor, ReduceXnor, LogicNot, LogicAnd, LogicOr, Eq, Ne,
  Tribuf, Register, Memory, BlackBox,
};

// The operation of a cell (Register, Memory and BlackBox for what is not logic).
CellOp cellOpOf(const NetCell& c);

// True for operations whose output bit k reads only bit k of each operand.
bool isBitwise(CellOp op);
