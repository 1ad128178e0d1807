// The summary of a circuit by the blocks of its hierarchy: every block at a
// chosen depth collapsed into one node (unless expanded, then its sub-blocks
// and its own items show), the top-level registers and the primary ports
// nodes of their own, and one edge per pair of nodes joined by a wire or
// through top-level combinational items only, counting the wires arriving. The blocks come from NAME.json ("block" of each
// item). Pure data, no widgets.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include "enginelink/resultjson.h"
#include "views/registersummary.h"

// The first `depth` levels of the block path `block` ("u_core.u_alu" at 1 is
// "u_core"); the path itself when it is shallower, empty for the top level.
QString BlockAtDepth(const QString& block, int depth);
// The deepest level of the circuit's hierarchy (0 when every item is at the top).
int HierarchyDepth(const CircuitResult& circuit);
// The blocks at `depth` (see BlockAtDepth) that hold items, sorted by name.
QStringList BlocksAtDepth(const CircuitResult& circuit, int depth);
// The first depth with at least two blocks, where a block summary tells
// something; 0 when there is none.
int FirstBranchingDepth(const CircuitResult& circuit);

// The block summary of `circuit` at `depth` (1 or more); the blocks named in
// `expanded` show their sub-blocks (one level deeper) and their own items.
SummaryGraph SummariseBlocks(const CircuitResult& circuit, int depth, const QSet<QString>& expanded);

// The two lines a collapsed block shows: its path, and its items and registers.
QString BlockLabel(const QString& block, qsizetype items, int registers);
