#include "views/circuitgraph.h"

bool IsRegisterKind(const QString& kind) { return kind == u"REG" || kind == u"SREG"; }

bool IsScanPortName(const QString& port) { return port.contains(QLatin1String("SCAN")); }

QString ItemOfComposedPort(const QString& port) {
  const qsizetype dot = port.lastIndexOf(u'.');
  return dot < 0 ? QString() : port.left(dot);
}

QString PortOfComposedPort(const QString& port) { return port.mid(port.lastIndexOf(u'.') + 1); }

namespace {

// The type of port `name` of `item`, or an empty text when it has none.
QString portType(const CircuitItem& item, const QString& name) {
  for (const auto& p : item.ports)
    if (p.name == name) return p.type;
  return {};
}

}  // namespace

CircuitGraph::CircuitGraph(const CircuitResult& circuit) : circuit_(circuit) {
  const auto n = circuit.items.size();
  succ_.resize(n);
  pred_.resize(n);
  isRegister_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto& item = circuit.items[i];
    itemIndex_.insert(item.name, static_cast<int>(i));
    isRegister_[i] = IsRegisterKind(item.kind);
  }
  for (const auto& link : circuit.links) {
    const int from = itemIndex_.value(ItemOfComposedPort(link.from), -1);
    const int to = itemIndex_.value(ItemOfComposedPort(link.to), -1);
    // Paths inside an item (input to output) are no wires.
    const bool data = from >= 0 && to >= 0 && from != to && circuit.items[to].kind != u"CIRCUIT" &&
                      circuit.items[from].kind != u"CIRCUIT" && !IsScanPortName(PortOfComposedPort(link.from)) &&
                      !IsScanPortName(PortOfComposedPort(link.to)) &&
                      portType(circuit.items[to], PortOfComposedPort(link.to)) != u"clk";
    linkEnds_.emplace_back(data ? from : -1, data ? to : -1);
    if (!data) continue;
    succ_[from].push_back(to);
    pred_[to].push_back(from);
  }
}

std::vector<bool> CircuitGraph::reach(const std::vector<int>& start, bool forward) const {
  std::vector<bool> seen(circuit_.items.size(), false);
  std::vector<int> todo;
  for (int s : start) {
    const auto& next = forward ? succ_[s] : pred_[s];
    todo.insert(todo.end(), next.begin(), next.end());
  }
  while (!todo.empty()) {
    const int k = todo.back();
    todo.pop_back();
    if (seen[k]) continue;
    seen[k] = true;
    if (isRegister_[k]) continue;  // paths end at the next register
    const auto& next = forward ? succ_[k] : pred_[k];
    todo.insert(todo.end(), next.begin(), next.end());
  }
  return seen;
}

std::vector<int> CircuitGraph::loopWires(const QStringList& loop) const {
  std::vector<int> members;
  std::vector<bool> inLoop(circuit_.items.size(), false);
  for (const auto& name : loop) {
    const int i = itemIndex_.value(name, -1);
    if (i < 0 || !isRegister_[i]) continue;
    members.push_back(i);
    inLoop[i] = true;
  }
  const auto ahead = reach(members, true), behind = reach(members, false);
  auto onLoop = [&](int i) { return isRegister_[i] ? inLoop[i] : ahead[i] && behind[i]; };
  std::vector<int> wires;
  for (std::size_t l = 0; l < linkEnds_.size(); ++l) {
    const auto [from, to] = linkEnds_[l];
    if (from >= 0 && onLoop(from) && onLoop(to)) wires.push_back(static_cast<int>(l));
  }
  return wires;
}
