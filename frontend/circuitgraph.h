// The circuit as a graph of items for the front end's views: the register
// graph (r -> s when a combinational path leads from r's output to s's
// input), the wires that form a feedback loop, and the registers to scan so
// that no loop remains. Pure data, no widgets.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

#include "resultjson.h"

// True for the kinds that hold state (plain and scan registers).
bool IsRegisterKind(const QString& kind);
// True for ports added by a scan layout (their name contains "SCAN").
bool IsScanPortName(const QString& port);
// The item of a composed port name "item.port" (the text before the last '.').
QString ItemOfComposedPort(const QString& port);
// The short port of a composed port name (the text after the last '.').
QString PortOfComposedPort(const QString& port);

class CircuitGraph {
 public:
  // Builds the graph of `circuit`'s items and links; scan ports and clock
  // inputs carry no data and are left out; links inside one item (its
  // internal paths) and links naming unknown items are skipped.
  explicit CircuitGraph(const CircuitResult& circuit);

  // The registers in declaration order.
  const QStringList& registers() const { return registers_; }
  // The registers that `reg` feeds through combinational items (sorted by
  // declaration order, itself included for a self-loop).
  std::vector<int> successors(int reg) const { return regSucc_[reg]; }
  // The indices into circuit.links of the wires on the cycles among `loop`.
  std::vector<int> loopWires(const QStringList& loop) const;
  // The registers to scan so that no cycle remains among the unscanned ones,
  // in declaration order: greedily, the register with the most edges inside
  // its component (then the lower controllability, then the first declared).
  QStringList loopBreakingRegisters() const;

 private:
  std::vector<bool> reach(const std::vector<int>& start, bool forward) const;

  const CircuitResult& circuit_;
  QStringList registers_;
  QHash<QString, int> itemIndex_;
  std::vector<bool> isRegister_;
  std::vector<std::vector<int>> succ_, pred_;  // item graph
  std::vector<std::pair<int, int>> linkEnds_;  // item indices per link, -1 = skipped
  std::vector<std::vector<int>> regSucc_;      // register graph (register indices)
  std::vector<int> regOfItem_;                 // register index per item, -1 otherwise
};
