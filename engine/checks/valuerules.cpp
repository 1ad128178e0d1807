// X-1 and CONST-1: undriven nets and constant X read by logic; flip-flops
// whose value never changes, and those no primary output can see.
#include <algorithm>
#include <set>

#include "checks/rules.h"

namespace {

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// True when every reader of a cell's outputs is a memory write port: yosys
// fills the data of a write that is off with x.
bool feedsOnlyMemoryWrites(const RuleContext& ctx, int cell) {
  const CheckDesign& d = ctx.design;
  bool any = false;
  for (const NetPin& p : d.cell(cell).pins) {
    if (!p.output) continue;
    for (NetBit b : p.bits)
      for (const BitEnd& r : d.readers(b)) {
        if (r.cell >= 0 && d.registerKind(r.cell) && ctx.registerOf[r.cell] < 0) continue;  // a leftover
        if (r.cell < 0 || !isMemoryWrite(d.cell(r.cell).type)) return false;
        any = true;
      }
  }
  return any;
}

// The value a case item compares its subject with, from the cell driving one
// select bit of a $pmux: an $eq of the subject and a constant, or a
// $logic_not (the subject is 0). False when the cell is neither.
bool caseItem(const CheckDesign& d, NetBit select, std::vector<NetBit>& subject, unsigned long& value) {
  const auto drivers = d.drivers(select);
  if (drivers.size() != 1 || drivers[0].cell < 0) return false;
  const NetCell& c = d.cell(drivers[0].cell);
  const CellOp op = d.op(drivers[0].cell);
  if (op == CellOp::LogicNot) {
    subject = c.bits("A");
    value = 0;
    return true;
  }
  if (op != CellOp::Eq || c.type == "$nex" || c.type == "$ne") return false;
  const std::vector<NetBit>& a = c.bits("A");
  const std::vector<NetBit>& b = c.bits("B");
  const bool aConstant = std::all_of(a.begin(), a.end(), isConstantBit);
  subject = aConstant ? b : a;
  const std::vector<NetBit>& constant = aConstant ? a : b;
  value = 0;
  for (size_t k = constant.size(); k-- > 0;) {
    if (constant[k] != kBit0 && constant[k] != kBit1) return false;
    value = value * 2 + (constant[k] == kBit1);
  }
  return constant.size() <= subject.size() || aConstant;
}

// True when the cases of a $pmux cover every value of their subject, so
// that its default (where yosys leaves the x of a dead branch) is never chosen.
bool fullCase(const CheckDesign& d, int cell) {
  const std::vector<NetBit>& s = d.cell(cell).bits("S");
  std::vector<NetBit> first, subject;
  std::set<unsigned long> values;
  for (NetBit b : s) {
    unsigned long value = 0;
    if (!caseItem(d, b, subject, value)) return false;
    if (first.empty()) first = subject;
    if (subject != first || std::any_of(subject.begin(), subject.end(), isConstantBit)) return false;
    values.insert(value);
  }
  return !first.empty() && first.size() < 20 && values.size() == (1UL << first.size());
}

// True when a cell reads a constant x only where it is never chosen.
bool deadX(const CheckDesign& d, int cell) {
  if (d.op(cell) != CellOp::Pmux || !fullCase(d, cell)) return false;
  for (const NetPin& p : d.cell(cell).pins)
    if (!p.output && p.name != "A" && std::find(p.bits.begin(), p.bits.end(), kBitX) != p.bits.end()) return false;
  return true;
}

void checkUndriven(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  std::set<std::string> reported;
  for (NetBit b = 0; b < d.netlist().nets; ++b) {
    const auto readers = d.readers(b);
    if (readers.empty() || !d.drivers(b).empty()) continue;
    const std::string net = d.bitName(b);
    const std::string base = net.substr(0, net.find('['));
    if (!reported.insert(base).second) continue;
    std::string location;
    for (const BitEnd& r : readers)
      if (r.cell >= 0 && location.empty()) location = d.cell(r.cell).origin;
    ctx.add("X-1", base.empty() ? "net" : base, location,
            "Net " + quoted(net) + " is undriven and read by logic: its value is unknown. Drive it, or tie it off.");
  }
}

void checkConstantX(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  for (int c = 0; c < d.cellCount(); ++c) {
    const NetCell& cell = d.cell(c);
    if (d.op(c) == CellOp::Memory) continue;
    const bool readsX = std::any_of(cell.pins.begin(), cell.pins.end(), [](const NetPin& p) {
      return !p.output && std::find(p.bits.begin(), p.bits.end(), kBitX) != p.bits.end();
    });
    if (!readsX || feedsOnlyMemoryWrites(ctx, c) || deadX(d, c)) continue;
    const std::string y = d.signalName(cell.bits(cell.pin("Q") ? "Q" : "Y"));
    ctx.add("X-1", y.empty() ? d.cellLabel(c) : y, cell.origin,
            "A constant x feeds " + d.cellLabel(c) + ": its value is unknown in test. Give it a 0 or 1.");
  }
  for (const NetPort& p : d.netlist().ports)
    if (p.direction != PortDirection::In && std::find(p.bits.begin(), p.bits.end(), kBitX) != p.bits.end())
      ctx.add("X-1", p.name, "", "Output " + quoted(p.name) + " is tied to x: give it a 0 or 1.");
}

// Net bits whose value some primary output can see (through any cell,
// a memory from its write ports to its read ports).
std::vector<char> observedBits(const CheckDesign& d) {
  const CheckNetlist& n = d.netlist();
  std::vector<char> seen(n.nets, 0), memoryDone;
  std::vector<NetBit> work;
  auto mark = [&](NetBit b) {
    if (b >= 0 && !seen[b]) {
      seen[b] = 1;
      work.push_back(b);
    }
  };
  auto markInputs = [&](int c) {
    for (const NetPin& p : d.cell(c).pins)
      if (!p.output)
        for (NetBit b : p.bits) mark(b);
  };
  std::set<std::string> memories;
  for (const NetPort& p : n.ports)
    if (p.direction != PortDirection::In)
      for (NetBit b : p.bits) mark(b);
  while (!work.empty()) {
    const NetBit b = work.back();
    work.pop_back();
    for (const BitEnd& e : d.drivers(b)) {
      if (e.cell < 0) continue;
      markInputs(e.cell);
      if (d.op(e.cell) == CellOp::Memory && memories.insert(d.cell(e.cell).paramText("MEMID")).second)
        for (int c = 0; c < d.cellCount(); ++c)
          if (d.op(c) == CellOp::Memory && d.cell(c).paramText("MEMID") == d.cell(e.cell).paramText("MEMID"))
            markInputs(c);
    }
  }
  return seen;
}

// True when data bit k of a flip-flop can never change: its data input only
// passes its own output back, or is constant (and no asynchronous control
// gives it another value first, as in a reset synchronizer).
bool bitHolds(const CheckDesign& d, const BitValues& plain, int cell, size_t k, bool constantHolds) {
  const std::vector<NetBit>& q = d.cell(cell).bits("Q");
  NetBit b = k < d.cell(cell).bits("D").size() ? d.cell(cell).bits("D")[k] : kBitX;
  for (int steps = 0; steps <= d.netlist().nets; ++steps) {
    if (plain[b] != Tri::X) return constantHolds;
    if (b < 0) return false;
    if (k < q.size() && b == q[k]) return true;
    const auto drivers = d.drivers(b);
    if (drivers.size() != 1 || drivers[0].cell < 0 || d.op(drivers[0].cell) >= CellOp::Register) return false;
    const std::optional<FollowedBit> f = followedInput(d, drivers[0].cell, static_cast<size_t>(drivers[0].index), plain);
    if (!f || f->inverted) return false;
    b = f->bit;
  }
  return false;
}

void checkConstantRegisters(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  const std::vector<char> observed = observedBits(d);
  for (int c = 0; c < d.cellCount(); ++c) {
    const RegisterKind* k = d.registerKind(c);
    if (!k || k->latch || ctx.registerOf[c] < 0 || !d.cell(c).pin("D")) continue;
    const CheckedRegister& r = ctx.report.registers[ctx.registerOf[c]];
    const std::vector<NetBit>& q = d.cell(c).bits("Q");
    bool holds = true;
    for (size_t i = 0; i < q.size() && holds; ++i) holds = bitHolds(d, ctx.plain, c, i, k->async.empty());
    const bool loads = std::any_of(k->async.begin(), k->async.end(), [](const AsyncControl& a) { return a.pin == "ALOAD" || a.pin == "L"; });
    if (holds && !loads) {
      ctx.add("CONST-1", r.name, r.location,
              "Its value never changes after the first clock (its data input is constant or itself): a constant "
              "needs no flip-flop; remove it, or connect what was meant.");
    } else if (std::none_of(q.begin(), q.end(), [&](NetBit b) { return b >= 0 && observed[b]; })) {
      ctx.add("CONST-1", r.name, r.location,
              "No primary output depends on it, so no test can see it: remove it, or make it observable.");
    }
  }
}

}  // namespace

void checkValues(RuleContext& ctx) {
  checkUndriven(ctx);
  checkConstantX(ctx);
  checkConstantRegisters(ctx);
}
