// RST-1 and RST-2: each asynchronous control must be held off, or driven
// from primary inputs only, under the test-mode values; each flip-flop
// should have some way to a known value.
#include <unordered_map>
#include <unordered_set>

#include "checks/rules.h"

namespace {

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// Where the logic cone of a net bit starts: primary inputs only, or the first other source.
struct ConeSource {
  bool pinsOnly = true;
  std::string what;  // the other source, in words
};

// Sources of the cones of net bits under the test-mode values, memoized:
// many registers share one reset net.
class ConeSources {
 public:
  ConeSources(const CheckDesign& d, const BitValues& v) : design(d), values(v), state(d.netlist().nets, 0), found(d.netlist().nets) {}

  const ConeSource& of(NetBit root) {
    if (state[root] == 2) return found[root];
    std::vector<std::pair<NetBit, size_t>> stack{{root, 0}};
    state[root] = 1;
    std::vector<NetBit> inputs;
    while (!stack.empty()) {
      auto& [b, next] = stack.back();
      if (next == 0) expand(b);
      const std::vector<NetBit>& succ = successors[b];
      if (next < succ.size()) {
        const NetBit s = succ[next++];
        if (state[s] == 0) {
          state[s] = 1;
          stack.push_back({s, 0});
        } else if (state[s] == 2 && !found[s].pinsOnly && found[b].pinsOnly) {
          found[b] = found[s];
        }
        continue;
      }
      state[b] = 2;
      successors.erase(b);
      const NetBit done = b;
      stack.pop_back();
      if (!stack.empty() && !found[done].pinsOnly && found[stack.back().first].pinsOnly)
        found[stack.back().first] = found[done];
    }
    return found[root];
  }

 private:
  // Finds the inputs a bit depends on, or records its source when it has none.
  void expand(NetBit b) {
    std::vector<NetBit>& succ = successors[b];
    if (values[b] != Tri::X) return;
    const auto drivers = design.drivers(b);
    if (drivers.empty()) return fail(b, "undriven net " + quoted(design.bitName(b)));
    const BitEnd& e = drivers[0];
    if (e.cell < 0) return;
    const CellOp op = design.op(e.cell);
    if (op == CellOp::Register) {
      const std::string q = design.signalName(design.cell(e.cell).bits(design.cell(e.cell).pins[e.pin].name));
      return fail(b, "flip-flop " + quoted(q.empty() ? design.cellLabel(e.cell) : q));
    }
    if (op >= CellOp::Register) return fail(b, design.cellLabel(e.cell));
    relevantInputs(design, e.cell, static_cast<size_t>(e.index), values, succ);
  }

  void fail(NetBit b, std::string what) { found[b] = {false, std::move(what)}; }

  const CheckDesign& design;
  const BitValues& values;
  std::vector<unsigned char> state;  // 0 new, 1 open, 2 done
  std::vector<ConeSource> found;
  std::unordered_map<NetBit, std::vector<NetBit>> successors;
};

// What is wrong with one asynchronous control bit; "" when it is controllable.
std::string controlProblem(const BitValues& v, ConeSources& cones, NetBit b, bool activeHigh) {
  const Tri t = v[b];
  if (t != Tri::X) return (t == Tri::One) == activeHigh ? "is held active" + std::string(isConstantBit(b) ? "" : " in test mode") : "";
  if (isConstantBit(b)) return "is unknown (x)";
  const ConeSource& s = cones.of(b);
  if (s.pinsOnly) return "";
  return "comes from " + s.what + " (generated internally)";
}

// What an asynchronous control pin does, in a word.
const char* controlWord(const std::string& pin) {
  if (pin == "SET" || pin == "S") return "set";
  if (pin == "ALOAD" || pin == "L") return "load";
  return "reset";
}

// True when every data bit of a flip-flop reaches a constant through
// multiplexers: a synchronous reset or load of a known value.
bool hasSyncReset(const CheckDesign& d, int cell) {
  for (NetBit start : d.cell(cell).bits("D")) {
    std::vector<NetBit> work{start};
    std::unordered_set<NetBit> seen;
    bool found = false;
    while (!work.empty() && !found && seen.size() < 256) {
      const NetBit b = work.back();
      work.pop_back();
      if (b == kBit0 || b == kBit1) found = true;
      if (b < 0 || !seen.insert(b).second) continue;
      for (const BitEnd& e : d.drivers(b)) {
        const CellOp op = e.cell >= 0 ? d.op(e.cell) : CellOp::Other;
        if (op != CellOp::Mux && op != CellOp::Pmux) continue;
        const NetCell& m = d.cell(e.cell);
        const size_t w = m.bits("Y").size(), k = static_cast<size_t>(e.index);
        if (k < m.bits("A").size()) work.push_back(m.bits("A")[k]);
        for (size_t j = k; j < m.bits("B").size(); j += w ? w : 1) work.push_back(m.bits("B")[j]);
      }
    }
    if (!found) return false;
  }
  return true;
}

}  // namespace

void checkResets(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  ConeSources cones(d, ctx.test);
  for (int c = 0; c < d.cellCount(); ++c) {
    const RegisterKind* k = d.registerKind(c);
    if (!k || ctx.registerOf[c] < 0) continue;
    const CheckedRegister& r = ctx.report.registers[ctx.registerOf[c]];
    std::string problem;
    for (const AsyncControl& a : k->async) {
      for (NetBit b : d.cell(c).bits(a.pin)) {
        problem = controlProblem(ctx.test, cones, b, a.activeHigh);
        if (problem.empty()) continue;
        const std::string net = d.bitName(b);
        problem = std::string("Its asynchronous ") + controlWord(a.pin) + (net.empty() ? "" : " " + quoted(net)) + " (" + a.pin + ") " + problem;
        break;
      }
      if (!problem.empty()) break;
    }
    if (!problem.empty()) {
      ctx.add("RST-1", r.name, r.location,
              problem + ". In test mode it must be held off or driven from a pin: select a reset pin with a "
                        "test-mode multiplexer (and give the test-mode pin with --test-mode).",
              c);
    } else if (!k->latch && k->async.empty() && !k->syncReset && !hasSyncReset(d, c)) {
      ctx.add("RST-2", r.name, r.location,
              "It has neither reset nor scan, so it starts unknown: add a reset, or scan it.");
    }
  }
}
