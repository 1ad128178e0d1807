// Build-time constants and enums shared by the whole engine.
#pragma once

#include "base/measure_kind.h"

// Size of every name, token and notation buffer; a token holds at most
// MAX_STR_LEN - 1 characters.
inline constexpr int MAX_STR_LEN = 256;
// Separator between item name and port name in a composed port name.
inline constexpr char NAME_SEPARATOR = '.';
// Port names are stored composed: item name, separator, port name.
inline constexpr int COMPOSED_PORT_NAME = 1;
// Diagnostic build switch; selects the mode word of the start-up line.
inline constexpr bool DEBUG = false;

// Scan design techniques (bit flags).
inline constexpr int ORDERED_SCAN = 1;
inline constexpr int UNORDERED_SCAN = 2;
inline constexpr int TEST_POINT_INSERTION = 4;

enum item_type : int {
  UUA = 0,  // the circuit's own item, holder of the primary ports
  ADD,
  SUB,
  MUL,
  DIV,
  COMP,
  REG,
  MUX,
  SREG,
  BILBO,
  LFSR,
  // Word-level logic, shifts and read-only memories of imported designs.
  AND,     // bitwise and
  OR,      // bitwise or
  XOR,     // bitwise exclusive or / exclusive nor
  NOT,     // bitwise inversion
  LOGIC,   // logical and, or, not (one-bit result)
  REDUCE,  // reduction and, or, xor, bool (one-bit result)
  SHIFT,   // logical, arithmetic and indexed shifts
  ROM,     // read-only memory: address in, data out
  RAM,     // writable memory: write address, data and enable, per read port an address and data
  BBOX,    // black box: an instance of a module the design does not define
  I_UNKNOWN
};

enum port_type : int { IN = 0, OUT, INOUT, CIN_CLK, CIN_SEL, P_UNKNOWN };

// True for the control inputs (clock and select).
inline constexpr bool isControlInput(port_type t) { return t == CIN_CLK || t == CIN_SEL; }
