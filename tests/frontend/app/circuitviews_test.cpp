// The runs the views of a circuit start themselves, with the real engine:
// writing the design with a layout as Verilog from the editor or the
// comparison (a file chosen, the run shown, the window never waiting), and
// the scan-readiness checks with a click from a finding to its register on
// the schema. Pictures of the views after real runs.
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QWidget>

#include "app/circuitviews.h"
#include "views/checkspanel.h"
#include "views/comparisonview.h"
#include "views/graphschema.h"
#include "views/runstatusline.h"
#include "views/scanlayouteditor.h"
#include "testsupport.h"

namespace {

QString verilog(const char* name) { return QStringLiteral(LUMENO_EXAMPLES "/verilog/") + QLatin1String(name); }

// A session of `file` working below `work`, with the views over it and every
// history line kept.
struct Views {
  Views(const QString& file, const QString& work) : state(SessionFor(file, work)), views(state, &owner) {
    views.setEngineLocator([] { return QStringLiteral(REAL_ENGINE); });
    QObject::connect(&views, &CircuitViews::historyLine, &views, [this](const QString& line) { history << line; });
  }
  QWidget owner;
  AppState state;
  CircuitViews views;
  QStringList history;
};

}  // namespace

class CircuitViewsTest : public QObject {
  Q_OBJECT
 private slots:
  void editorWritesTheDesignWithItsLayout();
  void aRefusedLayoutIsShownNotReportedAsWritten();
  void cancelledDialogWritesNothing();
  void onlyVerilogCircuitsOfferIt();
  void comparisonWritesTheChosenMethodsLayout();
  void checksFindingsLeadToTheSchema();
};

void CircuitViewsTest::editorWritesTheDesignWithItsLayout() {
  WorkFolder work(false);
  Views v(verilog("diffeq.v"), work.file("circuits"));
  QString offered;
  const QString out = work.file("diffeq_solver_scan.v");
  v.views.setSaveFileChooser([&](QWidget*, const QString& suggested) {
    offered = suggested;
    return out;
  });
  v.views.openEditor();
  ScanLayoutEditor* editor = v.views.editor();
  QVERIFY(editor->writeVerilogButton()->isEnabled());
  v.views.writeVerilog(editor, editor->verilogStatus(), QStringLiteral("x_var,u_var.y_var"));
  // The engine runs while the window goes on: busy, the button waiting.
  QVERIFY(v.views.isWritingVerilog());
  QVERIFY(editor->verilogStatus()->isBusy());
  QVERIFY(!editor->writeVerilogButton()->isEnabled());
  QCOMPARE(offered, QFileInfo(verilog("diffeq.v")).dir().filePath("diffeq_scan.v"));  // no analysis yet
  QTRY_VERIFY_WITH_TIMEOUT(!editor->verilogStatus()->isBusy(), 60000);
  QVERIFY2(!editor->verilogStatus()->hasFailed(), qPrintable(editor->verilogStatus()->text()));
  QCOMPARE(editor->verilogStatus()->text(),
           QStringLiteral("Wrote 'diffeq_solver_scan.v': 2 scan chain(s), 48 flip-flop(s) scanned."));
  QVERIFY(work.read("diffeq_solver_scan.v").contains("SCAN_IN1"));
  QVERIFY(QFile::exists(work.file("diffeq_solver_scan.chains.json")));
  QVERIFY(editor->writeVerilogButton()->isEnabled());
  QCOMPARE(v.history.size(), 2);
  QVERIFY(v.history[0].contains("insert " + verilog("diffeq.v") + " --layout x_var,u_var.y_var -o " + out));
  QVERIFY(v.history[1].contains("2 scan chain(s)"));
}

void CircuitViewsTest::aRefusedLayoutIsShownNotReportedAsWritten() {
  WorkFolder work(false);
  Views v(verilog("diffeq.v"), work.file("circuits"));
  v.views.setSaveFileChooser([&](QWidget*, const QString&) { return work.file("d.v"); });
  v.views.openEditor();
  ScanLayoutEditor* editor = v.views.editor();
  v.views.writeVerilog(editor, editor->verilogStatus(), QStringLiteral("nosuchreg"));
  QTRY_VERIFY_WITH_TIMEOUT(!editor->verilogStatus()->isBusy(), 60000);
  QVERIFY(editor->verilogStatus()->hasFailed());
  QVERIFY2(editor->verilogStatus()->text().contains("unknown register 'nosuchreg'"),
           qPrintable(editor->verilogStatus()->text()));
  QVERIFY(!QFile::exists(work.file("d.v")));
  QVERIFY(v.history.last().contains("writing Verilog failed"));
}

void CircuitViewsTest::cancelledDialogWritesNothing() {
  WorkFolder work(false);
  Views v(verilog("diffeq.v"), work.file("circuits"));
  v.views.setSaveFileChooser([](QWidget*, const QString&) { return QString(); });
  v.views.openEditor();
  emit v.views.editor()->verilogRequested(QStringLiteral("x_var"));
  QVERIFY(!v.views.isWritingVerilog());
  QVERIFY(!v.views.editor()->verilogStatus()->isBusy());
  QVERIFY(v.history.isEmpty());
}

void CircuitViewsTest::onlyVerilogCircuitsOfferIt() {
  WorkFolder work;
  Views v(work.file("diffeq"), work.file("circuits"));
  int asked = 0;
  v.views.setSaveFileChooser([&](QWidget*, const QString&) {
    ++asked;
    return work.file("x.v");
  });
  v.views.openEditor();
  QVERIFY(!v.views.editor()->writeVerilogButton()->isEnabled());
  QVERIFY(v.views.editor()->writeVerilogButton()->toolTip().contains("is a circuit description"));
  v.views.writeVerilog(v.views.editor(), v.views.editor()->verilogStatus(), QStringLiteral("0"));
  QCOMPARE(asked, 0);
  v.views.showComparison(CompareResult{});
  QVERIFY(!v.views.comparison()->faultsimButton()->isEnabled());
  v.views.openChecks();
  QVERIFY(!v.views.checks()->runButton()->isEnabled());
  v.views.runChecks({});
  QVERIFY(!v.views.isChecking());
}

void CircuitViewsTest::comparisonWritesTheChosenMethodsLayout() {
  WorkFolder work(false);
  Views v(verilog("diffeq.v"), work.file("circuits"));
  v.views.setSaveFileChooser([&](QWidget*, const QString&) { return work.file("ga.v"); });
  auto comparison = readCompareResult(QStringLiteral(LUMENO_TEST_DATA "/views/diffeq_solver.faultsim.compare.json"));
  QVERIFY(comparison);
  v.views.showComparison(*comparison.value);
  ComparisonView* view = v.views.comparison();
  QVERIFY(view->faultsimButton()->isEnabled());
  QSignalSpy faultsim(&v.views, &CircuitViews::faultsimComparisonRequested);
  view->faultsimButton()->click();
  QCOMPARE(faultsim.size(), 1);
  view->table()->selectRow(3);  // ga: 02.7.6, classic digits
  view->writeVerilogButton()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!view->verilogStatus()->isBusy(), 60000);
  QVERIFY2(!view->verilogStatus()->hasFailed(), qPrintable(view->verilogStatus()->text()));
  QVERIFY(view->verilogStatus()->text().startsWith("Wrote 'ga.v': 3 scan chain(s)"));
  view->resize(900, 640);
  view->setMeasure(ComparisonMeasure::Coverage);
  view->show();
  QVERIFY(QTest::qWaitForWindowExposed(view));
  QVERIFY(view->grab().save(RENDER_DIR "/circuitviews-comparison.png"));
}

void CircuitViewsTest::checksFindingsLeadToTheSchema() {
  WorkFolder work(false);
  Views v(verilog("timer.v"), work.file("circuits"));
  auto analysed = readCircuitResult(QStringLiteral(LUMENO_TEST_DATA "/views/timer.json"));
  QVERIFY(analysed);
  v.state.setCircuitResult(*analysed.value);
  v.views.openChecks();
  ChecksPanel* panel = v.views.checks();
  QVERIFY(panel->runButton()->isEnabled());
  panel->runButton()->click();
  QVERIFY(v.views.isChecking());
  QTRY_VERIFY_WITH_TIMEOUT(!panel->status()->isBusy(), 60000);
  QVERIFY2(!panel->status()->hasFailed(), qPrintable(panel->status()->text()));
  QCOMPARE(panel->table()->rowCount(), 2);  // exit status 1, yet a report
  QCOMPARE(panel->report().design, QStringLiteral("timer"));
  // A click on the RST-1 finding selects its register on the schema.
  panel->findingClicked(1);
  QVERIFY(v.views.schema() != nullptr);
  QCOMPARE(v.views.schema()->search(QStringLiteral("expired")), QStringLiteral("expired"));
  QVERIFY2(panel->status()->text().contains("expired is selected on the schema"), qPrintable(panel->status()->text()));
  // Held in test mode, nothing is left to report.
  panel->setTestModeText("test_mode=1");
  panel->runButton()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!panel->status()->isBusy(), 60000);
  QCOMPARE(panel->table()->rowCount(), 0);
  QCOMPARE(panel->report().scannableRegisters, 2);
  QVERIFY(v.history.contains(QStringLiteral("\t-") + panel->report().summary()));
}

QTEST_MAIN(CircuitViewsTest)
#include "circuitviews_test.moc"
