#include "classic/schemageometry.h"

#include "models/layoutgrid.h"
#include "enginelink/notation.h"
#include "enginelink/txtreport.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

struct PortPlace {
  const char* name;
  int x, y;
};

// The ports of diffeq on the schema picture (client coordinates).
constexpr PortPlace kPorts[] = {
    {"diffeq.a", 63, 66},       {"diffeq.clk", 63, 32},    {"diffeq.dx", 63, 126},
    {"diffeq.sel1", 63, 140},   {"diffeq.sel2", 63, 185},  {"diffeq.sel3", 63, 88},
    {"diffeq.sel4", 63, 269},   {"diffeq.sel5", 63, 78},   {"diffeq.sel6", 63, 315},
    {"diffeq.sel7", 63, 281},   {"diffeq.const2", 63, 56}, {"diffeq.result", 705, 173},
    {"mux1.a", 92, 116},        {"mux1.b", 92, 127},       {"mux1.q", 129, 127},
    {"mux2.a", 92, 160},        {"mux2.b", 92, 172},       {"mux2.q", 129, 173},
    {"mux6.a", 519, 212},       {"mux6.b", 519, 222},      {"mux6.q", 555, 224},
    {"add.a", 560, 190},        {"add.b", 560, 203},       {"add.q", 603, 196},
    {"sub.a", 230, 145},        {"sub.b", 230, 157},       {"sub.q", 273, 152},
    {"mul1.a", 134, 144},       {"mul1.b", 134, 155},      {"mul1.q", 175, 149},
    {"mul2.a", 397, 206},       {"mul2.b", 397, 218},      {"mul2.q", 436, 212},
    {"comp.a", 649, 166},       {"comp.b", 649, 178},      {"comp.q", 691, 173},
    {"mux3.a", 350, 155},       {"mux3.b", 350, 167},      {"mux3.q", 395, 165},
    {"reg1.d", 282, 150},       {"reg1.q", 320, 144},      {"reg2.d", 279, 210},
    {"reg2.q", 321, 205},       {"reg3.d", 279, 246},      {"reg3.q", 321, 239},
    {"reg4.d", 180, 149},       {"reg4.q", 219, 144},      {"reg5.d", 445, 212},
    {"reg5.q", 484, 206},       {"reg6.d", 608, 195},      {"reg6.q", 645, 188},
    {"mux4.a", 353, 235},       {"mux4.b", 353, 245},      {"mux4.c", 353, 255},
    {"mux4.q", 395, 257},       {"mux5.a", 519, 155},      {"mux5.b", 519, 166},
    {"mux5.q", 555, 167},
};

struct UnitRegion {
  const char* unit;
  SchemaRegion region;
};

// Click regions of the function units, in the order they are tested.
constexpr UnitRegion kUnitRegions[] = {
    {"mul1", {140, 160, 174, 184}}, {"mul2", {405, 220, 439, 245}},
    {"add", {567, 206, 603, 229}},  {"sub", {237, 160, 271, 183}},
    {"comp", {658, 181, 692, 206}},
};

struct HelpRegions {
  ItemKind kind;
  const char* file;
  std::vector<SchemaRegion> regions;
};

// Help regions per item kind, in the order they are tested.
const std::vector<HelpRegions>& helpRegions() {
  static const std::vector<HelpRegions> regions = {
      {ItemKind::Multiplexer, "mux.hlp",
       {{95, 131, 130, 166}, {95, 176, 130, 211}, {360, 172, 394, 206},
        {360, 250, 393, 307}, {523, 170, 557, 205}, {523, 227, 557, 261}}},
      {ItemKind::Register, "reg.hlp",
       {{287, 153, 321, 178}, {287, 216, 321, 239}, {287, 250, 321, 273},
        {185, 153, 220, 178}, {450, 216, 483, 239}, {613, 200, 647, 224}}},
      {ItemKind::Multiplier, "mul.hlp", {{140, 160, 174, 184}, {405, 220, 439, 245}}},
      {ItemKind::Adder, "add.hlp", {{567, 206, 603, 229}}},
      {ItemKind::Subtractor, "sub.hlp", {{237, 160, 271, 183}}},
      {ItemKind::Comparator, "cmp.hlp", {{658, 181, 692, 206}}},
  };
  return regions;
}

QPoint port(const char* name) {
  // Every name used below is in the table.
  return SchemaPortPosition(QString::fromLatin1(name), ChainAnchors()).value_or(QPoint());
}

// ---------------------------------------------------------------------------
// Scan chain routing

enum Corridor { kTop = 0, kBottom = 1 };

// Lanes of the two corridors: the top one between the clock line and the
// first inputs, the bottom one below sel6.
constexpr int kCorridorBase[2] = {37, 321};
constexpr int kLaneStep = 3;
constexpr int kLanes = 6;
// Vertical lanes that take a chain from one corridor to the other, between
// the comparator and the result output.
constexpr int kSwitchBase = 693;
constexpr int kSwitchLanes = 4;

// How a register is reached by its chain: the corridor it hangs from, the
// path from the corridor to its scan input (the first point lies on the
// corridor, its y filled in per lane) and the path from its scan output to
// the corridor (the last point lies on the corridor).
struct RegisterScan {
  Corridor corridor;
  std::vector<QPoint> entry;  // corridor -> scan input
  std::vector<QPoint> exit;   // scan output -> corridor
};

// reg1 ... reg6. reg1, reg4, reg5 and reg6 take their scan wires from above,
// reg3 from below; reg2, boxed in between reg1 and reg3, from both sides.
const std::array<RegisterScan, 6>& registerScans() {
  static const std::array<RegisterScan, 6> regs = {{
      {kTop, {{290, 0}, {290, 131}}, {{312, 131}, {312, 0}}},
      {kBottom, {{270, 0}, {270, 199}, {284, 199}}, {{318, 199}, {342, 199}, {342, 0}}},
      {kBottom, {{290, 0}, {290, 251}}, {{312, 251}, {312, 0}}},
      {kTop, {{188, 0}, {188, 131}}, {{211, 131}, {211, 0}}},
      {kTop, {{453, 0}, {453, 194}}, {{474, 194}, {474, 0}}},
      {kTop, {{616, 0}, {616, 178}}, {{638, 178}, {638, 0}}},
  }};
  return regs;
}

// Hands out corridor lanes so that no two horizontal runs share a lane where
// they overlap.
class LaneAllocator {
 public:
  int take(Corridor c, int x1, int x2) {
    const int lo = std::min(x1, x2) - 4;
    const int hi = std::max(x1, x2) + 4;
    auto& lanes = lanes_[c];
    for (int k = 0; k < kLanes; ++k) {
      auto& spans = lanes[static_cast<std::size_t>(k)];
      const bool free = std::none_of(spans.begin(), spans.end(), [&](const auto& s) {
        return s.first <= hi && lo <= s.second;
      });
      if (free) {
        spans.emplace_back(lo, hi);
        return kCorridorBase[c] + k * kLaneStep;
      }
    }
    lanes[kLanes - 1].emplace_back(lo, hi);
    return kCorridorBase[c] + (kLanes - 1) * kLaneStep;
  }
  int takeSwitch() {
    const int x = kSwitchBase + std::min(switches_, kSwitchLanes - 1) * kLaneStep;
    ++switches_;
    return x;
  }

 private:
  std::array<std::array<std::vector<std::pair<int, int>>, kLanes>, 2> lanes_;
  int switches_ = 0;
};

std::vector<QPoint> withCorridorY(std::vector<QPoint> path, bool first, int y) {
  if (first) path.front().setY(y);
  else path.back().setY(y);
  return path;
}

}  // namespace

std::optional<QPoint> SchemaPortPosition(const QString& port, const ChainAnchors& anchors) {
  for (const PortPlace& p : kPorts)
    if (port == QLatin1String(p.name)) return QPoint(p.x, p.y);

  // Ports added by a scan layout: placed where the chains were drawn.
  auto indexAfter = [&](const QString& prefix) -> int {
    if (!port.startsWith(prefix) || port.size() != prefix.size() + 1) return -1;
    const int d = port.back().digitValue();
    return d >= 0 && d < kChains ? d : -1;
  };
  auto anchored = [](int x, int y) -> std::optional<QPoint> {
    if (x == 0 && y == 0) return std::nullopt;  // not drawn yet
    return QPoint(x, y);
  };
  if (int g = indexAfter(QStringLiteral("diffeq.SCAN_IN")); g >= 0) {
    const int y = anchors.chains[g].inY;
    if (y == 0) return std::nullopt;
    return QPoint(63, y);
  }
  if (int g = indexAfter(QStringLiteral("diffeq.SCAN_OUT")); g >= 0)
    return anchored(anchors.chains[g].outX, anchors.chains[g].outY);
  for (int r = 0; r < kRegisters; ++r) {
    const QString reg = QStringLiteral("reg%1.").arg(r + 1);
    if (port == reg + QLatin1String("SCAN_IN"))
      return anchored(anchors.regs[r].inX, anchors.regs[r].inY);
    if (port == reg + QLatin1String("SCAN_OUT"))
      return anchored(anchors.regs[r].outX, anchors.regs[r].outY);
  }
  return std::nullopt;
}

std::vector<QString> SchemaTablePorts() {
  std::vector<QString> names;
  for (const PortPlace& p : kPorts) names.push_back(QString::fromLatin1(p.name));
  return names;
}

QString HitFunctionUnit(QPoint outer) {
  for (const UnitRegion& u : kUnitRegions)
    if (u.region.contains(outer)) return QString::fromLatin1(u.unit);
  return {};
}

std::optional<SchemaRegion> FunctionUnitRegion(const QString& unit) {
  for (const UnitRegion& u : kUnitRegions)
    if (unit == QLatin1String(u.unit)) return u.region;
  return std::nullopt;
}

QRect SelectionFrame(const SchemaRegion& r) {
  return QRect(QPoint(r.x1, r.y1) - kFrameOffset, QPoint(r.x2, r.y2) - kFrameOffset);
}

std::optional<ItemKind> HitHelpRegion(QPoint outer) {
  for (const HelpRegions& h : helpRegions())
    for (const SchemaRegion& r : h.regions)
      if (r.contains(outer)) return h.kind;
  return std::nullopt;
}

QString HelpFileOf(ItemKind kind) {
  for (const HelpRegions& h : helpRegions())
    if (h.kind == kind) return QString::fromLatin1(h.file);
  return {};
}

LoopDrawing FeedbackLoopGeometry(FeedbackLoop loop) {
  const QPoint reg1d = port("reg1.d"), reg1q = port("reg1.q"), mux3a = port("mux3.a");
  const QPoint subb = port("sub.b"), subq = port("sub.q");
  const QPoint reg6q = port("reg6.q"), reg6d = port("reg6.d");
  const QPoint reg3d = port("reg3.d"), reg3q = port("reg3.q");
  const QPoint reg2d = port("reg2.d"), reg2q = port("reg2.q");
  const QPoint mux5a = port("mux5.a"), mux5b = port("mux5.b"), mux5q = port("mux5.q");
  const QPoint adda = port("add.a"), addb = port("add.b"), addq = port("add.q");
  using P = QPoint;
  switch (loop) {
    case FeedbackLoop::Reg1:
      return {QStringLiteral("loop_reg1"), QColor(255, 0, 250), P(reg1d.x() - 25, reg1d.y() - 40),
              {{P(reg1q.x(), reg1q.y() - 2), P(mux3a.x(), reg1q.y() - 2),
                P(mux3a.x(), reg1q.y() - 48), P(subb.x() - 2, reg1q.y() - 48),
                P(subb.x() - 2, subb.y() - 2), P(subb.x(), subb.y() - 2)},
               {P(subq.x() - 4, reg1d.y() - 2), P(reg1d.x(), reg1d.y() - 2)}}};
    case FeedbackLoop::Reg3:
      return {QStringLiteral("loop_reg3"), QColor(0, 225, 255), P(addb.x() + 5, addb.y() + 30),
              {{P(reg6q.x(), reg6q.y() + 2), P(reg6q.x() + 2, reg6q.y() + 2),
                P(reg6q.x() + 2, reg6q.y() + 112), P(reg3d.x() + 2, reg6q.y() + 112),
                P(reg3d.x() + 2, reg3d.y() - 2)},
               {P(reg3q.x(), reg3q.y()), P(reg3q.x() + 2, reg3q.y()),
                P(reg3q.x() + 2, reg3q.y() + 55), P(mux5a.x() - 15, reg3q.y() + 55),
                P(mux5a.x() - 15, mux5a.y()), P(mux5a.x(), mux5a.y())},
               {P(mux5q.x(), mux5q.y()), P(mux5q.x() + 1, mux5q.y()),
                P(mux5q.x() + 1, adda.y() - 2), P(adda.x() + 1, adda.y() - 2)},
               {P(addq.x() - 4, reg6d.y() - 2), P(reg6d.x(), reg6d.y() - 2)}}};
    case FeedbackLoop::Reg2:
      return {QStringLiteral("loop_reg2"), QColor(165, 0, 255), P(addb.x() - 10, addb.y() + 60),
              {{P(reg6q.x(), reg6q.y() - 2), P(reg6q.x() + 6, reg6q.y() - 2),
                P(reg6q.x() + 6, reg6q.y() + 116), P(reg2d.x() - 2, reg6q.y() + 116),
                P(reg2d.x() - 2, reg2d.y()), P(reg2d.x() + 2, reg2d.y())},
               {P(reg2q.x(), reg2q.y()), P(reg2q.x() + 6, reg2q.y()),
                P(reg2q.x() + 6, reg2q.y() + 85), P(mux5b.x() - 9, reg2q.y() + 85),
                P(mux5b.x() - 9, mux5b.y()), P(mux5b.x(), mux5b.y())},
               {P(mux5q.x(), mux5q.y() - 4), P(mux5q.x() + 4, mux5q.y() - 4),
                P(mux5q.x() + 4, adda.y() - 6), P(adda.x() + 4, adda.y() - 6)},
               {P(addq.x() - 4, reg6d.y() - 6), P(reg6d.x(), reg6d.y() - 6)}}};
  }
  return {};
}

QColor StepMarkColour(int place, bool observation) {
  static const QColor adjustment[] = {QColor(255, 0, 0), QColor(84, 242, 12),
                                      QColor(255, 234, 117), QColor(255, 255, 0)};
  static const QColor observing[] = {QColor(12, 223, 242), QColor(255, 119, 153),
                                     QColor(238, 238, 0), QColor(238, 238, 0)};
  const int i = std::clamp(place, 1, 4) - 1;
  return observation ? observing[i] : adjustment[i];
}

ChainDrawing RouteScanChains(const QString& notation, ChainAnchors* anchors) {
  // Chains as lists of register indexes; registers beyond REG6 are skipped.
  ScanChains chains = ParseClassicNotation(notation);
  for (auto& chain : chains) std::erase_if(chain, [](int r) { return r >= kRegisters; });
  ChainDrawing drawing;
  LaneAllocator lanes;
  const auto& regs = registerScans();
  const int groups = std::min<int>(static_cast<int>(chains.size()), kChains);
  for (int g = 0; g < groups; ++g) {
    const auto& chain = chains[static_cast<std::size_t>(g)];
    if (chain.empty()) continue;
    // Into the first register.
    {
      const RegisterScan& first = regs[static_cast<std::size_t>(chain.front())];
      const int x = first.entry.front().x();
      const int y = lanes.take(first.corridor, kScanInColumn, x);
      std::vector<QPoint> pts{QPoint(kScanInColumn, y)};
      for (const QPoint& p : withCorridorY(first.entry, true, y)) pts.push_back(p);
      drawing.wires.push_back({g, std::move(pts), true});
      if (anchors) anchors->chains[g] = {kScanInColumn, y, 0, 0, true};
    }
    // From register to register.
    for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
      const RegisterScan& a = regs[static_cast<std::size_t>(chain[i])];
      const RegisterScan& b = regs[static_cast<std::size_t>(chain[i + 1])];
      const int xa = a.exit.back().x();
      const int xb = b.entry.front().x();
      std::vector<QPoint> pts;
      if (a.corridor == b.corridor) {
        const int y = lanes.take(a.corridor, xa, xb);
        pts = withCorridorY(a.exit, false, y);
        for (const QPoint& p : withCorridorY(b.entry, true, y)) pts.push_back(p);
      } else {
        const int xs = lanes.takeSwitch();
        const int ya = lanes.take(a.corridor, xa, xs);
        const int yb = lanes.take(b.corridor, xb, xs);
        pts = withCorridorY(a.exit, false, ya);
        pts.emplace_back(xs, ya);
        pts.emplace_back(xs, yb);
        for (const QPoint& p : withCorridorY(b.entry, true, yb)) pts.push_back(p);
      }
      drawing.wires.push_back({g, std::move(pts), true});
    }
    // Out of the last register.
    {
      const RegisterScan& last = regs[static_cast<std::size_t>(chain.back())];
      const int x = last.exit.back().x();
      const int y = lanes.take(last.corridor, x, kScanOutColumn);
      std::vector<QPoint> pts = withCorridorY(last.exit, false, y);
      pts.emplace_back(kScanOutColumn, y);
      drawing.wires.push_back({g, std::move(pts), false});
      if (anchors) {
        anchors->chains[g].outX = kScanOutColumn;
        anchors->chains[g].outY = y;
      }
    }
    for (int r : chain) {
      const RegisterScan& reg = regs[static_cast<std::size_t>(r)];
      drawing.dots.emplace_back(g, reg.entry.back());
      drawing.dots.emplace_back(g, reg.exit.front());
      if (anchors) {
        anchors->regs[r] = {reg.entry.back().x(), reg.entry.back().y(), reg.exit.front().x(),
                            reg.exit.front().y(), true};
      }
    }
  }
  return drawing;
}
