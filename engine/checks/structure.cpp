// LAT-1, LOOP-1, TRI-1 and MEM-1: latches, combinational loops (strongly
// connected parts of the bit graph through combinational cells), tristate
// drivers and nets with several drivers, and memories.
#include <algorithm>
#include <map>
#include <set>

#include "checks/rules.h"

namespace {

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// The bit graph of the combinational cells: nodes are net bits and, for the
// cells that are not bitwise, one node per cell between its inputs and outputs.
struct LogicGraph {
  std::vector<int> start;  // successors of node v: succ[start[v] .. start[v+1])
  std::vector<int> succ;
  std::vector<int> cellOf;  // per node: the cell whose output it is, or -1
};

LogicGraph logicGraph(const CheckDesign& d, const BitValues& plain) {
  const int nets = d.netlist().nets;
  const int nodes = nets + d.cellCount();
  std::vector<std::pair<int, int>> edges;
  LogicGraph g;
  g.cellOf.assign(nodes, -1);
  std::vector<NetBit> inputs;
  for (int c = 0; c < d.cellCount(); ++c) {
    const CellOp op = d.op(c);
    if (op >= CellOp::Register) continue;
    const NetCell& cell = d.cell(c);
    const bool bitwise = isBitwise(op);
    if (!bitwise) {
      g.cellOf[nets + c] = c;
      inputs.clear();
      for (const NetPin& p : cell.pins)
        if (!p.output)
          for (NetBit b : p.bits)
            if (b >= 0) edges.push_back({b, nets + c});
    }
    for (const NetPin& p : cell.pins) {
      if (!p.output) continue;
      for (size_t k = 0; k < p.bits.size(); ++k) {
        const NetBit y = p.bits[k];
        if (y < 0) continue;
        g.cellOf[y] = c;
        if (!bitwise) {
          edges.push_back({nets + c, y});
          continue;
        }
        inputs.clear();
        relevantInputs(d, c, k, plain, inputs);
        for (NetBit b : inputs) edges.push_back({b, y});
      }
    }
  }
  g.start.assign(static_cast<size_t>(nodes) + 1, 0);
  for (const auto& e : edges) ++g.start[e.first + 1];
  for (int v = 0; v < nodes; ++v) g.start[v + 1] += g.start[v];
  g.succ.resize(edges.size());
  std::vector<int> next(g.start.begin(), g.start.end() - 1);
  for (const auto& e : edges) g.succ[next[e.first]++] = e.second;
  return g;
}

// Strongly connected components with a cycle (iterative Tarjan), each as its nodes.
std::vector<std::vector<int>> cycles(const LogicGraph& g) {
  const int n = static_cast<int>(g.start.size()) - 1;
  std::vector<int> index(n, -1), low(n, 0), stack;
  std::vector<char> onStack(n, 0);
  std::vector<std::vector<int>> found;
  int counter = 0;
  std::vector<std::pair<int, int>> call;  // node, next successor slot
  for (int root = 0; root < n; ++root) {
    if (index[root] >= 0 || g.start[root] == g.start[root + 1]) continue;
    call.push_back({root, g.start[root]});
    index[root] = low[root] = counter++;
    stack.push_back(root);
    onStack[root] = 1;
    while (!call.empty()) {
      auto& [v, slot] = call.back();
      if (slot < g.start[v + 1]) {
        const int w = g.succ[slot++];
        if (index[w] < 0) {
          index[w] = low[w] = counter++;
          stack.push_back(w);
          onStack[w] = 1;
          call.push_back({w, g.start[w]});
        } else if (onStack[w]) {
          low[v] = std::min(low[v], index[w]);
        }
        continue;
      }
      const int done = v;
      call.pop_back();
      if (!call.empty()) low[call.back().first] = std::min(low[call.back().first], low[done]);
      if (low[done] != index[done]) continue;
      std::vector<int> component;
      int w;
      do {
        w = stack.back();
        stack.pop_back();
        onStack[w] = 0;
        component.push_back(w);
      } while (w != done);
      const bool selfLoop = component.size() == 1 &&
                            std::find(g.succ.begin() + g.start[done], g.succ.begin() + g.start[done + 1], done) !=
                                g.succ.begin() + g.start[done + 1];
      if (component.size() > 1 || selfLoop) found.push_back(std::move(component));
    }
  }
  return found;
}

void checkLoops(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  const LogicGraph g = logicGraph(d, ctx.plain);
  for (const std::vector<int>& component : cycles(g)) {
    std::set<int> cells;
    std::string net;
    for (int v : component) {
      if (g.cellOf[v] >= 0) cells.insert(g.cellOf[v]);
      if (v < d.netlist().nets && net.empty()) net = d.bitName(v);
    }
    std::string list, location;
    for (int c : cells) {
      list += (list.empty() ? "" : ", ") + d.cellLabel(c);
      if (location.empty()) location = d.cell(c).origin;
    }
    ctx.add("LOOP-1", net.empty() ? "loop" : net, location,
            "A combinational loop runs through " + list +
                ". Its value is unknown in test; break it with a flip-flop or a test-mode gate.");
  }
}

void checkLatches(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  for (int c = 0; c < d.cellCount(); ++c) {
    const RegisterKind* k = d.registerKind(c);
    if (!k || !k->latch || ctx.registerOf[c] < 0) continue;
    const CheckedRegister& r = ctx.report.registers[ctx.registerOf[c]];
    ctx.add("LAT-1", r.name, r.location,
            "It is a latch: some path through its block leaves it unassigned. Scan needs flip-flops: assign it on "
            "every path (a default value) or make it a flip-flop.",
            c);
  }
}

bool hasConstant(const NetCell& c, NetBit constant) {
  for (const NetPin& p : c.pins)
    if (!p.output && std::find(p.bits.begin(), p.bits.end(), constant) != p.bits.end()) return true;
  return false;
}

void checkDrivers(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  for (int c = 0; c < d.cellCount(); ++c) {
    if (d.op(c) == CellOp::Memory) continue;
    if (d.op(c) == CellOp::Tribuf || hasConstant(d.cell(c), kBitZ)) {
      const std::string y = d.signalName(d.cell(c).bits("Y"));
      ctx.add("TRI-1", y.empty() ? d.cellLabel(c) : y, d.cell(c).origin,
              "A tristate driver (" + d.cellLabel(c) +
                  "): its value is unknown when no driver is on. Use a multiplexer inside the design, or keep "
                  "one driver on in test mode.");
    }
  }
  std::set<std::string> reported;
  for (NetBit b = 0; b < d.netlist().nets; ++b) {
    const auto drivers = d.drivers(b);
    if (drivers.size() < 2) continue;
    std::string net = d.bitName(b);
    const std::string base = net.substr(0, net.find('['));
    if (!reported.insert(base).second) continue;
    std::string location;
    for (const BitEnd& e : drivers)
      if (e.cell >= 0 && location.empty()) location = d.cell(e.cell).origin;
    ctx.add("TRI-1", base.empty() ? "net" : base, location,
            "Net " + quoted(net) + " has " + std::to_string(drivers.size()) +
                " drivers: they fight or float. Keep one driver, or combine them with a multiplexer.");
  }
}

void checkMemories(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  std::set<std::string> seen;
  std::set<std::string> written;
  for (int c = 0; c < d.cellCount(); ++c)
    if (d.op(c) == CellOp::Memory && (isMemoryWrite(d.cell(c).type) || d.cell(c).param("WR_PORTS", 0) > 0))
      written.insert(d.cell(c).paramText("MEMID"));
  // Memories yosys made from case tables have made-up names: the data read names them.
  auto nameOf = [&](const std::string& id, int cell, const std::string& location) {
    if (id.find('$') == std::string::npos) return id;
    const NetCell* c = cell >= 0 ? &d.cell(cell) : nullptr;
    const std::string data = c ? d.signalName(c->bits(c->pin("DATA") ? "DATA" : "RD_DATA")) : "";
    if (!data.empty()) return data;
    return location.empty() ? id : "memory at " + location;
  };
  auto report = [&](const std::string& id, const std::string& location, int cell) {
    if (id.empty() || !seen.insert(id).second) return;
    const bool rom = !written.count(id);
    ctx.add("MEM-1", nameOf(id, cell, location), location,
            rom ? "A read-only memory (a table): test its contents through its address; only the registers at its "
                  "outputs can be scanned."
                : "A memory: it needs its own test (memory BIST, or test through its ports); only the registers at "
                  "its outputs can be scanned.");
  };
  std::map<std::string, int> readPort;  // the first read port of each memory
  for (int c = 0; c < d.cellCount(); ++c)
    if (d.op(c) == CellOp::Memory && !isMemoryWrite(d.cell(c).type) && d.cell(c).type.rfind("$meminit", 0) != 0)
      readPort.emplace(d.cell(c).paramText("MEMID"), c);
  for (const NetMemory& m : d.netlist().memories) {
    const auto it = readPort.find(m.name);
    report(m.name, m.origin, it == readPort.end() ? -1 : it->second);
  }
  for (const auto& [id, c] : readPort) report(id, d.cell(c).origin, c);
}

}  // namespace

void checkStructure(RuleContext& ctx) {
  checkLatches(ctx);
  checkLoops(ctx);
  checkDrivers(ctx);
  checkMemories(ctx);
}
