#include "circuitgraph.h"

#include <algorithm>

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
  regOfItem_.assign(n, -1);
  for (std::size_t i = 0; i < n; ++i) {
    const auto& item = circuit.items[i];
    itemIndex_.insert(item.name, static_cast<int>(i));
    isRegister_[i] = IsRegisterKind(item.kind);
    if (isRegister_[i]) {
      regOfItem_[i] = static_cast<int>(registers_.size());
      registers_ << item.name;
    }
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
  regSucc_.resize(registers_.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!isRegister_[i]) continue;
    std::vector<bool> seen(n, false);
    std::vector<int> todo(succ_[i].begin(), succ_[i].end());
    auto& out = regSucc_[regOfItem_[i]];
    while (!todo.empty()) {
      const int k = todo.back();
      todo.pop_back();
      if (seen[k]) continue;
      seen[k] = true;
      if (isRegister_[k]) {
        out.push_back(regOfItem_[k]);
        continue;
      }
      todo.insert(todo.end(), succ_[k].begin(), succ_[k].end());
    }
    std::sort(out.begin(), out.end());
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

QStringList CircuitGraph::loopBreakingRegisters() const {
  const int r = static_cast<int>(registers_.size());
  std::vector<bool> scanned(r, false);
  auto conOf = [&](int k) {
    const auto* figures = circuit_.reg(registers_[k]);
    return figures ? figures->con : 0.0;
  };
  for (;;) {
    // Strongly connected components among the unscanned registers
    // (Tarjan's algorithm with an explicit stack: no recursion however long
    // a chain of registers is).
    std::vector<int> index(r, -1), low(r, 0), comp(r, -1), stack;
    std::vector<bool> onStack(r, false);
    std::vector<std::pair<int, std::size_t>> calls;  // register, next successor to look at
    int counter = 0, comps = 0;
    for (int root = 0; root < r; ++root) {
      if (scanned[root] || index[root] >= 0) continue;
      calls.emplace_back(root, 0);
      while (!calls.empty()) {
        auto& [v, next] = calls.back();
        if (next == 0 && index[v] < 0) {
          index[v] = low[v] = counter++;
          stack.push_back(v);
          onStack[v] = true;
        }
        if (next < regSucc_[v].size()) {
          const int w = regSucc_[v][next++];
          if (scanned[w]) continue;
          if (index[w] < 0)
            calls.emplace_back(w, 0);
          else if (onStack[w])
            low[v] = std::min(low[v], index[w]);
          continue;
        }
        const int done = v;
        calls.pop_back();
        if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[done]);
        if (low[done] != index[done]) continue;
        for (int w = -1; w != done;) {
          w = stack.back();
          stack.pop_back();
          onStack[w] = false;
          comp[w] = comps;
        }
        ++comps;
      }
    }
    // Edges inside each register's component; a cycle exists where any is found.
    std::vector<int> weight(r, 0);
    bool cyclic = false;
    for (int v = 0; v < r; ++v) {
      if (scanned[v]) continue;
      for (int w : regSucc_[v]) {
        if (scanned[w] || comp[w] != comp[v]) continue;
        ++weight[v];
        ++weight[w];
        cyclic = true;
      }
    }
    if (!cyclic) break;
    int best = -1;
    for (int v = 0; v < r; ++v) {
      if (weight[v] == 0) continue;
      if (best < 0 || weight[v] > weight[best] || (weight[v] == weight[best] && conOf(v) < conOf(best))) best = v;
    }
    scanned[best] = true;
  }
  QStringList out;
  for (int v = 0; v < r; ++v)
    if (scanned[v]) out << registers_[v];
  return out;
}
