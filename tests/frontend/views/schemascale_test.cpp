// The schema window on circuits of every size: a b19-size design opens as
// the register summary while the window keeps answering, its layout can be
// cancelled, loops expand, the schema stays fitted, loops are optional and
// selectable, and path marks keep their size on the screen.
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QThreadPool>

#include "views/graphschema.h"
#include "testsupport.h"

namespace {

CircuitResult load(const QString& file) {
  auto r = readCircuitResult(file);
  if (!r) qWarning() << r.errors;
  return r ? *r.value : CircuitResult{};
}

CircuitResult testData(const QString& name) { return load(QStringLiteral(LUMENO_TEST_DATA "/views/") + name); }

// The part of the viewport the scene takes, as a fraction of width and height.
QSizeF sceneShare(const GraphSchemaWindow& w) {
  const QRect shown = w.view()->mapFromScene(w.scene()->sceneRect()).boundingRect();
  const QSize port = w.view()->viewport()->size();
  return {double(shown.width()) / port.width(), double(shown.height()) / port.height()};
}

// True when the scene fills the viewport in one direction and fits in the other.
bool fitted(const GraphSchemaWindow& w) {
  const QSizeF share = sceneShare(w);
  return std::max(share.width(), share.height()) > 0.9 && share.width() < 1.05 && share.height() < 1.05;
}

}  // namespace

class SchemaScaleTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void largeDesignOpensAsSummaryWhileTheWindowAnswers();
  void cancelStopsTheLayoutAtOnce();
  void loopOfTheSummaryExpandsOnDoubleClick();
  void schemaIsFittedOnOpenAndOnResize();
  void midSizeSchemaIsNoTallColumn();
  void loopsAreOptionalAndTheChosenOneIsHighlighted();
  void pathMarksKeepTheirSizeOnTheScreen();

 private:
  QTemporaryDir dir_;
  CircuitResult large_, medium_;
};

void SchemaScaleTest::initTestCase() {
  QVERIFY(dir_.isValid());
  const QString big = WriteLayeredDesign(dir_.filePath("large"));
  QVERIFY(!big.isEmpty());
  large_ = load(AnalyseWithEngine(big, dir_.filePath("large-out")));
  QVERIFY(large_.items.size() > 10000 && large_.registers.size() > 600);
  QVERIFY(!large_.loops.empty());
  const QString mid = WriteLayeredDesign(dir_.filePath("medium"), 1600);
  medium_ = load(AnalyseWithEngine(mid, dir_.filePath("medium-out")));
  QVERIFY(medium_.items.size() > kFullSchemaItemLimit && !medium_.loops.empty());
}

void SchemaScaleTest::largeDesignOpensAsSummaryWhileTheWindowAnswers() {
  GraphSchemaWindow w;
  w.resize(1100, 700);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  EventLoopWatch watch;
  w.setCircuit(large_);
  QVERIFY(w.isLayingOut());
  QVERIFY(w.progressBar()->isVisible() && w.cancelButton()->isVisible());
  // A search while the layout runs is answered from the circuit.
  QCOMPARE(w.search(large_.registers.front().name), large_.registers.front().name);
  QVERIFY(w.waitForLayout());
  qInfo("longest gap %lld ms, interface thread busy at most %lld ms", watch.maxGapMs(), watch.maxBusyMs());
  QVERIFY2(watch.verdict().isEmpty(), qPrintable(watch.verdict()));
  QVERIFY(!w.cancelButton()->isVisible());
  QVERIFY(w.isSummary());
  const GraphLayout& g = w.layout();
  QVERIFY2(g.errors.isEmpty(), qPrintable(g.errors.join(u'\n')));
  // Every register is drawn, alone or inside its collapsed loop.
  QSet<QString> drawn;
  for (const auto& node : g.nodes) {
    for (const auto& m : node.members) drawn.insert(m);
    QVERIFY(!node.rect.isEmpty());
  }
  QCOMPARE(drawn.size(), qsizetype(large_.registers.size()));
  const LayoutNode* loop = g.node(LoopNodeName(0));
  QVERIFY(loop != nullptr);
  QCOMPARE(loop->members.size(), large_.loops[0].registers.size());
  QVERIFY(g.nodes.size() < large_.items.size() / 4 && !g.edges.empty());
  QVERIFY(w.selectedUnit().isEmpty());
  QVERIFY(fitted(w));
  QVERIFY(w.grab().save(QStringLiteral(RENDER_DIR "/schemascale-summary.png")));
}

void SchemaScaleTest::cancelStopsTheLayoutAtOnce() {
  GraphSchemaWindow w;
  w.show();
  EventLoopWatch watch;
  w.setCircuit(large_);
  QVERIFY(w.waitForLayout());
  // The full schema of 10,000 items takes Graphviz far longer than this test.
  w.showFullSchema();
  QTest::qWait(300);
  QVERIFY(w.isLayingOut());
  w.cancelButton()->click();
  QVERIFY(!w.isLayingOut());
  QVERIFY(w.statusText().contains(QStringLiteral("cancelled")));
  // The worker is free soon: its layout program was killed, not waited for.
  QTRY_COMPARE_WITH_TIMEOUT(QThreadPool::globalInstance()->activeThreadCount(), 0, 3000);
  qInfo("longest gap %lld ms, interface thread busy at most %lld ms", watch.maxGapMs(), watch.maxBusyMs());
  QVERIFY2(watch.verdict().isEmpty(), qPrintable(watch.verdict()));
  // The window takes the next circuit as usual.
  w.setCircuit(testData(QStringLiteral("gcd.json")));
  QVERIFY(w.waitForLayout());
  QVERIFY(!w.isSummary() && w.wireCount() > 0);
}

void SchemaScaleTest::loopOfTheSummaryExpandsOnDoubleClick() {
  GraphSchemaWindow w;
  w.resize(1000, 700);
  w.show();
  w.setCircuit(medium_);
  QVERIFY(w.waitForLayout());
  QVERIFY(w.isSummary());
  const int loopNodes = int(std::count_if(w.layout().nodes.begin(), w.layout().nodes.end(),
                                          [](const LayoutNode& n) { return n.kind == u"LOOP"; }));
  QCOMPARE(loopNodes, int(medium_.loops.size()));
  const LayoutNode* loop = w.layout().node(LoopNodeName(0));
  QVERIFY(loop != nullptr);
  QTest::mouseDClick(w.view()->viewport(), Qt::LeftButton, {}, w.view()->mapFromScene(loop->rect.center()));
  QVERIFY(w.isLayingOut());
  QVERIFY(w.waitForLayout());
  QVERIFY(w.layout().node(LoopNodeName(0)) == nullptr);
  for (const auto& reg : medium_.loops[0].registers) QVERIFY(w.layout().node(reg) != nullptr);
  // Chosen in the list, the expanded loop's registers are highlighted and
  // brought into view large enough to be seen.
  w.findChild<QListWidget*>()->setCurrentRow(0);
  QCOMPARE(w.selectedLoopNodes().size(), medium_.loops[0].registers.size());
  QRectF area;
  for (const QString& name : w.selectedLoopNodes()) area |= w.layout().node(name)->rect;
  const QRect onScreen = w.view()->mapFromScene(area).boundingRect();
  QVERIFY(w.view()->viewport()->rect().contains(onScreen.center()));
  QVERIFY(std::max(onScreen.width(), onScreen.height()) >= 60);
  QVERIFY(w.grab().save(QStringLiteral(RENDER_DIR "/schemascale-expanded.png")));
}

void SchemaScaleTest::midSizeSchemaIsNoTallColumn() {
  // About 250 items: the full schema, laid out in the background.
  const QString file = WriteLayeredDesign(dir_.filePath("mid"), 840);
  const CircuitResult mid = load(AnalyseWithEngine(file, dir_.filePath("mid-out")));
  QVERIFY(mid.items.size() > 200 && mid.items.size() <= std::size_t(kFullSchemaItemLimit));
  GraphSchemaWindow w;
  w.resize(1100, 700);
  w.show();
  w.setCircuit(mid);
  QVERIFY(w.waitForLayout());
  QVERIFY(!w.isSummary());
  const QRectF b = w.layout().bounds;
  QVERIFY2(b.height() < 3.0 * b.width() && b.width() < 3.0 * b.height(),
           qPrintable(QStringLiteral("%1 x %2").arg(b.width()).arg(b.height())));
  QVERIFY(w.grab().save(QStringLiteral(RENDER_DIR "/schemascale-mid.png")));
}

void SchemaScaleTest::schemaIsFittedOnOpenAndOnResize() {
  GraphSchemaWindow w;
  w.resize(700, 500);
  w.setCircuit(testData(QStringLiteral("diffeq.json")));
  QVERIFY(w.waitForLayout());
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(fitted(w));
  const double zoom = w.view()->zoom();
  w.resize(1400, 900);
  QTRY_VERIFY(w.view()->zoom() > zoom * 1.2);
  QVERIFY(fitted(w));
  // Once the user zooms, a resize leaves the zoom alone until Fit.
  w.view()->zoomBy(2.0);
  const double chosen = w.view()->zoom();
  w.resize(800, 600);
  QTest::qWait(50);
  QCOMPARE(w.view()->zoom(), chosen);
  w.fitToWindow();
  QVERIFY(fitted(w));
}

void SchemaScaleTest::loopsAreOptionalAndTheChosenOneIsHighlighted() {
  GraphSchemaWindow w;
  w.setCircuit(testData(QStringLiteral("diffeq-layout.json")));  // its one loop is broken
  QVERIFY(w.waitForLayout());
  QVERIFY(w.highlightedLinks().empty());
  w.findChild<QListWidget*>()->setCurrentRow(0);
  QVERIFY(!w.highlightedLinks().empty());
  QCOMPARE(w.selectedLoopNodes().size(), qsizetype(6));

  w.setCircuit(testData(QStringLiteral("diffeq.json")));  // unbroken: shown light by default
  QVERIFY(w.waitForLayout());
  const auto shown = w.highlightedLinks();
  QVERIFY(!shown.empty());
  w.setLoopsShown(false);
  QVERIFY(w.highlightedLinks().empty());
  w.selectLoop(0);  // a loop chosen in the list is drawn even so
  QCOMPARE(w.highlightedLinks(), shown);
  w.selectLoop(-1);
  QVERIFY(w.highlightedLinks().empty());
}

void SchemaScaleTest::pathMarksKeepTheirSizeOnTheScreen() {
  GraphSchemaWindow w;
  w.resize(1000, 700);
  w.show();
  w.setCircuit(testData(QStringLiteral("diffeq-layout.json")));
  QVERIFY(w.waitForLayout());
  w.clickNode(QStringLiteral("add"));
  while (w.markItems().empty() && w.stepPaths()) {
  }
  QVERIFY(!w.markItems().empty());
  for (const double zoom : {0.25, 8.0}) {
    w.view()->zoomBy(zoom);
    for (QGraphicsItem* mark : w.markItems()) {
      const QRectF onScreen = mark->deviceTransform(w.view()->viewportTransform()).mapRect(mark->boundingRect());
      if (auto* frame = dynamic_cast<QAbstractGraphicsShapeItem*>(mark); frame && frame->pen().style() != Qt::NoPen)
        QVERIFY(frame->pen().isCosmetic() && frame->pen().widthF() >= 3.0);
      else
        QVERIFY2(onScreen.height() >= 12.0, qPrintable(QString::number(onScreen.height())));
    }
  }
}

QTEST_MAIN(SchemaScaleTest)
#include "schemascale_test.moc"
