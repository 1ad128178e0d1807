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
  QString name;         // a register, "loop N" (1-based) or a primary port "circuit.port"
  QString kind;         // "REG", "SREG", "LOOP" or "PORT"
  QStringList members;  // the registers it stands for (the register itself, or the loop's)
  int loop = -1;        // the index of its loop in circuit.loops, or -1
  bool primaryInput = false;
};

struct SummaryGraph {
  std::vector<SummaryNode> nodes;
  std::vector<std::pair<int, int>> edges;  // node indices, driver first, no duplicates
};

// The name of the collapsed node of loop `index` (0-based): "loop 1", ...
QString LoopNodeName(int index);

// The summary of `circuit`; the loops whose indices are in `expanded` keep
// their registers as nodes of their own.
SummaryGraph SummariseRegisters(const CircuitResult& circuit, const QSet<int>& expanded);
