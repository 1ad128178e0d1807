// The new controls of the views fed from recorded engine output: the
// scan-readiness findings panel, the marks of registers that cannot be
// scanned in the layout editor, "Write Verilog with this layout..." in the
// editor and the comparison, and the comparison's coverage plot. Each view
// is also drawn to a picture.
#include <QChart>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QLineSeries>
#include <QSignalSpy>
#include <QTableWidget>
#include <QValueAxis>

#include "views/checkspanel.h"
#include "views/comparisonview.h"
#include "views/runstatusline.h"
#include "views/scanlayouteditor.h"
#include "testsupport.h"

namespace {

QString data(const char* name) { return QStringLiteral(LUMENO_TEST_DATA "/views/") + QLatin1String(name); }

CheckReport timerReport() {
  auto r = readCheckReport(data("timer.check.json"));
  return r ? *r.value : CheckReport{};
}

CircuitResult timerCircuit() {
  auto r = readCircuitResult(data("timer.json"));
  return r ? *r.value : CircuitResult{};
}

CompareResult faultsimComparison() {
  auto r = readCompareResult(data("diffeq_solver.faultsim.compare.json"));
  return r ? *r.value : CompareResult{};
}

}  // namespace

class ChecksPanelTest : public QObject {
  Q_OBJECT
 private slots:
  void findingsAndClickToTheRegister();
  void runAsksWithTheTypedPins();
  void editorMarksRegistersThatCannotBeScanned();
  void editorWritesVerilogOnlyWhenItCan();
  void comparisonPlotsCoverageAgainstArea();
  void comparisonWritesTheChosenRowsLayout();
  void renderPictures();
};

void ChecksPanelTest::findingsAndClickToTheRegister() {
  ChecksPanel p;
  p.setReport(timerReport());
  QCOMPARE(p.table()->rowCount(), 2);
  QCOMPARE(p.table()->item(0, 0)->text(), QStringLiteral("CLK-1"));
  QCOMPARE(p.table()->item(1, 2)->text(), QStringLiteral("expired"));
  QCOMPARE(p.table()->item(1, 3)->text(), QStringLiteral("timer.v:20"));
  QVERIFY(p.summaryLabel()->text().contains("0 of 9 flip-flops in 0 of 2 registers"));
  QVERIFY(p.summaryLabel()->text().contains("Clock domains: clk rising (1)"));
  QSignalSpy chosen(&p, &ChecksPanel::objectChosen);
  p.show();
  QVERIFY(QTest::qWaitForWindowExposed(&p));
  // A real click on the second finding's row.
  const QRect cell = p.table()->visualItemRect(p.table()->item(1, 0));
  QTest::mouseClick(p.table()->viewport(), Qt::LeftButton, {}, cell.center());
  QCOMPARE(chosen.size(), 1);
  QCOMPARE(chosen.front().front().toString(), QStringLiteral("expired"));
  p.findingClicked(7);  // no such row
  QCOMPARE(chosen.size(), 1);
  p.showLocated("expired", QString());
  QVERIFY(p.status()->hasFailed());
  p.showLocated("expired", "expired");
  QVERIFY(p.status()->text().contains("selected on the schema"));
  // A new report replaces the rows.
  p.setReport(CheckReport{});
  QCOMPARE(p.table()->rowCount(), 0);
}

void ChecksPanelTest::runAsksWithTheTypedPins() {
  ChecksPanel p;
  QSignalSpy requested(&p, &ChecksPanel::checksRequested);
  p.runClicked();
  QVERIFY(requested.isEmpty());  // not a design the checks read
  QVERIFY(!p.runButton()->isEnabled());
  QVERIFY(p.runButton()->toolTip().contains("Verilog"));
  p.setCheckable(true);
  QVERIFY(p.runButton()->isEnabled());
  p.setTestModeText("test_mode=1 rst_n=1");
  p.runButton()->click();
  QCOMPARE(requested.size(), 1);
  QCOMPARE(requested.front().front().toStringList(), QStringList({"test_mode=1", "rst_n=1"}));
  p.setTestModeText("test_mode");
  p.runClicked();
  QCOMPARE(requested.size(), 1);  // a malformed pin is shown, not sent
  QVERIFY(p.status()->hasFailed());
  QVERIFY(p.status()->text().contains("'test_mode' is not PORT=0 or PORT=1"));
  // While a run is going the button waits for it.
  p.setTestModeText(QString());
  p.status()->showRunning("Checking...");
  QVERIFY(!p.runButton()->isEnabled());
  p.runClicked();
  QCOMPARE(requested.size(), 1);
  p.status()->showSucceeded("2 finding(s).");
  QVERIFY(p.runButton()->isEnabled());
}

void ChecksPanelTest::editorMarksRegistersThatCannotBeScanned() {
  ScanLayoutEditor e;
  e.setCircuit(timerCircuit());
  QAbstractItemModel* m = e.table()->model();
  QCOMPARE(m->rowCount(), 2);
  const int check = m->columnCount() - 1;
  QCOMPARE(m->headerData(check, Qt::Horizontal).toString(), QStringLiteral("Scan check"));
  QCOMPARE(m->index(0, check).data().toString(), QStringLiteral("cannot be scanned (CLK-1)"));
  QCOMPARE(m->index(1, check).data().toString(), QStringLiteral("cannot be scanned (RST-1)"));
  QVERIFY(!e.table()->isColumnHidden(check));
  // Neither editable nor draggable; the reason in the tooltip.
  QVERIFY(!(m->flags(m->index(0, 4)) & Qt::ItemIsEditable));
  QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsDragEnabled));
  QVERIFY(m->index(0, 0).data(Qt::ToolTipRole).toString().contains("CLK-1"));
  // The tree lists them out of the layout, marked and not draggable.
  QTreeWidgetItem* out = e.tree()->topLevelItem(e.tree()->topLevelItemCount() - 1);
  QCOMPARE(out->childCount(), 2);
  QCOMPARE(out->child(0)->text(0), QStringLiteral("count (cannot be scanned: CLK-1)"));
  QVERIFY(!(out->child(0)->flags() & Qt::ItemIsDragEnabled));
  // No preset, drop or typed notation puts them in a chain.
  e.presetFullScan();
  QCOMPARE(e.model().notation(), QString());
  e.dropRegisters({"count"}, 0, 0);
  QCOMPARE(e.model().notation(), QString());
  e.typeNotation("count");
  QVERIFY(e.notationError().contains("'count' cannot be scanned (CLK-1)"));
  // A circuit of scannable registers has an empty check column.
  auto gcd = readCircuitResult(data("gcd.json"));
  QVERIFY(gcd);
  e.setCircuit(*gcd.value);
  QCOMPARE(m->index(0, check).data().toString(), QString());
  QVERIFY(m->flags(m->index(0, 4)) & Qt::ItemIsEditable);
  QVERIFY(e.table()->isColumnHidden(check));
}

void ChecksPanelTest::editorWritesVerilogOnlyWhenItCan() {
  ScanLayoutEditor e;
  auto gcd = readCircuitResult(data("gcd.json"));
  QVERIFY(gcd);
  e.setCircuit(*gcd.value);
  QSignalSpy requested(&e, &ScanLayoutEditor::verilogRequested);
  QVERIFY(!e.writeVerilogButton()->isEnabled());
  e.setVerilogWritable(false, "Writing Verilog needs a circuit read from Verilog; 'gcd' is a circuit description.");
  QVERIFY(e.writeVerilogButton()->toolTip().contains("needs a circuit read from Verilog"));
  e.writeVerilogClicked();
  QVERIFY(requested.isEmpty());
  e.setVerilogWritable(true);
  e.presetFullScan();
  e.writeVerilogButton()->click();
  QCOMPARE(requested.size(), 1);
  QCOMPARE(requested.front().front().toString(), e.model().notation());
  // One design at a time: busy while the engine writes it.
  e.verilogStatus()->showRunning("Writing...");
  QVERIFY(!e.writeVerilogButton()->isEnabled());
  e.writeVerilogClicked();
  QCOMPARE(requested.size(), 1);
  e.verilogStatus()->showFailed("the engine ended with exit status 1:\nERROR(1): a\nb\nc\nd\ne");
  QVERIFY(e.writeVerilogButton()->isEnabled());
  QVERIFY(e.verilogStatus()->text().endsWith("..."));  // long errors are cut, the tooltip has them all
}

void ChecksPanelTest::comparisonPlotsCoverageAgainstArea() {
  ComparisonView v;
  v.setComparison(faultsimComparison());
  QVERIFY(v.measureBox()->isEnabled());
  QCOMPARE(v.measure(), ComparisonMeasure::Testability);
  QVERIFY(qAbs(v.seriesOf("ga")->at(0).y() - 0.6848) < 0.001);
  v.measureBox()->setCurrentIndex(1);
  QCOMPARE(v.measure(), ComparisonMeasure::Coverage);
  QVERIFY(qAbs(v.seriesOf("ga")->at(0).y() - 23.0) < 0.01);
  QVERIFY(qAbs(v.seriesOf("full")->at(0).y() - 73.87) < 0.01);
  QCOMPARE(v.seriesOf("ga")->at(0).x(), 6.25);
  QVERIFY(v.chart()->title().startsWith("Stuck-at coverage against area overhead"));
  // The front is the coverage front, not the testability one: ga, not exact.
  QCOMPARE(v.seriesOf("ga")->name(), QStringLiteral("ga *"));
  QCOMPARE(v.seriesOf("exact")->name(), QStringLiteral("exact"));
  // full and loops (12.5 % area) are over the 7 % area budget: off the front.
  QCOMPARE(v.paretoLine()->count(), 2);
  QVERIFY(v.seriesOf("full")->name().contains(QStringLiteral("over budget")));
  QCOMPARE(v.table()->item(3, 0)->text(), QStringLiteral("ga *"));  // the table's stars follow the plot
  QCOMPARE(v.table()->item(4, 0)->text(), QStringLiteral("exact"));
  QVERIFY(!v.table()->isColumnHidden(9));
  QCOMPARE(v.table()->item(1, 9)->text(), QStringLiteral("73.87"));
  QCOMPARE(v.table()->item(0, 10)->text(), QStringLiteral("-"));
  // A comparison without coverage falls back to testability and hides the columns.
  auto plain = readCompareResult(data("diffeq.compare.json"));
  QVERIFY(plain);
  v.setComparison(*plain.value);
  QCOMPARE(v.measure(), ComparisonMeasure::Testability);
  QCOMPARE(v.measureBox()->currentIndex(), 0);
  QVERIFY(!v.measureBox()->isEnabled());
  QVERIFY(v.table()->isColumnHidden(9));
  v.setMeasure(ComparisonMeasure::Coverage);
  QCOMPARE(v.measure(), ComparisonMeasure::Testability);
  // The fault-simulation comparison is asked for, where it can be run.
  QSignalSpy faultsim(&v, &ComparisonView::faultsimComparisonRequested);
  QVERIFY(!v.faultsimButton()->isEnabled());
  v.setFaultsimAvailable(true);
  v.faultsimButton()->click();
  QCOMPARE(faultsim.size(), 1);
}

void ChecksPanelTest::comparisonWritesTheChosenRowsLayout() {
  ComparisonView v;
  v.setComparison(faultsimComparison());
  v.setVerilogWritable(true);
  QSignalSpy requested(&v, &ComparisonView::verilogRequested);
  QVERIFY(!v.writeVerilogButton()->isEnabled());  // no row chosen yet
  v.writeVerilogClicked();
  QVERIFY(requested.isEmpty());
  v.choose("ga");  // a click on its point selects its row
  QCOMPARE(v.selectedMethod(), QStringLiteral("ga"));
  QVERIFY(v.writeVerilogButton()->isEnabled());
  v.writeVerilogButton()->click();
  QCOMPARE(requested.size(), 1);
  QCOMPARE(requested.front()[0].toString(), QStringLiteral("02.7.6"));
  QCOMPARE(requested.front()[1].toString(), QStringLiteral("ga"));
  v.table()->selectRow(0);
  v.writeVerilogClicked();
  QCOMPARE(requested.back()[0].toString(), QString());  // none: no chain
  v.setVerilogWritable(false, "not Verilog");
  QVERIFY(!v.writeVerilogButton()->isEnabled());
  QCOMPARE(v.writeVerilogButton()->toolTip(), QStringLiteral("not Verilog"));
}

void ChecksPanelTest::renderPictures() {
  ChecksPanel p;
  p.setCheckable(true);
  p.setReport(timerReport());
  p.status()->showSucceeded("2 finding(s).");
  p.show();
  QVERIFY(QTest::qWaitForWindowExposed(&p));
  QVERIFY(p.grab().save(RENDER_DIR "/checkspanel.png"));
  ScanLayoutEditor e;
  e.setCircuit(timerCircuit());
  e.setVerilogWritable(true);
  e.verilogStatus()->showSucceeded("Wrote 'timer_scan.v': 0 scan chain(s), 0 flip-flop(s) scanned.");
  e.show();
  QVERIFY(QTest::qWaitForWindowExposed(&e));
  QVERIFY(e.grab().save(RENDER_DIR "/scaneditor-checks.png"));
  ComparisonView v;
  v.setComparison(faultsimComparison());
  v.setVerilogWritable(true);
  v.setFaultsimAvailable(true);
  v.setMeasure(ComparisonMeasure::Coverage);
  v.choose("ga");
  v.verilogStatus()->showRunning("Writing /tmp/diffeq_solver_scan.v with layout '02.7.6'...");
  v.resize(900, 640);
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  QVERIFY(v.grab().save(RENDER_DIR "/comparison-coverage.png"));
}

QTEST_MAIN(ChecksPanelTest)
#include "checkspanel_test.moc"
