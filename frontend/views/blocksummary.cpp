#include "views/blocksummary.h"

#include <QHash>

#include <algorithm>

#include "views/circuitgraph.h"

QString BlockAtDepth(const QString& block, int depth) {
  if (depth <= 0 || block.isEmpty()) return {};
  qsizetype at = -1;
  for (int level = 0; level < depth; ++level) {
    at = block.indexOf(u'.', at + 1);
    if (at < 0) return block;
  }
  return block.left(at);
}

int HierarchyDepth(const CircuitResult& circuit) {
  int deepest = 0;
  for (const auto& item : circuit.items)
    if (!item.block.isEmpty()) deepest = std::max(deepest, int(item.block.count(u'.')) + 1);
  return deepest;
}

QStringList BlocksAtDepth(const CircuitResult& circuit, int depth) {
  QSet<QString> seen;
  for (const auto& item : circuit.items)
    if (const QString block = BlockAtDepth(item.block, depth); !block.isEmpty()) seen.insert(block);
  QStringList blocks(seen.begin(), seen.end());
  blocks.sort();
  return blocks;
}

int FirstBranchingDepth(const CircuitResult& circuit) {
  const int deepest = HierarchyDepth(circuit);
  for (int depth = 1; depth <= deepest; ++depth)
    if (BlocksAtDepth(circuit, depth).size() >= 2) return depth;
  return 0;
}

QString BlockLabel(const QString& block, qsizetype items, int registers) {
  return QStringLiteral("%1\n%2 item%3, %4 register%5")
      .arg(block)
      .arg(items)
      .arg(items == 1 ? "" : "s")
      .arg(registers)
      .arg(registers == 1 ? "" : "s");
}

namespace {

// The block node an item at `block` belongs to: its block at `depth`, one
// level deeper for every expanded block on the way; empty when the item
// shows on its own (top level, or directly inside an expanded block).
QString groupOf(const QString& block, int depth, const QSet<QString>& expanded) {
  QString group = BlockAtDepth(block, depth);
  while (!group.isEmpty() && expanded.contains(group)) {
    if (group == block) return {};
    group = BlockAtDepth(block, int(group.count(u'.')) + 2);
  }
  return group;
}

// Builds the nodes and remembers the node of every item and primary port.
class BlockNodes {
 public:
  BlockNodes(const CircuitResult& circuit, SummaryGraph& out) : circuit_(circuit), out_(out) {}

  void add(int depth, const QSet<QString>& expanded) {
    QHash<QString, int> loopOf;
    for (std::size_t l = 0; l < circuit_.loops.size(); ++l)
      for (const auto& r : circuit_.loops[l].registers) loopOf.insert(r, static_cast<int>(l));
    QHash<QString, int> blockNode;
    for (const auto& item : circuit_.items) {
      if (item.kind == u"CIRCUIT") {
        addPorts(item);
        continue;
      }
      const QString group = groupOf(item.block, depth, expanded);
      if (item.block.isEmpty() && !IsRegisterKind(item.kind)) {
        nodeOf_.insert(item.name, kTraced);
        continue;
      }
      if (group.isEmpty()) {
        nodeOf_.insert(item.name, static_cast<int>(out_.nodes.size()));
        out_.nodes.push_back({item.name, item.kind, {item.name}, loopOf.value(item.name, -1), false});
        continue;
      }
      auto found = blockNode.find(group);
      if (found == blockNode.end()) {
        found = blockNode.insert(group, static_cast<int>(out_.nodes.size()));
        out_.nodes.push_back({group, QStringLiteral("BLOCK"), {}, -1, false});
      }
      SummaryNode& node = out_.nodes[*found];
      node.members << item.name;
      node.registers += IsRegisterKind(item.kind) ? 1 : 0;
      nodeOf_.insert(item.name, *found);
    }
  }

  // Top-level combinational items are no nodes: edges are traced through them.
  static constexpr int kTraced = -2;

  // The node of a wire's end "item.port" (a primary port's own node),
  // kTraced, or -1 for an unknown item.
  int nodeOfPort(const QString& port) const {
    const int own = nodeOf_.value(port, -1);
    return own != -1 ? own : nodeOf_.value(ItemOfComposedPort(port), -1);
  }

 private:
  void addPorts(const CircuitItem& item) {
    for (const auto& p : item.ports) {
      if (IsScanPortName(p.name)) continue;
      const QString name = item.name + u'.' + p.name;
      nodeOf_.insert(name, static_cast<int>(out_.nodes.size()));
      out_.nodes.push_back({name, QStringLiteral("PORT"), {}, -1, p.type != u"out" && p.type != u"inout"});
    }
  }

  const CircuitResult& circuit_;
  SummaryGraph& out_;
  QHash<QString, int> nodeOf_;  // item name or composed primary port -> node
};

}  // namespace

namespace {

// The data wires between the ends of links: every end a vertex (an item or
// a primary port) with the node it belongs to; clock and scan wires carry
// no data between blocks and are left out, as are the paths inside an item.
struct WireGraph {
  QHash<QString, int> vertex;
  std::vector<int> node;                // per vertex: its node, or BlockNodes::kTraced
  std::vector<std::vector<int>> succ;  // one entry per wire

  int vertexOf(const QString& end, int nodeOfEnd, bool primary) {
    const QString key = primary ? end : ItemOfComposedPort(end);
    auto found = vertex.find(key);
    if (found != vertex.end()) return *found;
    node.push_back(nodeOfEnd);
    succ.emplace_back();
    return *vertex.insert(key, static_cast<int>(node.size()) - 1);
  }
};

WireGraph wireGraph(const CircuitResult& circuit, const BlockNodes& nodes) {
  QHash<QString, QString> sinkType;
  QSet<QString> primaryPorts;
  for (const auto& item : circuit.items)
    for (const auto& p : item.ports) {
      sinkType.insert(item.name + u'.' + p.name, p.type);
      if (item.kind == u"CIRCUIT") primaryPorts.insert(item.name + u'.' + p.name);
    }
  WireGraph g;
  for (const auto& link : circuit.links) {
    if (IsScanPortName(PortOfComposedPort(link.from)) || IsScanPortName(PortOfComposedPort(link.to))) continue;
    if (sinkType.value(link.to) == u"clk") continue;
    const int fromNode = nodes.nodeOfPort(link.from), toNode = nodes.nodeOfPort(link.to);
    if (fromNode == -1 || toNode == -1) continue;
    const int from = g.vertexOf(link.from, fromNode, primaryPorts.contains(link.from));
    const int to = g.vertexOf(link.to, toNode, primaryPorts.contains(link.to));
    if (from != to) g.succ[from].push_back(to);
  }
  return g;
}

}  // namespace

SummaryGraph SummariseBlocks(const CircuitResult& circuit, int depth, const QSet<QString>& expanded) {
  SummaryGraph out;
  BlockNodes nodes(circuit, out);
  nodes.add(std::max(depth, 1), expanded);
  const WireGraph g = wireGraph(circuit, nodes);
  // From every vertex of a node, forward through the traced top-level items
  // to the vertices of other nodes; every wire arriving there counts.
  QHash<quint64, int> edgeOf;
  std::vector<int> mark(g.node.size(), -1), todo;
  for (std::size_t s = 0; s < g.node.size(); ++s) {
    const int from = g.node[s];
    if (from < 0) continue;
    todo.assign(g.succ[s].begin(), g.succ[s].end());
    while (!todo.empty()) {
      const int v = todo.back();
      todo.pop_back();
      const int to = g.node[static_cast<std::size_t>(v)];
      if (to < 0) {
        if (mark[v] == static_cast<int>(s)) continue;
        mark[v] = static_cast<int>(s);
        todo.insert(todo.end(), g.succ[v].begin(), g.succ[v].end());
        continue;
      }
      if (to == from) continue;
      const quint64 key = (quint64(quint32(from)) << 32) | quint32(to);
      auto found = edgeOf.find(key);
      if (found == edgeOf.end()) {
        found = edgeOf.insert(key, static_cast<int>(out.edges.size()));
        out.edges.emplace_back(from, to);
        out.connections.push_back(0);
      }
      ++out.connections[*found];
    }
  }
  return out;
}
