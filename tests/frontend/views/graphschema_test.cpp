// The schema window of any circuit, alone: items and wires against the
// circuit, search, heat map legend, loops, chains, clicks with path stepping,
// export, and pictures for the eye.
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QSvgRenderer>

#include "views/graphschema.h"
#include "testsupport.h"

namespace {

CircuitResult load(const QString& name) {
  auto r = readCircuitResult(QStringLiteral(LUMENO_TEST_DATA "/views/") + name);
  if (!r) qWarning() << r.errors;
  return r ? *r.value : CircuitResult{};
}

QString render(GraphSchemaWindow& w, const QString& name) {
  w.show();
  w.fitToWindow();
  QCoreApplication::processEvents();
  const QString file = QStringLiteral(RENDER_DIR "/") + name;
  w.grab().save(file);
  return file;
}

}  // namespace

class GraphSchemaTest : public QObject {
  Q_OBJECT
 private slots:
  void itemsAndWiresMatchTheCircuit();
  void searchFindsExactThenPartialNames();
  void heatLegendShowsTheCircuitFigures();
  void unbrokenLoopsAreHighlightedAndListed();
  void chainsAreDrawnOverTheSchema();
  void clickSelectsUnitAndStepsThroughItsPaths();
  void pathStepsAreDroppedWithANewResult();
  void exportWritesPngAndSvg();
  void renderPictures();
};

void GraphSchemaTest::itemsAndWiresMatchTheCircuit() {
  const CircuitResult c = load(QStringLiteral("diffeq.json"));
  GraphSchemaWindow w;
  w.setCircuit(load(QStringLiteral("gcd.json")));  // replaced by the next one
  w.setCircuit(c);
  QVERIFY(w.waitForLayout());
  const GraphLayout& g = w.layout();
  QVERIFY2(g.errors.isEmpty(), qPrintable(g.errors.join(u'\n')));
  // Every item but the circuit's own one is a node; every primary port too.
  int expected = 0;
  for (const auto& item : c.items) expected += item.kind == u"CIRCUIT" ? static_cast<int>(item.ports.size()) : 1;
  QCOMPARE(static_cast<int>(g.nodes.size()), expected);
  QVERIFY(g.node(QStringLiteral("mux4")) && g.node(QStringLiteral("diffeq.result")));
  QCOMPARE(g.node(QStringLiteral("mux4"))->ports.size(), std::size_t(6));
  // One wire per link between two items (the paths inside an item are no
  // wires), from the driver's port to the sink's port.
  QCOMPARE(w.wireCount(), 43);
  for (const auto& e : g.edges) {
    QCOMPARE(c.links[e.link].from, e.from);
    QVERIFY(ItemOfComposedPort(e.from) != ItemOfComposedPort(e.to));
    const auto* from = g.node(ItemOfComposedPort(e.from));
    const auto* to = g.node(ItemOfComposedPort(e.to));
    if (!from) from = g.node(e.from);
    if (!to) to = g.node(e.to);
    QVERIFY2(from && to, qPrintable(e.from + " -> " + e.to));
    QVERIFY(!e.path.empty());
    // The wire leaves near the driving port and ends near the sink's port.
    const auto* fp = from->primary ? &from->ports.front() : from->port(PortOfComposedPort(e.from));
    const auto* tp = to->primary ? &to->ports.front() : to->port(PortOfComposedPort(e.to));
    QVERIFY(fp && tp);
    QVERIFY2(QLineF(e.path.front(), fp->anchor).length() < 12.0, qPrintable(e.from));
    QVERIFY2(QLineF(e.tip, tp->anchor).length() < 12.0, qPrintable(e.to));
  }
  // Left to right: inputs on an item's left side, outputs on its right; data
  // flows from the primary inputs towards the primary output.
  const auto* add = g.node(QStringLiteral("add"));
  QVERIFY(add->port(QStringLiteral("a"))->anchor.x() < add->port(QStringLiteral("q"))->anchor.x());
  QVERIFY(g.node(QStringLiteral("diffeq.dx"))->rect.right() < g.node(QStringLiteral("diffeq.result"))->rect.left());
  for (const auto& n : g.nodes) QVERIFY(g.bounds.adjusted(-1, -1, 1, 1).contains(n.rect));
  // Port tooltips carry the figures of the engine.
  QGraphicsItem* port = nullptr;
  for (auto* item : w.scene()->items())
    if (item->toolTip().startsWith(QLatin1String("reg4.q (out"))) port = item;
  QVERIFY(port);
  QVERIFY2(port->toolTip().contains(QLatin1String("con 0.818957  obs 0.000000  tst 0.000000")),
           qPrintable(port->toolTip()));
}

void GraphSchemaTest::searchFindsExactThenPartialNames() {
  GraphSchemaWindow w;
  w.setCircuit(load(QStringLiteral("diffeq.json")));
  QVERIFY(w.waitForLayout());
  QCOMPARE(w.search(QStringLiteral("mux1")), QStringLiteral("mux1"));
  QCOMPARE(w.search(QStringLiteral("  MUL2 ")), QStringLiteral("mul2"));
  QCOMPARE(w.search(QStringLiteral("resu")), QStringLiteral("diffeq.result"));
  QCOMPARE(w.search(QStringLiteral("nothing")), QString());
  const auto selected = w.scene()->selectedItems();
  QCOMPARE(selected.size(), 1);
  QCOMPARE(selected.front()->data(0).toString(), QStringLiteral("diffeq.result"));
}

void GraphSchemaTest::heatLegendShowsTheCircuitFigures() {
  GraphSchemaWindow w;
  w.setCircuit(load(QStringLiteral("diffeq.json")));
  QVERIFY(w.waitForLayout());
  w.setHeatMeasure(HeatMeasure::Con);
  HeatLegend l = w.legend();
  QCOMPARE(l.tickLabels, QStringList({"0.00", "0.25", "0.50", "0.75", "1.00"}));
  QCOMPARE(l.ports, 71);
  QCOMPARE(l.title, QStringLiteral("con of 71 ports"));
  QCOMPARE(l.min, 0.0);
  QCOMPARE(l.max, 1.0);
  QVERIFY(l.summary.startsWith(QLatin1String("min 0.000  mean 0.")));
  w.setHeatMeasure(HeatMeasure::Obs);
  QCOMPARE(w.legend().title, QStringLiteral("obs of 71 ports"));
  w.setHeatMeasure(HeatMeasure::Tst);
  l = w.legend();
  // Without scan, no port of diffeq is both controllable and observable.
  QCOMPARE(l.summary, QStringLiteral("min 0.000  mean 0.000  max 0.000"));
  // The colour scale runs from red to green.
  QVERIFY(HeatColour(0.0).red() > HeatColour(0.0).green());
  QVERIFY(HeatColour(1.0).green() > HeatColour(1.0).red());
  QCOMPARE(HeatColour(-3.0), HeatColour(0.0));
}

void GraphSchemaTest::unbrokenLoopsAreHighlightedAndListed() {
  GraphSchemaWindow w;
  const CircuitResult c = load(QStringLiteral("diffeq.json"));
  w.setCircuit(c);
  QVERIFY(w.waitForLayout());
  QCOMPARE(w.loopEntries(), QStringList({"Loop 1 (unbroken): reg6 reg5 reg4 reg3 reg2 reg1"}));
  // The loop runs through the data path: sub.q -> reg1.d is on it, the
  // comparator's wires and the clock and select wires are not.
  QSet<QString> onLoop;
  for (int link : w.highlightedLinks()) onLoop.insert(c.links[link].from + "->" + c.links[link].to);
  QVERIFY(onLoop.contains("sub.q->reg1.d"));
  QVERIFY(onLoop.contains("reg6.q->reg2.d"));
  QVERIFY(!onLoop.contains("reg6.q->comp.a"));
  QVERIFY(!onLoop.contains("diffeq.clk->reg1.clk"));
  QVERIFY(!onLoop.contains("diffeq.sel1->mux1.s"));
  // Once broken by the layout, the loop is listed but no longer highlighted.
  GraphSchemaWindow scanned;
  scanned.setCircuit(load(QStringLiteral("diffeq-layout.json")));
  QVERIFY(scanned.waitForLayout());
  QVERIFY(scanned.loopEntries().front().startsWith(QLatin1String("Loop 1 (broken)")));
  QVERIFY(scanned.highlightedLinks().empty());
}

void GraphSchemaTest::chainsAreDrawnOverTheSchema() {
  GraphSchemaWindow w;
  const CircuitResult c = load(QStringLiteral("diffeq-layout.json"));
  w.setCircuit(c);
  QVERIFY(w.waitForLayout());
  QCOMPARE(w.chainOverlayCount(), 2);
  // Scan ports are left out of the layout: the schema keeps its shape.
  GraphSchemaWindow plain;
  plain.setCircuit(load(QStringLiteral("diffeq.json")));
  QVERIFY(plain.waitForLayout());
  QCOMPARE(w.layout().nodes.size(), plain.layout().nodes.size());
  QCOMPARE(w.wireCount(), plain.wireCount());
  w.setScanChains({{"reg1"}, {"reg2", "reg3"}, {"unknown"}});
  QCOMPARE(w.chainOverlayCount(), 2);
  w.setScanChains({});
  QCOMPARE(w.chainOverlayCount(), 0);
}

void GraphSchemaTest::clickSelectsUnitAndStepsThroughItsPaths() {
  GraphSchemaWindow w;
  w.setCircuit(load(QStringLiteral("diffeq-layout.json")));  // the paths come with it
  QVERIFY(w.waitForLayout());
  QSignalSpy clicks(&w, &GraphSchemaWindow::nodeClicked);
  QSignalSpy lines(&w, &GraphSchemaWindow::historyLine);
  // A real click on the adder in the view.
  w.show();
  w.fitToWindow();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const QPointF centre = w.layout().node(QStringLiteral("add"))->title.center();
  QTest::mouseClick(w.view()->viewport(), Qt::LeftButton, {}, w.view()->mapFromScene(centre));
  QCOMPARE(clicks.size(), 1);
  QCOMPARE(clicks.front().front().toString(), QStringLiteral("add"));
  QCOMPARE(w.selectedUnit(), QStringLiteral("add"));
  QVERIFY(w.stepPaths());
  QCOMPARE(lines.front().front().toString(), QStringLiteral("'add' selected..."));
  QVERIFY(w.historyText().contains(QLatin1String("Step 1) diffeq.SCAN_IN0")));
  // The primary scan input is not drawn; later steps mark ports of the schema.
  QStringList seen = w.markedPorts();
  while (w.stepPaths()) seen << w.markedPorts();
  QVERIFY2(w.historyText().contains(QLatin1String("End of data for 'add'.")), qPrintable(w.historyText()));
  QVERIFY2(seen.contains(QStringLiteral("add.a")) && seen.contains(QStringLiteral("add.q")), qPrintable(seen.join(' ')));
  for (const auto& port : seen) QVERIFY(w.layout().node(ItemOfComposedPort(port)) || w.layout().node(port));
  QVERIFY(!w.stepPaths());
  // Back to the first step.
  w.restartPaths();
  QVERIFY(w.markedPorts().isEmpty());  // the first entry is the scan input
  QVERIFY(w.stepPaths());
  // A primary port is no unit: nothing is selected anew.
  w.clickNode(QStringLiteral("diffeq.dx"));
  QCOMPARE(w.selectedUnit(), QStringLiteral("add"));
}

void GraphSchemaTest::pathStepsAreDroppedWithANewResult() {
  GraphSchemaWindow w;
  const CircuitResult first = load(QStringLiteral("diffeq-layout.json"));
  w.setCircuit(first);
  QVERIFY(w.waitForLayout());
  w.clickNode(QStringLiteral("add"));
  while (w.markItems().empty() && w.stepPaths()) {
  }
  QVERIFY(!w.markItems().empty() && !w.historyText().isEmpty());
  auto button = [&w](const QString& text) {
    for (auto* b : w.findChildren<QPushButton*>())
      if (b->text() == text) return b;
    return static_cast<QPushButton*>(nullptr);
  };
  QVERIFY(button(">")->isEnabled());
  // A new analysis of the same circuit, this time without path records: no
  // step, mark, selection or history of the previous one stays, and no
  // click can step through the previous result's paths.
  CircuitResult second = first;
  second.propagation.clear();
  w.setCircuit(second);
  QVERIFY(w.markItems().empty() && w.markedPorts().isEmpty());
  QVERIFY(w.selectedUnit().isEmpty());
  QVERIFY2(w.historyText().isEmpty(), qPrintable(w.historyText()));
  QVERIFY(!button(">")->isEnabled() && !button("|<")->isEnabled());
  QVERIFY(!w.stepPaths());
  QVERIFY(w.waitForLayout());
  w.clickNode(QStringLiteral("add"));
  QVERIFY(!button(">")->isEnabled());
  QVERIFY(!w.stepPaths());
  QVERIFY(w.markItems().empty());
  QVERIFY2(!w.historyText().contains(QLatin1String("Step")), qPrintable(w.historyText()));
  // With its own records the new result steps as before.
  w.setCircuit(first);
  QVERIFY(w.waitForLayout());
  w.clickNode(QStringLiteral("add"));
  QVERIFY(w.stepPaths());
  QVERIFY(w.historyText().contains(QLatin1String("Step 1)")));
}

void GraphSchemaTest::exportWritesPngAndSvg() {
  GraphSchemaWindow w;
  w.setCircuit(load(QStringLiteral("gcd.json")));
  QVERIFY(w.waitForLayout());
  QTemporaryDir dir;
  const QString png = dir.filePath("gcd.png"), svg = dir.filePath("gcd.svg");
  QVERIFY(w.exportTo(png));
  QVERIFY(w.exportTo(svg));
  const QImage image(png);
  QVERIFY(image.width() > 200 && image.height() > 100);
  QSvgRenderer renderer(svg);
  QVERIFY(renderer.isValid());
  QVERIFY(!w.exportTo(dir.filePath("missing/folder/x.png")));
}

void GraphSchemaTest::renderPictures() {
  for (const QString name : {"diffeq", "diffeq-layout", "gcd"}) {
    GraphSchemaWindow w;
    w.setCircuit(load(name + ".json"));
    QVERIFY(w.waitForLayout());
    w.setPropagationFile(QStringLiteral(LUMENO_TEST_DATA "/views/") + name + ".pro");
    if (name == u"diffeq-layout") {
      w.clickNode(QStringLiteral("add"));
      w.stepPaths();
    }
    QVERIFY(!QImage(render(w, "graphschema-" + name + ".png")).isNull());
  }
}

QTEST_MAIN(GraphSchemaTest)
#include "graphschema_test.moc"
