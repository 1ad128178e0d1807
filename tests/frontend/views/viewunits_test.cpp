// The pure units behind the views: result readers, notation, circuit graph,
// scan layout model and the progress reader.
#include "models/propagrecords.h"
#include "views/circuitgraph.h"
#include "enginelink/progressreader.h"
#include "enginelink/resultjson.h"
#include "models/scanlayoutmodel.h"
#include "testsupport.h"

namespace {

QString data(const char* name) { return QStringLiteral(LUMENO_TEST_DATA "/views/") + QLatin1String(name); }

const QStringList kSix{"reg1", "reg2", "reg3", "reg4", "reg5", "reg6"};

}  // namespace

class ViewUnitsTest : public QObject {
  Q_OBJECT
 private slots:
  void readsRecordedCircuitResult();
  void readsRecordedComparison();
  void malformedResultsNameThePlace();
  void notationNamedAndClassicForms();
  void notationErrors();
  void engineLoopsAndTheirWires();
  void derivedFieldsOfTheWrongTypeAreNamed();
  void propagationRecordsEqualTheProFile();
  void layoutModelMovesAndPresets();
  void progressLines();
};

void ViewUnitsTest::readsRecordedCircuitResult() {
  const auto r = readCircuitResult(data("diffeq-layout.json"));
  QVERIFY2(r, qPrintable(r.errors.join(u'\n')));
  const CircuitResult& c = *r.value;
  QCOMPARE(c.circuit, QStringLiteral("diffeq"));
  QCOMPARE(c.layout, QStringLiteral("reg1,reg6.reg4"));
  QCOMPARE(c.chains.size(), std::size_t(2));
  QCOMPARE(c.chains[0], QStringList({"reg1", "reg6"}));
  QVERIFY(!c.seed.has_value());  // null for an analysis
  QVERIFY(qAbs(c.testability - 0.656454) < 1e-6);
  QVERIFY(qAbs(c.areaOverheadPercent - 9.677) < 1e-3);
  QVERIFY(qAbs(c.pinOverheadPercent - 12.5) < 1e-9);
  const auto* reg6 = c.reg("reg6");
  QVERIFY(reg6 && reg6->scanned && reg6->chain == 0 && reg6->position == 1);
  QVERIFY(!c.reg("reg2")->scanned && c.reg("reg2")->chain == -1);
  QCOMPARE(c.item("reg1")->kind, QStringLiteral("SREG"));
  QCOMPARE(c.item("diffeq")->kind, QStringLiteral("CIRCUIT"));
  QCOMPARE(c.loops.size(), std::size_t(1));
  QVERIFY(c.loops[0].broken);
  QVERIFY(c.port("diffeq.SCAN_IN0") != nullptr);
}

void ViewUnitsTest::readsRecordedComparison() {
  const auto r = readCompareResult(data("diffeq.compare.json"));
  QVERIFY2(r, qPrintable(r.errors.join(u'\n')));
  QCOMPARE(r.value->rows.size(), std::size_t(5));
  QCOMPARE(r.value->rows[3].method, QStringLiteral("ga"));
  QCOMPARE(r.value->rows[3].visited.value_or(-1), 10520);
  QVERIFY(!r.value->rows[0].visited);
  QVERIFY(r.value->onPareto("exact") && !r.value->onPareto("full"));
}

void ViewUnitsTest::malformedResultsNameThePlace() {
  auto r = parseCircuitResult("{\"circuit\": \"c\", \"items\": [{\"name\": \"a\", \"kind\": \"ADD\", "
                              "\"ports\": [{\"name\": \"q\", \"bits\": \"8\"}]}, 3], \"fitness\": true}");
  QVERIFY(!r);
  QCOMPARE(r.errors, QStringList({"fitness: is not a number", "items[0].ports[0].bits: is not a number",
                                  "items[1]: is not an object"}));
  r = parseCircuitResult("{\"items\": []}");
  QCOMPARE(r.errors, QStringList({"circuit: is missing"}));
  r = parseCircuitResult("[1, 2]");
  QCOMPARE(r.errors, QStringList({"top level: is not an object"}));
  r = parseCircuitResult("{\"circuit\": ");
  QVERIFY(!r && r.errors.front().startsWith(QLatin1String("offset ")));
  r = parseCircuitResult("{\"circuit\": \"c\", \"chains\": [[\"a\", 1]], \"registers\": [{\"name\": \"a\", "
                         "\"chain\": 0.5}]}");
  QCOMPARE(r.errors, QStringList({"chains[0][1]: is not a string", "registers[0].chain: is not a whole number"}));
  const auto missing = readCompareResult(data("no-such-file.json"));
  QVERIFY(!missing && missing.errors.front().contains(QLatin1String("cannot be read")));
  const auto compare = parseCompareResult("{\"circuit\": \"c\", \"rows\": [{\"layout\": \"\"}], \"pareto\": \"ga\"}");
  QCOMPARE(compare.errors, QStringList({"rows[0].method: is missing", "pareto: is not a list"}));
}

// The model reads and writes layouts through the front end's notation unit.
void ViewUnitsTest::notationNamedAndClassicForms() {
  ScanLayoutModel m;
  std::vector<RegisterFigures> regs;
  for (const QString n : {"x_var", "u_var", "y_var"}) regs.push_back({n, false, -1, -1, 0, 0, false});
  m.setRegisters(regs);
  QCOMPARE(m.setNotation("x_var,u_var.y_var"), QString());
  QCOMPARE(m.chains(), NamedChains({{"x_var", "u_var"}, {"y_var"}}));
  QCOMPARE(m.notation(), QStringLiteral("x_var,u_var.y_var"));
  // The classic digit form names registers by their index.
  QCOMPARE(m.setNotation("2.10"), QString());
  QCOMPARE(m.notation(), QStringLiteral("y_var.u_var,x_var"));
  QCOMPARE(m.setNotation(""), QString());
  QVERIFY(m.chains().empty());
  // Round trip of a wide layout.
  std::vector<RegisterFigures> many;
  for (int i = 0; i < 600; ++i) many.push_back({QStringLiteral("r%1").arg(i), false, -1, -1, 0, 0, false});
  m.setRegisters(many);
  m.fullScan(2);
  const QString text = m.notation();
  QCOMPARE(text.count(u'.'), 1);
  m.clear();
  QCOMPARE(m.setNotation(text), QString());
  QCOMPARE(m.chains().size(), std::size_t(2));
  QCOMPARE(m.chains()[1].size(), 300);
  QCOMPARE(m.notation(), text);
}

void ViewUnitsTest::notationErrors() {
  ScanLayoutModel m;
  std::vector<RegisterFigures> regs;
  for (const auto& n : kSix) regs.push_back({n, false, -1, -1, 0, 0, false});
  m.setRegisters(regs);
  QCOMPARE(m.setNotation("reg2"), QString());
  for (const QString bad : {"reg1,regX", "reg1.reg1", "reg1,,reg2", "07"}) {
    const QString error = m.setNotation(bad);
    QVERIFY2(error.startsWith(QStringLiteral("scan layout '%1': ").arg(bad)), qPrintable(error));
    QCOMPARE(m.notation(), QStringLiteral("reg2"));  // a rejected notation changes nothing
  }
  QVERIFY(m.setNotation("reg1,regX").contains(QLatin1String("regX")));
}

void ViewUnitsTest::engineLoopsAndTheirWires() {
  const auto r = readCircuitResult(data("diffeq.json"));
  QVERIFY(r);
  // The engine's loop-breaking set: reg1 (its self-loop), reg6 (the adder
  // loops) and reg5 of the multiplier pair.
  QVERIFY(r.value->loopBreaking);
  QCOMPARE(r.value->loopBreaking->registers, QStringList({"reg1", "reg5", "reg6"}));
  QVERIFY(r.value->loopBreaking->minimum);
  // One propagation entry per port, primary ports without sources.
  QCOMPARE(r.value->propagation.size(), r.value->ports.size());
  for (const auto& step : r.value->propagation)
    if (step.port.startsWith(QLatin1String("diffeq."))) QVERIFY(step.conFrom.isEmpty() && step.obsFrom.isEmpty());
  // The wires of reg1's self-loop run through the subtractor.
  const CircuitGraph g(*r.value);
  QStringList wires;
  for (int link : g.loopWires({"reg1"})) wires << r.value->links[link].from + "->" + r.value->links[link].to;
  wires.sort();
  QCOMPARE(wires, QStringList({"reg1.q->sub.b", "sub.q->reg1.d"}));
  // A ring of many registers: every wire is on its loop, found quickly.
  CircuitResult ring;
  ring.circuit = "ring";
  const int n = 20000;
  QStringList all;
  for (int i = 0; i < n; ++i) {
    ring.items.push_back({QStringLiteral("r%1").arg(i), "REG", {{"d", "in", 1}, {"q", "out", 1}}});
    ring.links.push_back({QStringLiteral("r%1.q").arg(i), QStringLiteral("r%1.d").arg((i + 1) % n)});
    all << ring.items.back().name;
  }
  QCOMPARE(CircuitGraph(ring).loopWires(all).size(), std::size_t(n));
  QVERIFY(CircuitGraph(CircuitResult{}).loopWires({"r0"}).empty());
}

void ViewUnitsTest::derivedFieldsOfTheWrongTypeAreNamed() {
  const auto bad = parseCircuitResult(
      R"({"circuit": "c", "loop_breaking": {"registers": ["a", 3]}, "propagation": [{"port": "c.x", "con_from": 1}]})");
  QVERIFY(!bad);
  QVERIFY2(bad.errors.contains("loop_breaking.registers[1]: is not a string"), qPrintable(bad.errors.join('|')));
  QVERIFY2(bad.errors.contains("propagation[0].con_from: is not a string"), qPrintable(bad.errors.join('|')));
  QVERIFY(parseCircuitResult(R"({"circuit": "c", "loop_breaking": []})").errors.contains(
      "loop_breaking: is not an object"));
}

// The records built from NAME.json are those the .pro file of the same run
// gives, one for one and in the same order.
void ViewUnitsTest::propagationRecordsEqualTheProFile() {
  const auto r = readCircuitResult(data("diffeq-layout.json"));
  QVERIFY(r);
  const PropagRecordList fromJson = PropagRecordsOf(*r.value);
  const PropagRecordList fromFile = PropagRecordList::readFile(data("diffeq-layout.pro"));
  QCOMPARE(fromJson.size(), fromFile.size());
  QVERIFY(fromFile.size() > 50);
  for (int k = 0; k < fromFile.size(); ++k) {
    const PropagRecord& a = fromJson.records()[static_cast<std::size_t>(k)];
    const PropagRecord& b = fromFile.records()[static_cast<std::size_t>(k)];
    QCOMPARE(QString(QChar(a.kind)) + QChar(a.direction) + a.port, QString(QChar(b.kind)) + QChar(b.direction) + b.port);
    QCOMPARE(a.driver, b.driver);
    QCOMPARE(a.sink, b.sink);
    QCOMPARE(a.con, b.con);
    QCOMPARE(a.obs, b.obs);
  }
  // The paths of a unit come out the same.
  QCOMPARE(PathSet::build("add", fromJson).listing(), PathSet::build("add", fromFile).listing());
  // No propagation in the file (an older engine): no records.
  QCOMPARE(PropagRecordsOf(CircuitResult{}).size(), 0);
}

void ViewUnitsTest::layoutModelMovesAndPresets() {
  ScanLayoutModel m;
  std::vector<RegisterFigures> regs;
  for (const auto& n : kSix) regs.push_back({n, false, -1, -1, 0.5, 0.5, false});
  m.setRegisters(regs);
  m.place("reg3", 0, 0);  // opens the first chain
  m.place("reg1", 0, 0);
  m.place("reg2", 1, 5);  // a new chain, clamped position
  QCOMPARE(m.notation(), QStringLiteral("reg1,reg3.reg2"));
  m.place("reg1", 0, 2);  // to the end of its own chain
  QCOMPARE(m.notation(), QStringLiteral("reg3,reg1.reg2"));
  m.place("reg3", 1, 0);  // its chain closes up behind it
  QCOMPARE(m.notation(), QStringLiteral("reg1.reg3,reg2"));
  m.place("reg1", -1, 0);  // out; the emptied chain disappears
  QCOMPARE(m.notation(), QStringLiteral("reg3,reg2"));
  QCOMPARE(m.chainOf("reg2"), 0);
  QCOMPARE(m.positionOf("reg2"), 1);
  m.placeAll({"reg5", "reg4", "nobody", "reg5"}, 0, 1);
  QCOMPARE(m.notation(), QStringLiteral("reg3,reg5,reg4,reg2"));
  m.placeAll({"reg2", "reg3"}, 0, 1);  // moving inside one chain
  QCOMPARE(m.notation(), QStringLiteral("reg2,reg3,reg5,reg4"));
  m.fullScan(4);
  QCOMPARE(m.notation(), QStringLiteral("reg1,reg2.reg3,reg4.reg5.reg6"));
  m.fullScan(99);
  QCOMPARE(m.chains().size(), std::size_t(6));
  m.setChains({{"reg2", "ghost", "reg2"}, {}, {"reg6"}});
  QCOMPARE(m.notation(), QStringLiteral("reg2.reg6"));
  QVERIFY(!m.setNotation("reg9").isEmpty());
  QCOMPARE(m.notation(), QStringLiteral("reg2.reg6"));  // a rejected notation changes nothing
  QVERIFY(m.setNotation(" 543210 ").isEmpty());
  QCOMPARE(m.notation(), QStringLiteral("reg6,reg5,reg4,reg3,reg2,reg1"));
  m.clear();
  QCOMPARE(m.notation(), QString());
}

void ViewUnitsTest::progressLines() {
  const auto r = ParseProgressLine("progress generation=12 stale=3 best=0.668230 elapsed=1.25\n");
  QVERIFY(r);
  QCOMPARE(r->generation, 12);
  QCOMPARE(r->stale, 3);
  QCOMPARE(r->best, 0.66823);
  QCOMPARE(r->elapsed, 1.25);
  QVERIFY(!ParseProgressLine("Solution='reg1', iteration number is 2"));
  QVERIFY(!ParseProgressLine("progress generation=x stale=1 best=1 elapsed=1"));
  QVERIFY(!ParseProgressLine("progress generation=1 stale=-2 best=1 elapsed=1"));
  QVERIFY(!ParseProgressLine("progress generation=1 stale=2 best=nan elapsed=1"));
  QVERIFY(!ParseProgressLine("progress generation=1 stale=2 best=1 elapsed=1 extra=3"));
  QVERIFY(!ParseProgressLine("progress stale=2 generation=1 best=1 elapsed=1"));
  QVERIFY(!ParseProgressLine("progress generation=1 stale=2 best=1"));
}

QTEST_MAIN(ViewUnitsTest)
#include "viewunits_test.moc"
