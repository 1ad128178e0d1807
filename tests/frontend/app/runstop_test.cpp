// Stopping the engine: the status bar's Stop during a long optimisation of a
// b19-size design, closing the optimiser window during its run, and a
// comparison. A stopped run leaves the previous results where they were.
#include <QPushButton>

#include "app/mainform.h"
#include "enginelink/enginerun.h"
#include "views/optimiserpanel.h"
#include "testsupport.h"

namespace {

void waitForRun(TFormMain& form) { QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 240000); }

// The optimiser's GA on the open circuit, patient enough to run for hours.
void startEndlessOptimisation(OptimiserPanel& panel) {
  panel.setMethod(QStringLiteral("ga"));
  QStringList args = panel.arguments();
  const qsizetype patience = args.indexOf(QStringLiteral("--patience"));
  QVERIFY(patience > 0);
  args[patience + 1] = QStringLiteral("100000000");
  emit panel.runRequested(args);
}

// What a result is recognised by.
QString fingerprint(const CircuitResult* r) {
  return r == nullptr ? QString()
                      : QStringLiteral("%1 %2 %3 %4").arg(r->circuit, r->layout).arg(r->testability).arg(r->items.size());
}

}  // namespace

class RunStopTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }
  void stopKeepsThePreviousResults();
  void closingTheOptimiserDuringItsRunAsksToStopIt();
  void aComparisonCanBeStopped();

 private:
  // A main window over the real engine with `design` opened and analysed.
  void openAnalysed(TFormMain& form, WorkFolder& work, int ports);
};

void RunStopTest::openAnalysed(TFormMain& form, WorkFolder& work, int ports) {
  form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
  form.setWorkRoot(work.file(QStringLiteral("circuits")));
  form.setEnginePath(QStringLiteral(REAL_ENGINE));
  form.show();
  const QString design = WriteLayeredDesign(work.file(QStringLiteral("design")), ports);
  QVERIFY(!design.isEmpty());
  QVERIFY(form.OpenCircuit(design));
  waitForRun(form);
  QVERIFY(form.circuitResult() != nullptr);
}

void RunStopTest::stopKeepsThePreviousResults() {
  WorkFolder work(false);
  MessageLog log(state());
  TFormMain form(state());
  openAnalysed(form, work, 33000);
  QVERIFY(form.circuitResult()->items.size() > 10000);
  const QString before = fingerprint(form.circuitResult());
  QVERIFY(!form.StopButton->isVisible());

  form.optimiserChosen();
  OptimiserPanel* panel = form.optimiserWindow();
  QVERIFY(panel != nullptr);
  startEndlessOptimisation(*panel);
  QVERIFY(form.isRunning() && panel->running());
  QVERIFY(form.StopButton->isVisible());
  QTest::qWait(1500);  // the engine is at work
  QVERIFY(form.isRunning());
  form.StopButton->click();
  QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 5000);
  QVERIFY(!form.StopButton->isVisible() && !panel->running());
  // The analysis's results stay, said to be those of the previous run.
  QCOMPARE(fingerprint(form.circuitResult()), before);
  QVERIFY2(panel->statusText().contains(QStringLiteral("previous run")), qPrintable(panel->statusText()));
  // A stop the user asked for is no error: no message box, the history says it.
  for (const MessageLog::Entry& e : log.entries) QVERIFY2(e.icon != QMessageBox::Critical, qPrintable(e.text));
  QVERIFY(form.HistoryLines().join(u'\n').contains(QStringLiteral("-stopped")));
}

void RunStopTest::closingTheOptimiserDuringItsRunAsksToStopIt() {
  WorkFolder work(false);
  MessageLog log(state());
  TFormMain form(state());
  openAnalysed(form, work, 1600);
  const QString before = fingerprint(form.circuitResult());
  form.optimiserChosen();
  QPointer<OptimiserPanel> panel = form.optimiserWindow();
  startEndlessOptimisation(*panel);
  QVERIFY(form.isRunning());
  const std::size_t asked = log.entries.size();

  // Cancel: the window stays and so does the run.
  log.answers.push_back(QMessageBox::Cancel);
  QVERIFY(!panel->close());
  QCOMPARE(log.entries.size(), asked + 1);
  QCOMPARE(log.entries.back().icon, QMessageBox::Question);
  QVERIFY(panel->isVisible() && form.isRunning());

  // Yes: the run is stopped with the window, and nothing of it is applied.
  log.answers.push_back(QMessageBox::Yes);
  QVERIFY(panel->close());
  QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 5000);
  QTest::qWait(300);
  QCOMPARE(fingerprint(form.circuitResult()), before);
  QTRY_VERIFY(panel.isNull());  // closed for good
}

void RunStopTest::aComparisonCanBeStopped() {
  WorkFolder work(false);
  MessageLog log(state());
  TFormMain form(state());
  openAnalysed(form, work, 1600);
  const QString before = fingerprint(form.circuitResult());
  form.compareChosen();
  QVERIFY(form.isRunning() && form.StopButton->isVisible() && form.StopButton->isEnabled());
  QTest::qWait(300);
  form.StopButton->click();
  QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 5000);
  QVERIFY(form.comparisonWindow() == nullptr);
  QCOMPARE(fingerprint(form.circuitResult()), before);
}

QTEST_MAIN(RunStopTest)
#include "runstop_test.moc"
