// The summary of a circuit too large for its full schema: the register graph
// with every feedback loop the engine listed collapsed into one node (unless
// expanded), each primary port a node of its own, and an edge wherever data
// leaves one node and reaches the next one through combinational items only.
// The loops come from NAME.json; only the edges are traced here, for drawing.
// Pure data, no widgets.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

#include "enginelink/resultjson.h"

struct SummaryNode {
  QString name;         // a register, "loop N" (1-based), a primary port "circuit.port" or a block path
  QString kind;         // "REG", "SREG", "LOOP", "PORT", "BLOCK", or an item's kind in a block summary
  QStringList members;  // the registers it stands for (the register itself, or the loop's; a block's items)
  int loop = -1;        // the index of its loop in circuit.loops, or -1
  bool primaryInput = false;
  int registers = 0;    // a block: how many of its members are registers
};

struct SummaryGraph {
  std::vector<SummaryNode> nodes;
  std::vector<std::pair<int, int>> edges;  // node indices, driver first, no duplicates
  // Per edge, how many wires it stands for (empty: one each).
  std::vector<int> connections{};
};

// The name of the collapsed node of loop `index` (0-based): "loop 1", ...
QString LoopNodeName(int index);

// The summary of `circuit`; the loops whose indices are in `expanded` keep
// their registers as nodes of their own.
SummaryGraph SummariseRegisters(const CircuitResult& circuit, const QSet<int>& expanded);
