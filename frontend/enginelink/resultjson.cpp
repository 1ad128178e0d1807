#include "enginelink/resultjson.h"

#include "enginelink/jsonfields.h"

#include <algorithm>

namespace {

using jsonread::Fields;
using jsonread::readFile;
using jsonread::topObject;

void readItems(const Fields& f, CircuitResult& r) {
  f.list("items", r.items, [](const Fields& g, CircuitItem& item) {
    g.text("name", item.name, true);
    g.text("kind", item.kind, true);
    g.text("block", item.block);
    g.list("ports", item.ports, [](const Fields& h, CircuitPort& port) {
      h.text("name", port.name, true);
      h.text("type", port.type);
      h.integer("bits", port.bits);
    });
  });
  f.list("links", r.links, [](const Fields& g, CircuitLink& link) {
    g.text("from", link.from, true);
    g.text("to", link.to, true);
  });
}

void readFigures(const Fields& f, CircuitResult& r) {
  f.list("registers", r.registers, [](const Fields& g, RegisterFigures& reg) {
    g.text("name", reg.name, true);
    g.boolean("scanned", reg.scanned);
    g.integer("chain", reg.chain);
    g.integer("position", reg.position);
    g.number("con", reg.con);
    g.number("obs", reg.obs);
    g.boolean("in_loop", reg.inLoop);
    g.boolean("scannable", reg.scannable);
    g.textOrNull("check_rule", reg.checkRule);
  });
  f.list("ports", r.ports, [](const Fields& g, PortFigures& port) {
    g.text("name", port.name, true);
    g.integer("bits", port.bits);
    g.number("con", port.con);
    g.number("obs", port.obs);
    g.number("tst", port.tst);
  });
  f.list("loops", r.loops, [](const Fields& g, RegisterLoop& loop) {
    g.names("registers", loop.registers);
    g.boolean("broken", loop.broken);
  });
}

// What the engine derived for the views: the loop-breaking set and the
// propagation sources of every port.
void readDerived(const Fields& f, CircuitResult& r) {
  LoopBreaking breaking;
  if (f.object("loop_breaking", [&breaking](const Fields& g) {
        g.names("registers", breaking.registers);
        g.boolean("minimum", breaking.minimum);
      }))
    r.loopBreaking = std::move(breaking);
  f.list("propagation", r.propagation, [](const Fields& g, PortSources& step) {
    g.text("port", step.port, true);
    g.textOrNull("con_from", step.conFrom);
    g.textOrNull("obs_from", step.obsFrom);
  });
}

}  // namespace

const PortFigures* CircuitResult::port(const QString& name) const {
  for (const auto& p : ports)
    if (p.name == name) return &p;
  return nullptr;
}

bool CompareResult::withinBudgets(const CompareRow& row) const {
  // The figures are rounded in the file: a hair over the budget is on it.
  constexpr double kSlack = 1e-6;
  return row.areaPercent <= areaBudgetPercent + kSlack && row.pinsPercent <= pinBudgetPercent + kSlack;
}

const CircuitItem* CircuitResult::item(const QString& name) const {
  for (const auto& i : items)
    if (i.name == name) return &i;
  return nullptr;
}

const RegisterFigures* CircuitResult::reg(const QString& name) const {
  for (const auto& r : registers)
    if (r.name == name) return &r;
  return nullptr;
}

bool CompareResult::hasCoverage() const {
  return !rows.empty() &&
         std::all_of(rows.begin(), rows.end(), [](const CompareRow& row) { return row.stuckAtCoveragePercent.has_value(); });
}

QStringList CompareResult::coverageFront() const {
  QStringList front;
  if (!hasCoverage()) return front;
  for (const auto& row : rows) {
    const bool beaten = std::any_of(rows.begin(), rows.end(), [&row](const CompareRow& other) {
      const double a = *other.stuckAtCoveragePercent, b = *row.stuckAtCoveragePercent;
      return other.areaPercent <= row.areaPercent && a >= b && (other.areaPercent < row.areaPercent || a > b);
    });
    if (!beaten) front << row.method;
  }
  return front;
}

ReadResult<CircuitResult> parseCircuitResult(const QByteArray& text) {
  ReadResult<CircuitResult> out;
  const auto top = topObject(text, out.errors);
  if (!top) return out;
  CircuitResult r;
  const Fields f(*top, QString(), out.errors);
  f.text("version", r.version);
  f.text("circuit", r.circuit, true);
  f.text("method", r.method);
  f.text("objective", r.objective);
  f.optionalInteger("seed", r.seed);
  f.text("layout", r.layout);
  f.nameLists("chains", r.chains);
  f.number("fitness", r.fitness);
  f.number("testability", r.testability);
  f.number("controllability", r.controllability);
  f.number("observability", r.observability);
  f.number("controllable_percent", r.controllablePercent);
  f.number("observable_percent", r.observablePercent);
  f.number("area_overhead_percent", r.areaOverheadPercent);
  f.number("pin_overhead_percent", r.pinOverheadPercent);
  f.optionalInteger("visited", r.visited);
  f.optionalNumber("elapsed_seconds", r.elapsedSeconds);
  readFigures(f, r);
  readDerived(f, r);
  readItems(f, r);
  if (out.errors.isEmpty()) out.value = std::move(r);
  return out;
}

ReadResult<CompareResult> parseCompareResult(const QByteArray& text) {
  ReadResult<CompareResult> out;
  const auto top = topObject(text, out.errors);
  if (!top) return out;
  CompareResult r;
  const Fields f(*top, QString(), out.errors);
  f.text("circuit", r.circuit, true);
  f.text("objective", r.objective);
  f.text("version", r.version);
  f.number("area_budget_percent", r.areaBudgetPercent);
  f.number("pin_budget_percent", r.pinBudgetPercent);
  f.list("rows", r.rows, [](const Fields& g, CompareRow& row) {
    g.text("method", row.method, true);
    g.text("layout", row.layout);
    g.integer("scanned", row.scanned);
    g.integer("chains", row.chains);
    g.number("area_percent", row.areaPercent);
    g.number("pins_percent", row.pinsPercent);
    g.number("testability", row.testability);
    g.number("controllable_percent", row.controllablePercent);
    g.number("observable_percent", row.observablePercent);
    g.number("fitness", row.fitness);
    g.number("seconds", row.seconds);
    g.optionalInteger("visited", row.visited);
    g.optionalNumber("stuck_at_coverage_percent", row.stuckAtCoveragePercent);
    g.optionalNumber("coverage_spearman", row.coverageSpearman);
  });
  f.names("pareto", r.pareto);
  f.text("exact_skipped", r.exactSkipped);
  if (out.errors.isEmpty()) out.value = std::move(r);
  return out;
}

ReadResult<CircuitResult> readCircuitResult(const QString& fileName) {
  return readFile(fileName, parseCircuitResult);
}

ReadResult<CompareResult> readCompareResult(const QString& fileName) {
  return readFile(fileName, parseCompareResult);
}
