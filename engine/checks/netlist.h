// A flattened Yosys netlist at bit level, as the scan-readiness checks see
// it: the top module's ports, cells with their pins and parameters, and the
// named nets, every bit numbered densely.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A connection bit: a net (0, 1, 2 ...) or a constant (negative).
using NetBit = int;
inline constexpr NetBit kBit0 = -1;
inline constexpr NetBit kBit1 = -2;
inline constexpr NetBit kBitX = -3;
inline constexpr NetBit kBitZ = -4;

// True when `b` is a constant, not a net.
inline bool isConstantBit(NetBit b) { return b < 0; }

struct NetPin {
  std::string name;
  bool output = false;
  std::vector<NetBit> bits;
};

struct NetCell {
  std::string name;    // as yosys names it ("$procdff$12", "u_core.state")
  std::string type;    // "$dff", "$and", ...; a module name for a black box
  std::string origin;  // "file.v:12", or ""
  std::vector<NetPin> pins;
  std::vector<std::pair<std::string, std::string>> params;  // binary digits or text, as written

  // The pin named `name`, or null.
  const NetPin* pin(std::string_view name) const;
  // The bits of pin `name`; empty when the cell has no such pin.
  const std::vector<NetBit>& bits(std::string_view name) const;
  // A parameter as a number (binary digits or decimal); `fallback` when absent or not a number.
  long param(std::string_view name, long fallback) const;
  // A parameter as text ("" when absent); a leading '\' of a yosys name is dropped.
  std::string paramText(std::string_view name) const;
};

enum class PortDirection { In, Out, InOut };

struct NetPort {
  std::string name;
  PortDirection direction = PortDirection::In;
  std::vector<NetBit> bits;
};

struct NetName {
  std::string name;
  std::vector<NetBit> bits;
  bool hidden = false;  // a name yosys made up
};

struct NetMemory {
  std::string name;
  std::string origin;
};

struct CheckNetlist {
  std::string source;  // the input, for messages
  std::string module;  // the top module
  std::vector<NetPort> ports;
  std::vector<NetCell> cells;
  std::vector<NetName> names;
  std::vector<NetMemory> memories;
  int nets = 0;  // nets are numbered 0 .. nets-1
};

// Reads the top module of a Yosys JSON netlist: `top`, else the module marked
// top, else the only one no other instantiates. What is wrong with the input
// goes to `problems` (one sentence each, naming the place); false when the
// netlist cannot be used.
bool readCheckNetlist(const std::string& json, const std::string& source, const std::string& top,
                      CheckNetlist& out, std::vector<std::string>& problems);

