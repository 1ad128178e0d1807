// CLK-1 and CLK-2: each flip-flop's clock traced back through buffers and
// inverters (and through gates that the test-mode values make transparent)
// to a primary input; the clock domains that result.
#include <map>

#include "checks/rules.h"

namespace {

struct ClockTrace {
  bool ok = false;
  std::string clock;      // the clock pin reached
  bool inverted = false;  // an odd number of inversions on the way
  std::string problem;    // why it is not a clock pin, when not ok
};

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// Where a failing trace stopped, in words.
std::string stopAt(const CheckDesign& d, NetBit b, const BitEnd& e) {
  if (d.op(e.cell) == CellOp::Register) {
    const std::string q = d.signalName(d.cell(e.cell).bits(d.cell(e.cell).pins[e.pin].name));
    return "comes from flip-flop " + quoted(q.empty() ? d.cellLabel(e.cell) : q) + " (a divided or generated clock)";
  }
  if (d.op(e.cell) == CellOp::Memory || d.op(e.cell) == CellOp::BlackBox)
    return "comes from " + d.cellLabel(e.cell) + ", not from a pin";
  const std::string net = d.bitName(b);
  return (net.empty() ? std::string("comes from") : "net " + quoted(net) + " comes from") + " logic (" +
         d.cellLabel(e.cell) + "): a gated or generated clock";
}

ClockTrace traceClock(const CheckDesign& d, const BitValues& v, NetBit b) {
  ClockTrace t;
  for (int steps = 0; steps <= d.netlist().nets; ++steps) {
    if (isConstantBit(b) || v[b] != Tri::X) {
      t.problem = std::string("is constant") + (isConstantBit(b) ? "" : " in test mode");
      return t;
    }
    const auto drivers = d.drivers(b);
    if (drivers.empty()) {
      t.problem = "net " + quoted(d.bitName(b)) + " is undriven";
      return t;
    }
    if (drivers.size() > 1) {
      t.problem = "net " + quoted(d.bitName(b)) + " has several drivers";
      return t;
    }
    const BitEnd& e = drivers[0];
    if (e.cell < 0) {
      const NetPort& p = d.netlist().ports[e.pin];
      t.ok = true;
      t.clock = p.bits.size() == 1 ? p.name : p.name + "[" + std::to_string(e.index) + "]";
      return t;
    }
    const std::optional<FollowedBit> f =
        d.cell(e.cell).pins[e.pin].name == "Y" ? followedInput(d, e.cell, static_cast<size_t>(e.index), v) : std::nullopt;
    if (!f || d.op(e.cell) >= CellOp::Register) {
      t.problem = stopAt(d, b, e);
      return t;
    }
    b = f->bit;
    t.inverted ^= f->inverted;
  }
  t.problem = "runs around a combinational loop";
  return t;
}

void addDomainsFinding(RuleContext& ctx, const std::map<std::pair<std::string, bool>, std::pair<int, std::string>>& domains) {
  std::string list;
  std::map<std::string, int> edges;
  std::string location;
  for (const auto& [key, value] : domains) {
    list += (list.empty() ? "" : ", ") + key.first + (key.second ? " rising" : " falling") + " (" +
            std::to_string(value.first) + " flip-flop" + (value.first == 1 ? "" : "s") + ")";
    if (++edges[key.first] == 2 || location.empty()) location = value.second;
  }
  std::string both;
  for (const auto& [clock, n] : edges)
    if (n > 1) both += (both.empty() ? "" : ", ") + quoted(clock);
  const std::string what = both.empty() ? std::to_string(domains.size()) + " clock domains"
                                        : "both edges of " + both + " are used";
  ctx.add("CLK-2", ctx.report.design, location,
          what + ": " + list + ". Give each domain and edge its own scan chains, or put lock-up latches between them.");
}

}  // namespace

void checkClocks(RuleContext& ctx) {
  const CheckDesign& d = ctx.design;
  std::map<std::pair<std::string, bool>, std::pair<int, std::string>> domains;
  for (int c = 0; c < d.cellCount(); ++c) {
    const RegisterKind* k = d.registerKind(c);
    if (!k || ctx.registerOf[c] < 0 || k->clockPin.empty()) continue;
    const std::vector<NetBit>& clk = d.cell(c).bits(k->clockPin);
    const ClockTrace t = traceClock(d, ctx.test, clk.empty() ? kBitX : clk[0]);
    const CheckedRegister& r = ctx.report.registers[ctx.registerOf[c]];
    if (!t.ok) {
      const char* what = k->latch ? "Its enable " : "Its clock ";
      ctx.add("CLK-1", r.name, r.location,
              what + t.problem + ". In test mode it must come from a clock pin through buffers and inverters only: "
                                 "make the gate transparent with a test-mode pin (and give it with --test-mode) or "
                                 "select a clock pin with a test-mode multiplexer.",
              c);
      continue;
    }
    if (k->latch) continue;
    auto& domain = domains[{t.clock, k->risingEdge != t.inverted}];
    domain.first += r.bits;
    if (domain.second.empty()) domain.second = r.location;
  }
  for (const auto& [key, value] : domains) ctx.report.domains.push_back({key.first, key.second, value.first});
  if (domains.size() > 1) addDomainsFinding(ctx, domains);
}
