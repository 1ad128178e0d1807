#include "scan/reggraph.h"

#include <algorithm>
#include <unordered_map>

#include "model/kinds.h"

namespace {

bool isSequential(item_type t) { return endsCombinationalPaths(t); }

// The ports of one item that a layout added (a scan-converted register's
// first three ports: scan output, scan input and scan mode).
int layoutPortCount(const Item& i) { return i.isScanConverted() ? 3 : 0; }

// The circuit's ports flattened for the path search.
struct PortTable {
  std::unordered_map<const Port*, int> id;
  std::vector<const Port*> ports;
  std::vector<int> owner;          // register number of the port's item, or -1
  std::vector<char> dataInput;     // a register's data input (an edge ends here)
  std::vector<char> stop;          // a path ends here (registers, primary ports, scan ports)
  std::vector<std::vector<int>> itemOutputs;  // per port of a combinational item: its item's outputs
};

}  // namespace

RegisterGraph::RegisterGraph(const Circuit& c) {
  std::vector<const Item*> regs;
  for (const Item* i = c.getIList(); i; i = i->getNext())
    if (i->isLayoutRegister()) regs.push_back(i);
  std::unordered_map<const Item*, int> regOf;
  for (size_t r = 0; r < regs.size(); ++r) regOf.emplace(regs[r], static_cast<int>(r));
  succ.assign(regs.size(), {});
  for (const Item* r : regs) names.push_back(r->getName());

  PortTable t;
  std::vector<std::vector<int>> outputsOf;  // per register: its data outputs
  outputsOf.assign(regs.size(), {});
  for (const Item* i = c.getIList(); i; i = i->getNext()) {
    const bool seq = isSequential(i->getType());
    const auto reg = regOf.find(i);
    const int regNo = reg == regOf.end() ? -1 : reg->second;
    std::vector<int> outs;
    std::vector<int> mine;
    int skip = layoutPortCount(*i);
    for (const Port* p = i->getPList(); p; p = p->getNext()) {
      const int k = static_cast<int>(t.ports.size());
      const bool scanPort = skip > 0;
      if (skip > 0) --skip;
      t.id.emplace(p, k);
      t.ports.push_back(p);
      t.owner.push_back(regNo);
      const port_type pt = p->getType();
      t.dataInput.push_back(regNo >= 0 && !scanPort && (pt == IN || pt == INOUT || pt == CIN_SEL));
      t.stop.push_back(seq || i->getType() == UUA || scanPort);
      mine.push_back(k);
      if (pt == OUT || pt == INOUT) outs.push_back(k);
      if (regNo >= 0 && !scanPort && (pt == OUT || pt == INOUT)) outputsOf[static_cast<size_t>(regNo)].push_back(k);
    }
    t.itemOutputs.resize(t.ports.size());
    if (!seq && i->getType() != UUA)
      for (int k : mine) t.itemOutputs[static_cast<size_t>(k)] = outs;
  }

  // Successors of a port: its links; an input of a combinational item
  // without inner paths (e.g. a select) reaches every output of its item.
  std::vector<int> seen(t.ports.size(), -1);
  std::vector<int> work;
  for (size_t r = 0; r < regs.size(); ++r) {
    const int src = static_cast<int>(r);
    std::vector<int>& out = succ[r];
    work.clear();
    auto visit = [&](int k) {
      if (seen[static_cast<size_t>(k)] == src) return;
      seen[static_cast<size_t>(k)] = src;
      if (t.dataInput[static_cast<size_t>(k)]) out.push_back(t.owner[static_cast<size_t>(k)]);
      if (!t.stop[static_cast<size_t>(k)]) work.push_back(k);
    };
    auto followLinks = [&](const Port* p) {
      for (const LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext()) {
        const auto to = t.id.find(l->getPort());
        if (to != t.id.end()) visit(to->second);
      }
    };
    for (int k : outputsOf[r]) followLinks(t.ports[static_cast<size_t>(k)]);
    while (!work.empty()) {
      const int k = work.back();
      work.pop_back();
      const Port* p = t.ports[static_cast<size_t>(k)];
      if (p->getLinkToPortPtr()) {
        followLinks(p);
      } else if (p->getType() != OUT) {
        for (int o : t.itemOutputs[static_cast<size_t>(k)])
          if (o != k) visit(o);
      }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
  }
}

RegisterGraph::RegisterGraph(std::vector<std::vector<int>> successors) : succ(std::move(successors)) {
  const int n = size();
  for (int r = 0; r < n; ++r) {
    std::vector<int>& s = succ[static_cast<size_t>(r)];
    s.erase(std::remove_if(s.begin(), s.end(), [n](int v) { return v < 0 || v >= n; }), s.end());
    std::sort(s.begin(), s.end());
    s.erase(std::unique(s.begin(), s.end()), s.end());
    // Appended, not "r" + text: that makes g++ 12 at -O3 warn falsely (-Wrestrict).
    std::string name(1, 'r');
    name += std::to_string(r);
    names.push_back(std::move(name));
  }
}

bool RegisterGraph::hasSelfLoop(int r) const {
  const std::vector<int>& s = successors(r);
  return std::binary_search(s.begin(), s.end(), r);
}

std::vector<std::vector<int>> stronglyConnectedComponents(const std::vector<std::vector<int>>& succ) {
  // Tarjan's algorithm with an explicit stack, so deep graphs cannot overflow the call stack.
  const int n = static_cast<int>(succ.size());
  std::vector<int> index(static_cast<size_t>(n), -1), low(static_cast<size_t>(n), 0);
  std::vector<char> onStack(static_cast<size_t>(n), 0);
  std::vector<int> stack;
  std::vector<std::pair<int, size_t>> calls;  // vertex, next successor to look at
  std::vector<std::vector<int>> comps;
  int counter = 0;
  for (int root = 0; root < n; ++root) {
    if (index[static_cast<size_t>(root)] >= 0) continue;
    calls.emplace_back(root, 0);
    while (!calls.empty()) {
      auto& [v, next] = calls.back();
      const auto uv = static_cast<size_t>(v);
      if (next == 0 && index[uv] < 0) {
        index[uv] = low[uv] = counter++;
        stack.push_back(v);
        onStack[uv] = 1;
      }
      const std::vector<int>& s = succ[uv];
      if (next < s.size()) {
        const int w = s[next++];
        if (w < 0 || w >= n) continue;
        const auto uw = static_cast<size_t>(w);
        if (index[uw] < 0) {
          calls.emplace_back(w, 0);
        } else if (onStack[uw]) {
          low[uv] = std::min(low[uv], index[uw]);
        }
        continue;
      }
      if (low[uv] == index[uv]) {
        std::vector<int> comp;
        int w = -1;
        do {
          w = stack.back();
          stack.pop_back();
          onStack[static_cast<size_t>(w)] = 0;
          comp.push_back(w);
        } while (w != v);
        std::sort(comp.begin(), comp.end());
        comps.push_back(std::move(comp));
      }
      const int done = v;
      calls.pop_back();
      if (!calls.empty()) {
        const auto up = static_cast<size_t>(calls.back().first);
        low[up] = std::min(low[up], low[static_cast<size_t>(done)]);
      }
    }
  }
  std::sort(comps.begin(), comps.end());
  return comps;
}

namespace {

std::vector<std::vector<int>> successorLists(const RegisterGraph& g) {
  std::vector<std::vector<int>> s;
  s.reserve(static_cast<size_t>(g.size()));
  for (int r = 0; r < g.size(); ++r) s.push_back(g.successors(r));
  return s;
}

bool isLoop(const RegisterGraph& g, const std::vector<int>& comp) {
  return comp.size() > 1 || (comp.size() == 1 && g.hasSelfLoop(comp[0]));
}

}  // namespace

bool hasCycleWithout(const RegisterGraph& g, const std::vector<bool>& removed, bool ignoreSelfLoops) {
  // Kahn's algorithm on the registers that remain: a cycle leaves some unremoved.
  const int n = g.size();
  auto gone = [&](int r) { return static_cast<size_t>(r) < removed.size() && removed[static_cast<size_t>(r)]; };
  std::vector<int> indeg(static_cast<size_t>(n), 0);
  int left = 0;
  for (int r = 0; r < n; ++r) {
    if (gone(r)) continue;
    ++left;
    for (int s : g.successors(r))
      if (!gone(s) && !(ignoreSelfLoops && s == r)) ++indeg[static_cast<size_t>(s)];
  }
  std::vector<int> ready;
  for (int r = 0; r < n; ++r)
    if (!gone(r) && indeg[static_cast<size_t>(r)] == 0) ready.push_back(r);
  while (!ready.empty()) {
    const int r = ready.back();
    ready.pop_back();
    --left;
    for (int s : g.successors(r))
      if (!gone(s) && !(ignoreSelfLoops && s == r) && --indeg[static_cast<size_t>(s)] == 0) ready.push_back(s);
  }
  return left > 0;
}

std::vector<RegisterLoop> registerLoops(const RegisterGraph& g, const std::vector<bool>& scanned) {
  std::vector<RegisterLoop> loops;
  const std::vector<std::vector<int>> all = successorLists(g);
  for (std::vector<int>& comp : stronglyConnectedComponents(all)) {
    if (!isLoop(g, comp)) continue;
    // The loop is broken when the unscanned part of the component is acyclic.
    std::vector<bool> outside(static_cast<size_t>(g.size()), true);
    for (int r : comp)
      outside[static_cast<size_t>(r)] = static_cast<size_t>(r) < scanned.size() && scanned[static_cast<size_t>(r)];
    RegisterLoop loop;
    loop.broken = !hasCycleWithout(g, outside);
    loop.registers = std::move(comp);
    loops.push_back(std::move(loop));
  }
  return loops;
}

std::vector<bool> registersInLoops(const RegisterGraph& g) {
  std::vector<bool> in(static_cast<size_t>(g.size()), false);
  for (const RegisterLoop& l : registerLoops(g))
    for (int r : l.registers) in[static_cast<size_t>(r)] = true;
  return in;
}
