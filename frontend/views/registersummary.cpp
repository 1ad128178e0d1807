#include "views/registersummary.h"

#include <QHash>

#include "views/circuitgraph.h"

QString LoopNodeName(int index) { return QStringLiteral("loop %1").arg(index + 1); }

namespace {

// The item graph with each primary port a vertex of its own; clock and scan
// wires carry no data and are left out.
struct DataGraph {
  QHash<QString, int> vertex;  // item name or composed primary port -> vertex
  std::vector<QString> names;
  std::vector<bool> stops;  // registers and primary ports: where a trace ends
  std::vector<std::vector<int>> succ;

  int add(const QString& name, bool stop) {
    vertex.insert(name, static_cast<int>(names.size()));
    names.push_back(name);
    stops.push_back(stop);
    succ.emplace_back();
    return static_cast<int>(names.size()) - 1;
  }
};

DataGraph dataGraph(const CircuitResult& circuit) {
  DataGraph g;
  QHash<QString, QString> sinkType;  // composed port -> type
  QSet<QString> circuitItems;
  for (const auto& item : circuit.items) {
    for (const auto& p : item.ports) sinkType.insert(item.name + u'.' + p.name, p.type);
    if (item.kind == u"CIRCUIT") {
      circuitItems.insert(item.name);
      for (const auto& p : item.ports)
        if (!IsScanPortName(p.name)) g.add(item.name + u'.' + p.name, true);
    } else {
      g.add(item.name, IsRegisterKind(item.kind));
    }
  }
  auto vertexOf = [&](const QString& port) {
    const QString item = ItemOfComposedPort(port);
    return g.vertex.value(circuitItems.contains(item) ? port : item, -1);
  };
  for (const auto& link : circuit.links) {
    if (IsScanPortName(PortOfComposedPort(link.from)) || IsScanPortName(PortOfComposedPort(link.to))) continue;
    if (sinkType.value(link.to) == u"clk") continue;
    const int from = vertexOf(link.from), to = vertexOf(link.to);
    if (from >= 0 && to >= 0 && from != to) g.succ[from].push_back(to);
  }
  return g;
}

}  // namespace

SummaryGraph SummariseRegisters(const CircuitResult& circuit, const QSet<int>& expanded) {
  SummaryGraph out;
  const DataGraph g = dataGraph(circuit);
  std::vector<int> nodeOf(g.names.size(), -1);
  QHash<QString, int> loopOf;
  for (std::size_t l = 0; l < circuit.loops.size(); ++l)
    for (const auto& r : circuit.loops[l].registers) loopOf.insert(r, static_cast<int>(l));
  std::vector<int> loopNode(circuit.loops.size(), -1);
  for (const auto& item : circuit.items) {
    if (item.kind == u"CIRCUIT") {
      for (const auto& p : item.ports) {
        const QString name = item.name + u'.' + p.name;
        const int v = g.vertex.value(name, -1);
        if (v < 0) continue;
        nodeOf[v] = static_cast<int>(out.nodes.size());
        out.nodes.push_back({name, QStringLiteral("PORT"), {}, -1, p.type != u"out" && p.type != u"inout"});
      }
      continue;
    }
    if (!IsRegisterKind(item.kind)) continue;
    const int v = g.vertex.value(item.name);
    const int loop = loopOf.value(item.name, -1);
    if (loop >= 0 && !expanded.contains(loop)) {
      if (loopNode[loop] < 0) {
        loopNode[loop] = static_cast<int>(out.nodes.size());
        out.nodes.push_back({LoopNodeName(loop), QStringLiteral("LOOP"), circuit.loops[loop].registers, loop, false});
      }
      nodeOf[v] = loopNode[loop];
      continue;
    }
    nodeOf[v] = static_cast<int>(out.nodes.size());
    out.nodes.push_back({item.name, item.kind, {item.name}, loop, false});
  }
  // From every stop, forward through combinational items to the next stops.
  QSet<quint64> seenEdges;
  std::vector<int> mark(g.names.size(), -1), todo;
  for (std::size_t s = 0; s < g.names.size(); ++s) {
    if (nodeOf[s] < 0) continue;
    todo.assign(g.succ[s].begin(), g.succ[s].end());
    while (!todo.empty()) {
      const int v = todo.back();
      todo.pop_back();
      if (mark[v] == static_cast<int>(s)) continue;
      mark[v] = static_cast<int>(s);
      if (!g.stops[v]) {
        todo.insert(todo.end(), g.succ[v].begin(), g.succ[v].end());
        continue;
      }
      const int from = nodeOf[s], to = nodeOf[v];
      if (to < 0 || from == to) continue;
      const quint64 key = (quint64(quint32(from)) << 32) | quint32(to);
      if (seenEdges.contains(key)) continue;
      seenEdges.insert(key);
      out.edges.emplace_back(from, to);
    }
  }
  return out;
}
