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
#include <QValueAxis>

#include "views/comparisonview.h"
#include "enginelink/enginerun.h"
#include "views/optimiserpanel.h"
#include "testsupport.h"

class ComparisonTest : public QObject {
  Q_OBJECT
 private slots:
  void chartsEveryMethodWithItsParetoFront();
  void clickOnAPointEmitsItsLayout();
  void optimiserArguments();
  void progressBarFollowsTheEngine();
  void budgetsAndAxesAreDrawnAsTheyAre();
  void layoutsOverBudgetAreMarkedAndLeftOffTheFront();
  void coincidentPointsShareOneLabel();
  void layoutsAreShownByRegisterName();
  void closingTheOptimiserDuringARunAsks();
  void renderPictures();

 private:
  // The case of a small design with tight budgets: the GA's layout is over
  // the pin budget (fitness 0), the exact search scans nothing (as "none").
  static CompareResult tight() {
    CompareResult c;
    c.circuit = QStringLiteral("b01");
    c.objective = QStringLiteral("graded");
    c.areaBudgetPercent = 7.0;
    c.pinBudgetPercent = 13.0;
    auto row = [](const char* method, const char* layout, int scanned, double area, double pins, double t, double f) {
      CompareRow r;
      r.method = QString::fromLatin1(method);
      r.layout = QString::fromLatin1(layout);
      r.scanned = scanned;
      r.chains = scanned > 0 ? 1 : 0;
      r.areaPercent = area;
      r.pinsPercent = pins;
      r.testability = t;
      r.fitness = f;
      return r;
    };
    c.rows = {row("none", "", 0, 0.0, 0.0, 0.12, 0.12), row("full", "012", 3, 9.5, 25.0, 0.62, 0.0),
              row("ga", "01", 2, 4.1, 16.7, 0.41, 0.0), row("exact", "", 0, 0.0, 0.0, 0.12, 0.12)};
    c.pareto = {QStringLiteral("none"), QStringLiteral("full"), QStringLiteral("ga"), QStringLiteral("exact")};
    return c;
  }

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

void ComparisonTest::budgetsAndAxesAreDrawnAsTheyAre() {
  ComparisonView v;
  v.setComparison(recorded());
  auto axes = v.chart()->axes(Qt::Horizontal);
  QCOMPARE(axes.size(), 1);
  auto* x = qobject_cast<QValueAxis*>(axes.front());
  QCOMPARE(x->min(), 0.0);  // no layout costs less than none
  QVERIFY(x->max() >= 20.0);  // the area budget is in view
  QVERIFY(v.areaBudgetLine() != nullptr);
  const auto line = v.areaBudgetLine()->points();
  QCOMPARE(line.size(), 2);
  QCOMPARE(line[0].x(), 20.0);
  QCOMPARE(line[1].x(), 20.0);
  auto* y = qobject_cast<QValueAxis*>(v.chart()->axes(Qt::Vertical).front());
  QVERIFY(line[0].y() <= y->min() && line[1].y() >= y->max());
  bool pinEntry = false;
  for (auto* s : v.chart()->series()) pinEntry |= s->name().startsWith(QStringLiteral("pin budget 20 %"));
  QVERIFY(pinEntry);
  QVERIFY(v.notesText().isEmpty());  // every layout within budget, none empty but "none"
}

void ComparisonTest::layoutsOverBudgetAreMarkedAndLeftOffTheFront() {
  ComparisonView v;
  CompareResult c = tight();
  c.exactSkipped = QStringLiteral("the exact search would evaluate 1e+12 layouts; use --method ga");
  v.setComparison(c);
  // The engine's front names all four; within the budgets only the two empty layouts remain.
  QCOMPARE(v.paretoLine()->points(), QList<QPointF>({{0.0, 0.12}, {0.0, 0.12}}));
  QVERIFY(v.seriesOf("ga")->name().contains(QStringLiteral("over budget")));
  QVERIFY(!v.seriesOf("ga")->name().contains(u'*'));
  QCOMPARE(v.seriesOf("ga")->color(), QColor(Qt::white));  // hollow
  QVERIFY(v.table()->item(2, 0)->text().contains(QStringLiteral("over budget")));
  const QString notes = v.notesText();
  QVERIFY2(notes.contains(QStringLiteral("ga is over budget (pins 16.70 % > 13 %; fitness 0.0000)")), qPrintable(notes));
  QVERIFY(notes.contains(QStringLiteral("full is over budget (area 9.50 % > 7 %, pins 25.00 % > 13 %")));
  QVERIFY(notes.contains(QStringLiteral("exact scans no register")));
  QVERIFY(notes.contains(QStringLiteral("exact was skipped: the exact search would evaluate")));
  // Read from the engine's file.
  const auto parsed = parseCompareResult(R"({"circuit":"b","rows":[],"pareto":[],"exact_skipped":"too many"})");
  QVERIFY(parsed);
  QCOMPARE(parsed.value->exactSkipped, QStringLiteral("too many"));
}

void ComparisonTest::coincidentPointsShareOneLabel() {
  ComparisonView v;
  v.setComparison(tight());
  QCOMPARE(v.pointLabel("none"), QStringLiteral("none, exact"));
  QCOMPARE(v.pointLabel("exact"), QString());
  QVERIFY(v.seriesOf("none")->pointLabelsVisible());
  QVERIFY(!v.seriesOf("exact")->pointLabelsVisible());
  QCOMPARE(v.pointLabel("ga"), QStringLiteral("ga"));
  // Both points stay clickable.
  QSignalSpy chosen(&v, &ComparisonView::layoutChosen);
  emit v.seriesOf("exact")->clicked(QPointF(0.0, 0.12));
  QCOMPARE(chosen.size(), 1);
  QCOMPARE(chosen.front()[1].toString(), QStringLiteral("exact"));
}

void ComparisonTest::layoutsAreShownByRegisterName() {
  ComparisonView v;
  v.setComparison(tight());
  QCOMPARE(v.table()->item(2, 8)->text(), QStringLiteral("01"));  // no names known yet
  v.setRegisterNames({QStringLiteral("state"), QStringLiteral("count"), QStringLiteral("flag")});
  QCOMPARE(v.table()->item(1, 8)->text(), QStringLiteral("state,count,flag"));
  QCOMPARE(v.table()->item(2, 8)->text(), QStringLiteral("state,count"));
  QCOMPARE(v.table()->item(0, 8)->text(), QStringLiteral("(none)"));
  QVERIFY(v.table()->item(2, 8)->toolTip().contains(QStringLiteral("01")));
  // The layout applied is the engine's own text.
  QSignalSpy chosen(&v, &ComparisonView::layoutChosen);
  v.choose(QStringLiteral("ga"));
  QCOMPARE(chosen.front()[0].toString(), QStringLiteral("01"));
}

void ComparisonTest::closingTheOptimiserDuringARunAsks() {
  OptimiserPanel p;
  std::vector<QMessageBox::StandardButton> answers{QMessageBox::Cancel, QMessageBox::No};
  int asked = 0;
  QStringList texts;
  p.setMessageBoxHandler([&](QWidget*, QMessageBox::Icon, const QString&, const QString& text,
                             QMessageBox::StandardButtons) -> QMessageBox::StandardButton {
    texts << text;
    return answers[asked++];
  });
  QSignalSpy stop(&p, &OptimiserPanel::stopRequested);
  p.show();
  QVERIFY(p.close());  // no run: no question
  QCOMPARE(asked, 0);
  p.show();
  p.runStarted();
  QVERIFY(!p.close());  // Cancel: it stays
  QVERIFY(p.isVisible());
  QVERIFY(p.close());  // No: it closes, the run goes on
  QCOMPARE(asked, 2);
  QVERIFY2(texts.front().contains(QStringLiteral("Stop it?")), qPrintable(texts.front()));
  QCOMPARE(stop.count(), 0);
  answers = {QMessageBox::Yes};
  asked = 0;
  p.show();
  QVERIFY(p.close());
  QCOMPARE(stop.count(), 1);
  p.runFinished(false, RunStoppedReason());
  QVERIFY(p.statusText().contains(QStringLiteral("previous run")));
}

void ComparisonTest::renderPictures() {
  ComparisonView v;
  v.setComparison(recorded());
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  QVERIFY(v.grab().save(RENDER_DIR "/comparison.png"));
  ComparisonView t;
  CompareResult c = tight();
  c.exactSkipped = QStringLiteral("the exact search would evaluate more than 1e+12 layouts; use --method ga");
  t.setRegisterNames({QStringLiteral("state"), QStringLiteral("count"), QStringLiteral("flag")});
  t.setComparison(c);
  t.show();
  QVERIFY(QTest::qWaitForWindowExposed(&t));
  QVERIFY(t.grab().save(RENDER_DIR "/comparison-budgets.png"));
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
