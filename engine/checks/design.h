// The netlist with what every rule looks up: each cell's operation and
// register kind, the drivers and readers of every net bit, and net names.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "checks/cellkinds.h"
#include "checks/netlist.h"

// One end of a net bit: pin `pin` of cell `cell`, bit `index` of it; a
// negative cell stands for the primary port `pin`.
struct BitEnd {
  int cell = -1;
  int pin = 0;
  int index = 0;
};

class CheckDesign {
 public:
  explicit CheckDesign(const CheckNetlist& netlist);

  const CheckNetlist& netlist() const { return n; }
  const NetCell& cell(int k) const { return n.cells[k]; }
  int cellCount() const { return static_cast<int>(n.cells.size()); }
  CellOp op(int k) const { return ops[k]; }
  // The register kind of cell k; null when it is no flip-flop or latch.
  const RegisterKind* registerKind(int k) const { return regs[k] ? &*regs[k] : nullptr; }

  // The cell outputs and primary inputs driving a net bit.
  std::span<const BitEnd> drivers(NetBit b) const { return span(driverStart, driverEnds, b); }
  // The cell inputs and primary outputs reading a net bit.
  std::span<const BitEnd> readers(NetBit b) const { return span(readerStart, readerEnds, b); }

  // The name of a net bit: "name" or "name[i]" by its narrowest named net; "" when it has none.
  std::string bitName(NetBit b) const;
  // The name of the signal held in `bits` (a register's outputs): the named
  // net with exactly those bits (not a port when one is not), else the
  // narrowest named net of the first bit; "" when none.
  std::string signalName(const std::vector<NetBit>& bits) const;
  // How a cell is named in a message: its own name when it has one, else "TYPE at file.v:12".
  std::string cellLabel(int k) const;

 private:
  static std::span<const BitEnd> span(const std::vector<int>& start, const std::vector<BitEnd>& ends, NetBit b) {
    if (b < 0 || static_cast<size_t>(b) + 1 >= start.size()) return {};
    return {ends.data() + start[b], static_cast<size_t>(start[b + 1] - start[b])};
  }
  void indexEnds();
  void indexNames();

  const CheckNetlist& n;
  std::vector<CellOp> ops;
  std::vector<std::optional<RegisterKind>> regs;
  std::vector<int> driverStart, readerStart, nameStart;
  std::vector<BitEnd> driverEnds, readerEnds;
  std::vector<int> namesOfBit;  // visible names holding each bit, narrowest first
};
