// Lays a circuit out with Graphviz's `dot` (a child process), left to right:
// every item a record with its inputs on the left and its outputs on the
// right, every primary port a node of its own, every link a spline between
// two ports. The result is plain geometry in scene coordinates (points, y
// growing downwards) for the schema view. Pure unit, no widgets.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

#include "enginelink/resultjson.h"
#include "views/layoutprogram.h"
#include "views/registersummary.h"

// A port as laid out: its box on the item and the point wires attach to.
struct LayoutPort {
  QString name;   // short name ("a", "q")
  QString type;   // as declared
  int bits = 0;
  bool input = true;  // drawn on the left side
  QRectF box;
  QPointF anchor;
};

// An item (or a primary port) as laid out.
struct LayoutNode {
  QString name;  // the item name, or "circuit.port" for a primary port
  QString kind;  // the item kind, or "PORT" for a primary port
  bool primary = false;
  QRectF rect;
  QRectF title;  // the box of the name between the port columns
  std::vector<LayoutPort> ports;
  QStringList members;  // summary nodes: the registers it stands for
  int loop = -1;        // summary nodes: the loop it is or belongs to
  int registers = 0;    // block nodes: how many of its members are registers

  // The port called `port`, or null.
  const LayoutPort* port(const QString& wanted) const;
};

// A wire: its link, the cubic Bezier points from the driver to the sink
// (p0, c1, c2, p1, c1, c2, p2, ...), and the tip of its arrow.
struct LayoutEdge {
  int link = -1;  // index into the circuit's links
  QString from, to;
  int bits = 1;
  std::vector<QPointF> path;
  QPointF tip;
  int connections = 1;  // block summary: the wires it stands for
};

struct GraphLayout {
  QRectF bounds;
  std::vector<LayoutNode> nodes;
  std::vector<LayoutEdge> edges;
  QStringList errors;  // what could not be laid out, each naming its place
  bool summary = false;  // the register or block summary rather than the full schema
  int blockDepth = 0;    // the block summary: the depth its blocks are collapsed to (0: not one)
  bool cancelled = false;  // stopped by its control before it ended
  int clockWiresLeftOut = 0;  // clock wires not drawn on a larger schema

  // The node called `name`, or null.
  const LayoutNode* node(const QString& name) const;
  // Index of the node called `name`, or -1.
  int nodeIndex(const QString& name) const;
};

// Lays `circuit` out. Scan ports are left out so that the schema stays the
// same with and without a scan layout, and so are the paths inside an item
// and, beyond 60 nodes, the clock wires;
// links naming an unknown item or port are reported in `errors` and left out.
// Graphviz's `dot` runs as a child process under `control`; safe from any thread.
GraphLayout LayoutCircuit(const CircuitResult& circuit, const LayoutControl& control = {});

// Lays the register (or block) summary out: left to right with `dot` while it is small,
// with the force-directed `sfdp` (which always finishes, its iterations
// bounded) beyond that. Plain boxes, straight or spline wires, no ports.
GraphLayout LayoutSummary(const SummaryGraph& summary, const LayoutControl& control = {});

// The number of schema items above which the summary is shown first: the
// full schema of larger circuits takes Graphviz from seconds to hours.
constexpr int kFullSchemaItemLimit = 300;

// True when `circuit` has more items than the full schema is drawn for.
bool NeedsSummary(const CircuitResult& circuit);

// The two lines a collapsed loop of the summary shows: its name and how many registers.
QString LoopLabel(const QString& name, qsizetype registers);
