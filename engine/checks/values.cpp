// Kleene logic over the cells the checks understand: every function is
// monotone (a known input never makes a known output unknown), so the
// propagation settles after each bit became known at most once.
#include "checks/values.h"

#include <algorithm>

namespace {

Tri fromBool(bool b) { return b ? Tri::One : Tri::Zero; }
Tri invert(Tri t) { return t == Tri::X ? Tri::X : fromBool(t == Tri::Zero); }
Tri andOf(Tri a, Tri b) { return a == Tri::Zero || b == Tri::Zero ? Tri::Zero : a == Tri::One && b == Tri::One ? Tri::One : Tri::X; }
Tri orOf(Tri a, Tri b) { return invert(andOf(invert(a), invert(b))); }
Tri xorOf(Tri a, Tri b) { return a == Tri::X || b == Tri::X ? Tri::X : fromBool(a != b); }

// The or (or and) of all bits of a pin.
Tri reduce(const std::vector<NetBit>& bits, const BitValues& v, bool isAnd) {
  Tri r = isAnd ? Tri::One : Tri::Zero;
  for (NetBit b : bits) r = isAnd ? andOf(r, v[b]) : orOf(r, v[b]);
  return r;
}

Tri parity(const std::vector<NetBit>& bits, const BitValues& v) {
  Tri r = Tri::Zero;
  for (NetBit b : bits) r = xorOf(r, v[b]);
  return r;
}

Tri equality(const NetCell& c, const BitValues& v) {
  const size_t width = std::max(c.bits("A").size(), c.bits("B").size());
  Tri r = Tri::One;
  for (size_t k = 0; k < width; ++k) {
    const Tri a = v[operandBit(c, "A", k)], b = v[operandBit(c, "B", k)];
    if (a != Tri::X && b != Tri::X && a != b) return Tri::Zero;
    if (a == Tri::X || b == Tri::X) r = Tri::X;
  }
  return r;
}

// The selected data bit of a $pmux under known selects; X when not known or not one-hot.
NetBit pmuxChoice(const NetCell& c, size_t k, const BitValues& v) {
  const std::vector<NetBit>& s = c.bits("S");
  const size_t width = c.bits("A").size();
  NetBit chosen = k < width ? c.bits("A")[k] : kBitX;
  int ones = 0;
  for (size_t j = 0; j < s.size(); ++j) {
    const Tri t = v[s[j]];
    if (t == Tri::X) return kBitX;
    if (t == Tri::One && ++ones == 1) chosen = j * width + k < c.bits("B").size() ? c.bits("B")[j * width + k] : kBitX;
  }
  return ones <= 1 ? chosen : kBitX;
}

const char* selectPin(const NetCell& c) { return c.pin("S") ? "S" : c.pin("EN") ? "EN" : "E"; }

// The single unknown bit of `bits` when all the others have `neutral`.
std::optional<NetBit> singleUnknown(const std::vector<NetBit>& bits, const BitValues& v, Tri neutral) {
  std::optional<NetBit> found;
  for (NetBit b : bits) {
    const Tri t = v[b];
    if (t == neutral) continue;
    if (t != Tri::X || found) return std::nullopt;
    found = b;
  }
  return found;
}

std::optional<FollowedBit> followReduce(const NetCell& c, CellOp op, const BitValues& v) {
  const std::vector<NetBit>& a = c.bits("A");
  switch (op) {
    case CellOp::ReduceAnd:
      if (auto b = singleUnknown(a, v, Tri::One)) return FollowedBit{*b, false};
      return std::nullopt;
    case CellOp::ReduceOr:
    case CellOp::LogicNot:
      if (auto b = singleUnknown(a, v, Tri::Zero)) return FollowedBit{*b, op == CellOp::LogicNot};
      return std::nullopt;
    case CellOp::ReduceXor:
    case CellOp::ReduceXnor: {
      std::optional<NetBit> unknown;
      Tri rest = Tri::Zero;
      for (NetBit b : a) {
        if (v[b] != Tri::X) {
          rest = xorOf(rest, v[b]);
        } else if (unknown) {
          return std::nullopt;
        } else {
          unknown = b;
        }
      }
      if (!unknown) return std::nullopt;
      return FollowedBit{*unknown, (rest == Tri::One) != (op == CellOp::ReduceXnor)};
    }
    default:
      return std::nullopt;
  }
}

// Two-operand bitwise cells: bit k follows one operand when the other is at
// the value that lets it through.
std::optional<FollowedBit> followBinary(CellOp op, NetBit a, NetBit b, const BitValues& v) {
  const Tri ta = v[a], tb = v[b];
  auto through = [&](NetBit x, bool inv) { return std::optional<FollowedBit>(FollowedBit{x, inv}); };
  switch (op) {
    case CellOp::And: return tb == Tri::One ? through(a, false) : ta == Tri::One ? through(b, false) : std::nullopt;
    case CellOp::Or: return tb == Tri::Zero ? through(a, false) : ta == Tri::Zero ? through(b, false) : std::nullopt;
    case CellOp::Nand: return tb == Tri::One ? through(a, true) : ta == Tri::One ? through(b, true) : std::nullopt;
    case CellOp::Nor: return tb == Tri::Zero ? through(a, true) : ta == Tri::Zero ? through(b, true) : std::nullopt;
    case CellOp::AndNot: return tb == Tri::Zero ? through(a, false) : ta == Tri::One ? through(b, true) : std::nullopt;
    case CellOp::OrNot: return tb == Tri::One ? through(a, false) : ta == Tri::Zero ? through(b, true) : std::nullopt;
    case CellOp::Xor:
    case CellOp::Xnor: {
      const bool xnor = op == CellOp::Xnor;
      if (tb != Tri::X) return through(a, (tb == Tri::One) != xnor);
      if (ta != Tri::X) return through(b, (ta == Tri::One) != xnor);
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

}  // namespace

NetBit operandBit(const NetCell& c, const char* pin, size_t k) {
  const std::vector<NetBit>& bits = c.bits(pin);
  if (k < bits.size()) return bits[k];
  const bool isSigned = c.param(pin[0] == 'A' ? "A_SIGNED" : "B_SIGNED", 0) != 0;
  return isSigned && !bits.empty() ? bits.back() : kBit0;
}

Tri BitValues::operator[](NetBit b) const {
  if (b >= 0) return static_cast<size_t>(b) < values.size() ? values[b] : Tri::X;
  return b == kBit0 ? Tri::Zero : b == kBit1 ? Tri::One : Tri::X;
}

Tri evaluateBit(const CheckDesign& d, int cell, size_t k, const BitValues& v) {
  const NetCell& c = d.cell(cell);
  const CellOp op = d.op(cell);
  const Tri a = v[operandBit(c, "A", k)];
  switch (op) {
    case CellOp::Buf: return a;
    case CellOp::Not: return invert(a);
    case CellOp::And: return andOf(a, v[operandBit(c, "B", k)]);
    case CellOp::Or: return orOf(a, v[operandBit(c, "B", k)]);
    case CellOp::Xor: return xorOf(a, v[operandBit(c, "B", k)]);
    case CellOp::Xnor: return invert(xorOf(a, v[operandBit(c, "B", k)]));
    case CellOp::Nand: return invert(andOf(a, v[operandBit(c, "B", k)]));
    case CellOp::Nor: return invert(orOf(a, v[operandBit(c, "B", k)]));
    case CellOp::AndNot: return andOf(a, invert(v[operandBit(c, "B", k)]));
    case CellOp::OrNot: return orOf(a, invert(v[operandBit(c, "B", k)]));
    case CellOp::Mux:
    case CellOp::NMux: {
      const Tri s = v[operandBit(c, "S", 0)], b = v[operandBit(c, "B", k)];
      const Tri y = s == Tri::Zero ? a : s == Tri::One ? b : a == b ? a : Tri::X;
      return op == CellOp::NMux ? invert(y) : y;
    }
    case CellOp::Pmux: return v[pmuxChoice(c, k, v)];
    case CellOp::Tribuf: return v[operandBit(c, selectPin(c), 0)] == Tri::One ? a : Tri::X;
    default: break;
  }
  if (k > 0) return op >= CellOp::ReduceAnd && op <= CellOp::Ne ? Tri::Zero : Tri::X;
  switch (op) {
    case CellOp::ReduceAnd: return reduce(c.bits("A"), v, true);
    case CellOp::ReduceOr: return reduce(c.bits("A"), v, false);
    case CellOp::ReduceXor: return parity(c.bits("A"), v);
    case CellOp::ReduceXnor: return invert(parity(c.bits("A"), v));
    case CellOp::LogicNot: return invert(reduce(c.bits("A"), v, false));
    case CellOp::LogicAnd: return andOf(reduce(c.bits("A"), v, false), reduce(c.bits("B"), v, false));
    case CellOp::LogicOr: return orOf(reduce(c.bits("A"), v, false), reduce(c.bits("B"), v, false));
    case CellOp::Eq: return equality(c, v);
    case CellOp::Ne: return invert(equality(c, v));
    default: return Tri::X;
  }
}

BitValues::BitValues(const CheckDesign& d, const std::vector<std::pair<NetBit, bool>>& held)
    : values(static_cast<size_t>(d.netlist().nets), Tri::X) {
  for (const auto& [bit, value] : held)
    if (bit >= 0 && static_cast<size_t>(bit) < values.size()) values[bit] = fromBool(value);
  settle(d);
}

void BitValues::settle(const CheckDesign& d) {
  auto logic = [&](int c) { return d.op(c) != CellOp::Other && d.op(c) < CellOp::Register; };
  std::vector<int> work;
  std::vector<char> queued(d.cellCount(), 0);
  for (int c = 0; c < d.cellCount(); ++c)
    if (logic(c)) {
      work.push_back(c);
      queued[c] = 1;
    }
  while (!work.empty()) {
    const int c = work.back();
    work.pop_back();
    queued[c] = 0;
    const std::vector<NetBit>& y = d.cell(c).bits("Y");
    for (size_t k = 0; k < y.size(); ++k) {
      if (y[k] < 0 || values[y[k]] != Tri::X) continue;
      const Tri t = evaluateBit(d, c, k, *this);
      if (t == Tri::X) continue;
      values[y[k]] = t;
      for (const BitEnd& r : d.readers(y[k]))
        if (r.cell >= 0 && !queued[r.cell] && logic(r.cell)) {
          queued[r.cell] = 1;
          work.push_back(r.cell);
        }
    }
  }
}

std::optional<FollowedBit> followedInput(const CheckDesign& d, int cell, size_t k, const BitValues& v) {
  const NetCell& c = d.cell(cell);
  const CellOp op = d.op(cell);
  const NetBit a = operandBit(c, "A", k);
  switch (op) {
    case CellOp::Buf: return FollowedBit{a, false};
    case CellOp::Not: return FollowedBit{a, true};
    case CellOp::Mux:
    case CellOp::NMux: {
      const Tri s = v[operandBit(c, "S", 0)];
      if (s == Tri::X) return std::nullopt;
      return FollowedBit{s == Tri::One ? operandBit(c, "B", k) : a, op == CellOp::NMux};
    }
    case CellOp::Pmux: {
      const NetBit b = pmuxChoice(c, k, v);
      return b == kBitX ? std::nullopt : std::optional<FollowedBit>(FollowedBit{b, false});
    }
    case CellOp::Tribuf:
      return v[operandBit(c, selectPin(c), 0)] == Tri::One ? std::optional<FollowedBit>(FollowedBit{a, false})
                                                          : std::nullopt;
    default: break;
  }
  if (isBitwise(op)) return followBinary(op, a, operandBit(c, "B", k), v);
  if (k == 0) return followReduce(c, op, v);
  return std::nullopt;
}

void relevantInputs(const CheckDesign& d, int cell, size_t k, const BitValues& v, std::vector<NetBit>& out) {
  const NetCell& c = d.cell(cell);
  const CellOp op = d.op(cell);
  auto add = [&](NetBit b) {
    if (v[b] == Tri::X && b >= 0) out.push_back(b);
  };
  if (op == CellOp::Mux || op == CellOp::NMux || op == CellOp::Tribuf) {
    const NetBit s = operandBit(c, selectPin(c), 0);
    const Tri ts = v[s];
    add(s);
    if (ts != Tri::One || op == CellOp::Tribuf) add(operandBit(c, "A", k));
    if (ts != Tri::Zero && op != CellOp::Tribuf) add(operandBit(c, "B", k));
    return;
  }
  if (isBitwise(op)) {
    add(operandBit(c, "A", k));
    if (op != CellOp::Buf && op != CellOp::Not) add(operandBit(c, "B", k));
    return;
  }
  if (op == CellOp::Pmux) {
    if (const NetBit b = pmuxChoice(c, k, v); b != kBitX) return add(b);
  }
  for (const NetPin& p : c.pins)
    if (!p.output)
      for (NetBit b : p.bits) add(b);
}
