// The comparison chart fed from a recorded compare JSON, and the optimiser
// run panel fed with recorded progress output.
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTableWidget>

#include "views/comparisonview.h"
#include "views/optimiserpanel.h"
#include "testsupport.h"

class ComparisonTest : public QObject {
  Q_OBJECT
 private slots:
  void chartsEveryMethodWithItsParetoFront();
  void clickOnAPointEmitsItsLayout();
  void optimiserArguments();
  void progressBarFollowsTheEngine();
  void renderPictures();

 private:
  static CompareResult recorded() {
    auto r = readCompareResult(QStringLiteral(LUMENO_TEST_DATA "/views/diffeq.compare.json"));
    return r ? *r.value : CompareResult{};
  }
};

void ComparisonTest::chartsEveryMethodWithItsParetoFront() {
  ComparisonView v;
  v.setComparison(recorded());
  for (const QString m : {"none", "full", "loops", "ga", "exact"}) {
    auto* s = v.seriesOf(m);
    QVERIFY2(s, qPrintable(m));
    QCOMPARE(s->count(), 1);
  }
  QCOMPARE(v.seriesOf("ga")->at(0), QPointF(12.903, 0.66823));
  QCOMPARE(v.seriesOf("ga")->name(), QStringLiteral("ga"));  // beaten by exact on both counts
  QCOMPARE(v.seriesOf("exact")->name(), QStringLiteral("exact *"));
  QCOMPARE(v.seriesOf("full")->name(), QStringLiteral("full"));
  // The front runs from the cheapest to the most testable layout.
  QCOMPARE(v.paretoLine()->points(),
           QList<QPointF>({{0.0, 0.075437}, {9.677, 0.719045}}));
  QCOMPARE(v.chart()->series().size(), 8);  // and the area and pin budgets
  QCOMPARE(v.table()->rowCount(), 5);
  QCOMPARE(v.table()->item(4, 0)->text(), QStringLiteral("exact *"));
  QCOMPARE(v.table()->item(0, 8)->text(), QStringLiteral("(none)"));
  // A comparison without rows shows an empty chart.
  v.setComparison(CompareResult{});
  QCOMPARE(v.chart()->series().size(), 1);
  QCOMPARE(v.paretoLine()->count(), 0);
}

void ComparisonTest::clickOnAPointEmitsItsLayout() {
  ComparisonView v;
  v.setComparison(recorded());
  QSignalSpy chosen(&v, &ComparisonView::layoutChosen);
  emit v.seriesOf("exact")->clicked(QPointF(9.677, 0.719045));
  QCOMPARE(chosen.size(), 1);
  QCOMPARE(chosen.front()[0].toString(), QStringLiteral("reg1.reg4.reg6"));
  QCOMPARE(chosen.front()[1].toString(), QStringLiteral("exact"));
  // A real click on the point of the chart.
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  auto* view = v.chartView();
  const QPointF scene = v.chart()->mapToPosition(QPointF(12.903, 0.66823), v.seriesOf("ga"));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(scene));
  QCOMPARE(chosen.size(), 2);
  QCOMPARE(chosen.back()[1].toString(), QStringLiteral("ga"));
  // A double click on a table row does the same.
  emit v.table()->cellDoubleClicked(0, 2);
  QCOMPARE(chosen.back()[0].toString(), QString());
}

void ComparisonTest::optimiserArguments() {
  OptimiserPanel p;
  p.setCircuitFile("examples/gcd.v", "/tmp/work");
  QCOMPARE(p.arguments(), QStringList({"optimise", "examples/gcd.v", "--method", "ga", "--area", "7", "--pins", "13",
                                       "--objective", "graded", "--population", "20", "--patience", "500", "--json",
                                       "--progress", "--out", "/tmp/work"}));
  p.setSeed(42);
  p.setMethod("exact");
  QCOMPARE(p.arguments(), QStringList({"optimise", "examples/gcd.v", "--method", "exact", "--area", "7", "--pins",
                                       "13", "--objective", "graded", "--seed", "42", "--json", "--progress", "--out",
                                       "/tmp/work"}));
  QSignalSpy runs(&p, &OptimiserPanel::runRequested);
  for (auto* b : p.findChildren<QPushButton*>())
    if (b->text() == u"&Run") b->click();
  QCOMPARE(runs.size(), 1);
  QCOMPARE(runs.front().front().toStringList(), p.arguments());
}

void ComparisonTest::progressBarFollowsTheEngine() {
  OptimiserPanel p;
  p.setCircuitFile("diffeq", QString());
  p.runStarted();
  QVERIFY(p.running());
  QCOMPARE(p.progressMaximum(), 500);
  // Recorded progress lines of a run; a malformed one is passed over.
  p.showProgressLine("progress generation=1 stale=0 best=0.512000 elapsed=0.01");
  QCOMPARE(p.lastReport().generation, 1);
  p.showProgressLine("progress generation=2 stale=1 best=0.512000 elapsed=0.02");
  p.showProgressLine("progress generation=3 stale=oops best=0.512000 elapsed=0.03");
  QCOMPARE(p.lastReport().generation, 2);
  p.showProgressLine("progress generation=260 stale=257 best=0.668230 elapsed=1.93");
  QCOMPARE(p.progressValue(), 257);
  QCOMPARE(p.statusText(), QStringLiteral("Generation 260, best fitness 0.668230, 1.9 s"));
  p.runFinished(true, "Done: reg1,reg6,reg2,reg4");
  QVERIFY(!p.running());
  QCOMPARE(p.progressValue(), 500);
  QCOMPARE(p.statusText(), QStringLiteral("Done: reg1,reg6,reg2,reg4"));
}

void ComparisonTest::renderPictures() {
  ComparisonView v;
  v.setComparison(recorded());
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  QVERIFY(v.grab().save(RENDER_DIR "/comparison.png"));
  OptimiserPanel p;
  p.setCircuitFile("diffeq", QString());
  p.runStarted();
  p.showProgressLine("progress generation=260 stale=257 best=0.668230 elapsed=1.93");
  p.show();
  QVERIFY(QTest::qWaitForWindowExposed(&p));
  QVERIFY(p.grab().save(RENDER_DIR "/optimiser.png"));
}

QTEST_MAIN(ComparisonTest)
#include "comparison_test.moc"
