// Readers of the engine's machine-readable results: NAME.json written by
// `tarvex analyse|optimise --json` and NAME.compare.json written by
// `tarvex compare --json`. Pure data, no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A scan layout by register names: every chain from its scan input on.
using NamedChains = std::vector<QStringList>;

// One port of an item as declared: short name, type ("in", "out", "inout",
// "clk", "sel") and width.
struct CircuitPort {
  QString name;
  QString type;
  int bits = 0;
};

// One item of the circuit; kind "CIRCUIT" is the circuit's own item, whose
// ports are the primary ports.
struct CircuitItem {
  QString name;
  QString kind;
  std::vector<CircuitPort> ports;
  // The instance path of the block it was declared in ("u_core.u_alu"),
  // empty for the top level.
  QString block{};
};

// A wire from an output "item.port" to an input "item.port".
struct CircuitLink {
  QString from;
  QString to;
};

// The figures of one composed port "item.port".
struct PortFigures {
  QString name;
  int bits = 0;
  double con = 0.0;
  double obs = 0.0;
  double tst = 0.0;
};

// One register with its place in the scan layout (-1 when not scanned) and
// the figures of its output.
struct RegisterFigures {
  QString name;
  bool scanned = false;
  int chain = -1;
  int position = -1;
  double con = 0.0;
  double obs = 0.0;
  bool inLoop = false;
  // False when a check rule keeps it out of every layout (`checkRule`, e.g. "CLK-1").
  bool scannable = true;
  QString checkRule{};
};

// A feedback loop: the registers of one strongly connected component of the
// register graph; broken when no cycle remains among its unscanned registers.
struct RegisterLoop {
  QStringList registers;
  bool broken = false;
};

// The registers the engine scans to break every loop (`optimise --method
// loops`), in the order they are described; minimum when proven so.
struct LoopBreaking {
  QStringList registers;
  bool minimum = true;
};

// Where a port's figures come from: the port its controllability was taken
// from and the port its observability was taken from (empty for none, and
// for primary ports).
struct PortSources {
  QString port;
  QString conFrom;
  QString obsFrom;
};

// Everything NAME.json holds.
struct CircuitResult {
  QString version;
  QString circuit;
  QString method;
  QString objective;
  std::optional<qint64> seed;
  QString layout;
  NamedChains chains;
  double fitness = 0.0;
  double testability = 0.0;
  double controllability = 0.0;
  double observability = 0.0;
  double controllablePercent = 0.0;
  double observablePercent = 0.0;
  double areaOverheadPercent = 0.0;
  double pinOverheadPercent = 0.0;
  std::optional<qint64> visited;
  std::optional<double> elapsedSeconds;
  std::vector<RegisterFigures> registers;
  std::vector<PortFigures> ports;
  std::vector<CircuitItem> items;
  std::vector<CircuitLink> links;
  std::vector<RegisterLoop> loops;
  std::optional<LoopBreaking> loopBreaking;  // absent in files of older engines
  std::vector<PortSources> propagation;

  // The figures of the composed port `name`, or null.
  const PortFigures* port(const QString& name) const;
  // The item called `name`, or null.
  const CircuitItem* item(const QString& name) const;
  // The register called `name`, or null.
  const RegisterFigures* reg(const QString& name) const;
};

// One method's row of a comparison.
struct CompareRow {
  QString method;
  QString layout;
  int scanned = 0;
  int chains = 0;
  double areaPercent = 0.0;
  double pinsPercent = 0.0;
  double testability = 0.0;
  double controllablePercent = 0.0;
  double observablePercent = 0.0;
  double fitness = 0.0;
  double seconds = 0.0;
  std::optional<qint64> visited;
  // With `compare --faultsim`: the stuck-at coverage of the layout, and the
  // rank correlation of word-level testability with detection (none when no
  // ranking exists).
  std::optional<double> stuckAtCoveragePercent;
  std::optional<double> coverageSpearman;
};

// Everything NAME.compare.json holds.
struct CompareResult {
  QString circuit;
  QString objective;
  QString version;
  double areaBudgetPercent = 0.0;
  double pinBudgetPercent = 0.0;
  std::vector<CompareRow> rows;
  QStringList pareto;
  // Why the exact search has no row (too many layouts to search), or empty.
  QString exactSkipped;

  // True when `row` keeps within the area and pin budgets.
  bool withinBudgets(const CompareRow& row) const;
  // True when `method` is on the Pareto front.
  bool onPareto(const QString& method) const { return pareto.contains(method); }
  // True when every row has its stuck-at coverage (a `--faultsim` comparison).
  bool hasCoverage() const;
  // The methods no other row beats on both area (lower) and stuck-at
  // coverage (higher), in row order; empty without coverage.
  QStringList coverageFront() const;
};

// The outcome of reading: the value, or the errors found (each naming its
// place, e.g. "items[3].ports[1]: 'bits' is not a number"), never both empty.
template <class T>
struct ReadResult {
  std::optional<T> value;
  QStringList errors;
  explicit operator bool() const { return value.has_value(); }
};

// Parses the text of NAME.json.
ReadResult<CircuitResult> parseCircuitResult(const QByteArray& text);
// Parses the text of NAME.compare.json.
ReadResult<CompareResult> parseCompareResult(const QByteArray& text);
// Reads and parses a NAME.json file.
ReadResult<CircuitResult> readCircuitResult(const QString& fileName);
// Reads and parses a NAME.compare.json file.
ReadResult<CompareResult> readCompareResult(const QString& fileName);
