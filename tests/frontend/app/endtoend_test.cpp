// Whole runs of the main window against the engine built in this tree, in a
// temporary working folder holding the diffeq description.
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "classic/dftform.h"
#include "app/mainform.h"
#include "testsupport.h"

namespace {

void run(TFormMain& form) {
  form.RunButton->click();
  QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 120000);
}

// The results file the last run left, as the window read it.
LastResults resultsOnDisk(const WorkFolder& work) { return ParseResults(work.read(QStringLiteral("diffeq.par"))); }

// The history lines from the last "\t-results:" on.
QStringList lastResultLines(const TFormMain& form) {
  const QStringList lines = form.HistoryLines();
  const qsizetype from = lines.lastIndexOf(QStringLiteral("\t-results:"));
  return from < 0 ? QStringList() : lines.mid(from);
}

}  // namespace

class EndToEndTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void initTestCase() {
    // The engine must be able to analyse the benchmark at all.
    WorkFolder work;
    QProcess engine;
    engine.start(QStringLiteral(REAL_ENGINE), {"diffeq", "-n", "0", "-1"});
    QVERIFY(engine.waitForFinished(60000));
    QVERIFY2(QFile::exists(work.file(QStringLiteral("diffeq.par"))), engine.readAllStandardError().constData());
  }

  void init() {
    renewState();
  }

  void analysisWithoutAndWithScan() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(REAL_ENGINE));

    run(form);
    QVERIFY2(log.entries.empty(), log.entries.empty() ? "" : qPrintable(log.entries[0].text));
    const LastResults plain = resultsOnDisk(work);
    QCOMPARE(plain.scanLayout, QString());
    QVERIFY(plain.nodes.toInt() > 0);
    QCOMPARE(form.NodesValue->text(), plain.nodes);
    QCOMPARE(form.TestabilityValue->text(), plain.testability);
    QCOMPARE(form.ConRatioValue->text(), plain.conRatio);
    QCOMPARE(form.ObsRatioValue->text(), plain.obsRatio);
    QVERIFY(plain.conRatio.toDouble() < 100.0);  // the loops are uncontrollable
    QStringList lines = lastResultLines(form);
    QCOMPARE(lines.value(1), QStringLiteral("\t\t-scanLayout: none"));
    QCOMPARE(lines.value(2), "\t\t-nNodes: " + plain.nodes);
    QVERIFY(!lines.join(u'\n').contains(QStringLiteral("-fitness:")));

    state().loadNotation(QStringLiteral("0.1.2.3.4.5"));
    run(form);
    QVERIFY(log.entries.empty());
    const LastResults full = resultsOnDisk(work);
    QCOMPARE(full.scanLayout, QStringLiteral("0.1.2.3.4.5"));
    QCOMPARE(form.NodesValue->text(), full.nodes);
    QVERIFY(full.nodes.toInt() > plain.nodes.toInt());  // scan ports were added
    QVERIFY(full.testabilityValue > plain.testabilityValue);
    QVERIFY(full.areaOverhead.toDouble() > 0.0 && full.ioOverhead.toDouble() > 0.0);
    lines = lastResultLines(form);
    QCOMPARE(lines.value(1), QStringLiteral("\t\t-scanLayout: R1.R2.R3.R4.R5.R6"));
    QCOMPARE(lines.value(3), "\t\t-areaOver: " + full.areaOverhead + " %");
    QCOMPARE(lines.value(4), "\t\t-pinOver: " + full.ioOverhead + " %");
  }

  void autoDesign() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(REAL_ENGINE));
    form.AutoDesignRadio->click();
    form.TrackBars[0]->setValue(20);
    form.TrackBars[1]->setValue(100);
    form.TrackBars[3]->setValue(10);
    form.TrackBars[4]->setValue(50);
    form.ElitismBox->setChecked(true);
    run(form);

    const QStringList history = form.HistoryLines();
    QVERIFY(history.contains(QStringLiteral("Performing Scan-DFT")));
    QVERIFY(history.contains(QStringLiteral("\t\tPopulSize: 10")));
    QVERIFY(history.contains(QStringLiteral("\t\tUnenhRuns: 50")));
    const LastResults designed = resultsOnDisk(work);
    QCOMPARE(form.FitnessValue->text(), designed.fitness);
    QCOMPARE(form.NodesValue->text(), designed.nodes);
    const QStringList lines = lastResultLines(form);
    QCOMPARE(lines.value(5), QString::asprintf("\t\t-fitness: %f", designed.fitnessValue));
    QCOMPARE(lines.value(6), QString::asprintf("\t\t-testability: %f", designed.testabilityValue));

    // The designed layout is loaded into the grid and shown.
    QVERIFY(form.ScanLayoutBox->isChecked() && form.scanLayoutWindow() != nullptr);
    QCOMPARE(state().layoutNotation(), designed.scanLayout);
    // A low fitness is explained; a good one is not.
    const bool warned = !log.entries.empty() && log.entries.back().caption == QStringLiteral("Info");
    QCOMPARE(warned, designed.fitnessValue < 50.0);
  }
};

QTEST_MAIN(EndToEndTest)
#include "endtoend_test.moc"
