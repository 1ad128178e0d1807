// The main window: start-up state, sliders, the engine command lines, the
// results file, the history, failed runs and the companion windows. Runs use
// the stand-in engine.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTextBrowser>

#include "app/aboutform.h"
#include "classic/dftform.h"
#include "app/helpwindow.h"
#include "app/mainform.h"
#include "classic/schema.h"
#include "testsupport.h"

namespace {

QString localTime() { return QLocale().toString(fixedNow().time(), QLocale::ShortFormat); }

// Presses Run and waits until the action has finished.
void run(TFormMain& form) {
  form.RunButton->click();
  QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 10000);
}

// The history after its two header lines.
QStringList runLines(const TFormMain& form) { return form.HistoryLines().mid(2); }

const QByteArray kLowFitnessPar = "'3' 350 0.200 60.0 60.0 4.000 2.000 49.999 ";

}  // namespace

class MainFormTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() {
    renewState();
    state().setActionRun(false);
    state().setHelpMode(false);
    qunsetenv("FAKE_TARVEX_MODE");
    qunsetenv("FAKE_TARVEX_PAR");
  }

  void startUpState() {
    WorkFolder work;
    work.write(QStringLiteral("diffeq.par"), "'012345' 1 1.0 1 1 1 1 1 ");
    state().setLayoutCell(0, 0, 3);
    TFormMain form(state());
    QVERIFY(!QFile::exists(work.file(QStringLiteral("diffeq.par"))));
    QVERIFY(state().layout().isEmpty());
    QVERIFY(form.startupFinished());
    QCOMPARE(form.windowTitle(), QStringLiteral("Lumeno"));
    QCOMPARE(form.size(), QSize(kMainWidth, kMainHeight));
    QCOMPARE(form.minimumSize(), form.maximumSize());

    const QLocale locale;
    QCOMPARE(form.HistoryLines(),
             (QStringList{QStringLiteral("History (program started %1, %2)")
                              .arg(locale.toString(fixedNow().date(), QLocale::ShortFormat), localTime()),
                          QString(72, u'-')}));
    for (QLabel* value : {form.NodesValue, form.TestabilityValue, form.ConRatioValue, form.ObsRatioValue,
                          form.AreaOverValue, form.IoOverValue, form.TestTimeValue})
      QCOMPARE(value->text(), QStringLiteral("0"));
    QVERIFY(form.TestTimeLabel->isHidden() && form.TestTimeValue->isHidden() && form.TrackBars[2]->isHidden());

    const QStringList values = {"7", "13", "1000", "20", "500"};
    for (int i = 0; i < 5; ++i) QCOMPARE(form.TrackBarValues[i]->text(), values[i]);
    QCOMPARE(form.TrackBars[0]->maximum(), 20);
    QCOMPARE(form.TrackBars[1]->maximum(), 100);
    QCOMPARE(form.TrackBars[3]->maximum(), 100);
    QCOMPARE(form.TrackBars[4]->maximum(), 9000);

    QVERIFY(form.AnalysisRadio->isChecked());
    QVERIFY(!form.ConstraintsGroup->isEnabled() && !form.GaGroup->isEnabled() && !form.FitnessBar->isEnabled());
    QVERIFY(!form.ElitismBox->isChecked());
    QVERIFY(!form.LoopsBox->isEnabled());
    for (QLabel* label : form.LoopLabels) QVERIFY(!label->isEnabled());
    QVERIFY(form.ScanLayoutBox->isEnabled());
    QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Please select an action to be performed."));
    QCOMPARE(form.HelpModeAction->text(), QStringLiteral("Help Mode off"));
    QCOMPARE(form.RunProgress->value(), 0);
  }

  void actionSelectionEnablesTheParameters() {
    WorkFolder work;
    TFormMain form(state());
    form.RunProgress->setValue(40);
    form.AutoDesignRadio->click();
    QCOMPARE(form.RunProgress->value(), 0);
    QVERIFY(form.ConstraintsGroup->isEnabled() && form.GaGroup->isEnabled());
    QVERIFY(form.FitnessLabel->isEnabled() && form.FitnessValue->isEnabled() && form.FitnessBar->isEnabled());
    form.AnalysisRadio->click();
    QVERIFY(!form.ConstraintsGroup->isEnabled() && !form.GaGroup->isEnabled() && !form.FitnessLabel->isEnabled());
  }

  void slidersSnapToTheirSteps() {
    WorkFolder work;
    TFormMain form(state());
    form.TrackBars[3]->setValue(37);
    QCOMPARE(form.TrackBars[3]->value(), 30);
    QCOMPARE(form.TrackBarValues[3]->text(), QStringLiteral("30"));
    form.TrackBars[4]->setValue(1234);
    QCOMPARE(form.TrackBars[4]->value(), 1200);
    QCOMPARE(form.TrackBarValues[4]->text(), QStringLiteral("1200"));
    form.TrackBars[0]->setValue(19);
    QCOMPARE(form.TrackBarValues[0]->text(), QStringLiteral("19"));
    form.TrackBars[4]->setValue(49);
    QCOMPARE(form.TrackBarValues[4]->text(), QStringLiteral("0"));
  }

  void parameterStrings() {
    QCOMPARE(AnalysisParameters(QString()), QStringLiteral("diffeq -n 0 -1"));
    QCOMPARE(AnalysisParameters(QStringLiteral("0.1.2.3.4.5")), QStringLiteral("diffeq -n 0 0.1.2.3.4.5"));
    QCOMPARE(AutoDesignParameters(7, 13, 20, false, 500), QStringLiteral("diffeq -n 1 1 7 13 20 0 500"));
    QCOMPARE(AutoDesignParameters(20, 100, 100, true, 9000), QStringLiteral("diffeq -n 1 1 20 100 100 1 9000"));
  }

  void runsPassTheParameterStrings() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));

    run(form);  // no register in a chain
    QCOMPARE(work.read(QStringLiteral("args.txt")), QByteArray("diffeq -n 0 -1"));

    state().setLayoutCell(0, 0, 1);
    state().setLayoutCell(0, 1, 0);
    state().setLayoutCell(2, 0, 5);
    run(form);
    QCOMPARE(work.read(QStringLiteral("args.txt")), QByteArray("diffeq -n 0 10.5"));

    form.AutoDesignRadio->click();
    form.TrackBars[0]->setValue(5);
    form.TrackBars[1]->setValue(40);
    form.TrackBars[3]->setValue(37);
    form.TrackBars[4]->setValue(1234);
    form.ElitismBox->setChecked(true);
    run(form);
    QCOMPARE(work.read(QStringLiteral("args.txt")), QByteArray("diffeq -n 1 1 5 40 30 1 1200"));
    form.ElitismBox->setChecked(false);
    run(form);
    QCOMPARE(work.read(QStringLiteral("args.txt")), QByteArray("diffeq -n 1 1 5 40 30 0 1200"));
    QVERIFY(state().actionRun());
  }

  void parsingTheResultsFile() {
    LastResults r = ParseResults("'' 330 0.123 52.4 61.2 0.000 0.000 0.000 ");
    QCOMPARE(r.scanLayout, QString());
    QCOMPARE(r.nodes, QStringLiteral("330"));
    QCOMPARE(r.testability, QStringLiteral("0.123"));
    QCOMPARE(r.testabilityValue, 0.123);
    QCOMPARE(r.conRatio, QStringLiteral("52.4"));
    QCOMPARE(r.obsRatio, QStringLiteral("61.2"));
    QCOMPARE(r.ioOverhead, QStringLiteral("0.000"));
    QCOMPARE(r.fitness, QStringLiteral("0.000"));
    QVERIFY(ResultHistoryLines(r, false).contains(QStringLiteral("\t\t-scanLayout: none")));

    r = ParseResults("'01.2' 372 0.987 81.7 72.0 15.385 4.444 77.500 extra fields here ");
    QCOMPARE(r.scanLayout, QStringLiteral("01.2"));
    QCOMPARE(r.ioOverhead, QStringLiteral("15.385"));
    QCOMPARE(r.areaOverhead, QStringLiteral("4.444"));
    QCOMPARE(r.fitnessValue, 77.5);
    QVERIFY(ResultHistoryLines(r, true).contains(QStringLiteral("\t\t-scanLayout: R1R2.R3")));

    // Missing fields stay empty (nothing of an earlier run survives); a
    // last token without its blank is not a field.
    r = ParseResults("'5' 300 0.5 40.0");
    QCOMPARE(r.scanLayout, QStringLiteral("5"));
    QCOMPARE(r.testabilityValue, 0.5);
    QCOMPARE(r.conRatio, QString());
    QCOMPARE(r.fitness, QString());
    QCOMPARE(r.fitnessValue, 0.0);

    // Two blanks make an empty field and shift the rest.
    r = ParseResults("'0'  300 0.5 ");
    QCOMPARE(r.nodes, QString());
    QCOMPARE(r.testability, QStringLiteral("300"));

    // Numbers are read from their leading digits, whatever the locale.
    r = ParseResults("'' 1 0.75abc 1 1 1 1 x ");
    QCOMPARE(r.testabilityValue, 0.75);
    QCOMPARE(r.fitnessValue, 0.0);
    QCOMPARE(ParseResults(QByteArray()).nodes, QString());
  }

  void qualityBars() {
    QCOMPARE(BarValue(0.987, 100), 98);
    QCOMPARE(BarValue(0.29, 100), 29);
    QCOMPARE(BarValue(77.5, 1), 77);
    QCOMPARE(BarValue(49.999, 1), 49);
    QCOMPARE(BarValue(-3, 1), 0);
    QCOMPARE(BarValue(250, 1), 100);
    QCOMPARE(BarValue(std::nan(""), 1), 0);
  }

  void analysisRunShowsResultsAndHistory() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    run(form);
    QCOMPARE(form.NodesValue->text(), QStringLiteral("330"));
    QCOMPARE(form.TestabilityValue->text(), QStringLiteral("0.123"));
    QCOMPARE(form.TestabilityBar->value(), 12);
    QCOMPARE(form.ConRatioValue->text(), QStringLiteral("52.4"));
    QCOMPARE(form.ObsRatioValue->text(), QStringLiteral("61.2"));
    QCOMPARE(form.RunProgress->value(), 100);
    QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Action done."));
    QCOMPARE(runLines(form), (QStringList{"Performing testability analysis",
                                          "\t-start time: " + localTime(),
                                          "\t-results:",
                                          "\t\t-scanLayout: none",
                                          "\t\t-nNodes: 330",
                                          "\t\t-areaOver: 0.000 %",
                                          "\t\t-pinOver: 0.000 %",
                                          "\t\t-testability: 0.123000",
                                          "\t\t-obsRatio: 61.2 %",
                                          "\t\t-conRatio: 52.4 %",
                                          "\t-end time: " + localTime(),
                                          QString(20, u'-')}));
    QVERIFY(log.entries.empty());
    QVERIFY(form.RunButton->isEnabled() && form.AutoDesignRadio->isEnabled());
  }

  void autoDesignRunShowsTheDesignedLayout() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.AutoDesignRadio->click();
    form.ElitismBox->setChecked(true);
    state().setLayoutCell(5, 5, 2);
    run(form);
    QCOMPARE(runLines(form), (QStringList{"Performing Scan-DFT",
                                          "\t-start time: " + localTime(),
                                          "\t-run parameters:",
                                          "\t\tAreaOver: 7 %",
                                          "\t\tPinOver: 13 %",
                                          "\t\tPopulSize: 20",
                                          "\t\tUnenhRuns: 500",
                                          "\t\tElitism: on",
                                          "\t-results:",
                                          "\t\t-scanLayout: R1R2.R3",
                                          "\t\t-nNodes: 372",
                                          "\t\t-areaOver: 4.444 %",
                                          "\t\t-pinOver: 15.385 %",
                                          "\t\t-fitness: 77.500000",
                                          "\t\t-testability: 0.456000",
                                          "\t\t-obsRatio: 72.0 %",
                                          "\t\t-conRatio: 81.7 %",
                                          "\t-end time: " + localTime(),
                                          QString(20, u'-')}));
    QCOMPARE(form.FitnessValue->text(), QStringLiteral("77.500"));
    QCOMPARE(form.FitnessBar->value(), 77);
    QCOMPARE(form.AreaOverValue->text(), QStringLiteral("4.444"));
    QCOMPARE(form.IoOverValue->text(), QStringLiteral("15.385"));
    QVERIFY(log.entries.empty());  // fitness 77.5: no warning

    // The designed layout is shown in a fresh scan layout window.
    QVERIFY(form.ScanLayoutBox->isChecked());
    QVERIFY(form.scanLayoutWindow() != nullptr && form.scanLayoutWindow()->isVisible());
    QCOMPARE(state().layoutNotation(), QStringLiteral("01.2"));
    QCOMPARE(form.scanLayoutWindow()->RegisterCountLabel->text(), QStringLiteral("3"));

    // Everything is unlocked again, the parameters as the action leaves them.
    QVERIFY(form.HistoryText->isEnabled() && form.ClearHistoryButton->isEnabled() &&
            form.SaveHistoryButton->isEnabled());
    QVERIFY(form.GaGroup->isEnabled() && form.ConstraintsGroup->isEnabled());
    QVERIFY(form.ScanLayoutBox->isEnabled() && form.SchemaBox->isEnabled() && form.DetailsBox->isEnabled());
    // ... and drawn over a fresh schema window.
    QVERIFY(form.SchemaBox->isChecked() && form.schemaWindow() != nullptr && form.schemaWindow()->isVisible());
    QVERIFY(form.LoopsBox->isEnabled());
  }

  void autoDesignLocksTheWindowWhileRunning() {
    WorkFolder work;
    MessageLog log(state());
    qputenv("FAKE_TARVEX_MODE", "slow");
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.AutoDesignRadio->click();
    form.RunButton->click();
    QVERIFY(form.isRunning());
    QVERIFY(!form.RunButton->isEnabled() && !form.AnalysisRadio->isEnabled() && !form.HistoryText->isEnabled());
    QVERIFY(!form.ClearHistoryButton->isEnabled() && !form.ScanLayoutBox->isEnabled() &&
            !form.TrackBars[0]->isEnabled());
    QVERIFY(!form.NodesValue->isEnabled());
    QCOMPARE(form.statusBar()->currentMessage(),
             QStringLiteral("Running... Please wait until the progress bar stops."));
    QTRY_VERIFY(form.RunProgress->value() >= 2);  // the bar moves while the engine runs
    QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 10000);
    QVERIFY(form.RunButton->isEnabled() && form.HistoryText->isEnabled());
  }

  void runWhileRunningStartsNothing() {
    WorkFolder work;
    MessageLog log(state());
    qputenv("FAKE_TARVEX_MODE", "slow");
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.RunButton->click();
    QVERIFY(form.RunButton->isEnabled());  // an analysis leaves the window usable
    form.RunButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 10000);
    QCOMPARE(form.HistoryLines().count(QStringLiteral("Performing testability analysis")), 1);
  }

  void lowFitnessWarns() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    qputenv("FAKE_TARVEX_PAR", kLowFitnessPar);
    run(form);  // an analysis never warns
    QVERIFY(log.entries.empty());
    form.AutoDesignRadio->click();
    run(form);
    QCOMPARE(log.entries.size(), std::size_t{1});
    QCOMPARE(log.entries[0].caption, QStringLiteral("Info"));
    QCOMPARE(log.entries[0].text,
             QStringLiteral("Probably, solution does not meet design constraints as desired (fitness value is too "
                            "low).\nIt is possible design constraints are too strict.\nPlease check design "
                            "constraints and start the process again."));
    QCOMPARE(form.FitnessBar->value(), 49);
    qputenv("FAKE_TARVEX_PAR", "'3' 350 0.200 60.0 60.0 4.000 2.000 50.000 ");
    run(form);
    QCOMPARE(log.entries.size(), std::size_t{1});
  }

  void failedEnginesAreReported_data() {
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QString>("reason");
    QTest::newRow("error status") << QByteArray("fail") << QStringLiteral("the engine ended with exit status 1");
    QTest::newRow("crash") << QByteArray("crash") << QStringLiteral("the engine crashed");
  }

  void failedEnginesAreReported() {
    QFETCH(QByteArray, mode);
    QFETCH(QString, reason);
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    run(form);  // a good run first
    QCOMPARE(form.NodesValue->text(), QStringLiteral("330"));

    qputenv("FAKE_TARVEX_MODE", mode);
    form.AutoDesignRadio->click();
    run(form);
    QCOMPARE(log.entries.size(), std::size_t{1});
    QCOMPARE(log.entries[0].caption, QStringLiteral("Error"));
    QVERIFY(log.entries[0].text.contains(reason));
    if (mode == "fail") QVERIFY(log.entries[0].text.contains(QStringLiteral("ERROR(1): Can't open")));
    const QStringList lines = form.HistoryLines();
    QCOMPARE(lines.mid(lines.size() - 3),
             (QStringList{"\t-failed: " + reason, "\t-end time: " + localTime(), QString(20, u'-')}));
    // Nothing stale is shown as new: the figures of the good run stay.
    QCOMPARE(form.NodesValue->text(), QStringLiteral("330"));
    QCOMPARE(form.FitnessValue->text(), QStringLiteral("0.000"));
    QVERIFY(form.scanLayoutWindow() == nullptr);
    QVERIFY(form.RunButton->isEnabled() && form.HistoryText->isEnabled() && form.GaGroup->isEnabled());
    QCOMPARE(form.RunProgress->value(), 0);
  }

  void missingEngineIsReported() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(work.file(QStringLiteral("no-such-engine")));
    const QString oldPath = qEnvironmentVariable("PATH");
    qputenv("PATH", work.path().toLocal8Bit());
    form.RunButton->click();
    qputenv("PATH", oldPath.toLocal8Bit());
    QVERIFY(!form.isRunning());
    QCOMPARE(log.entries.size(), std::size_t{1});
    QCOMPARE(log.entries[0].caption, QStringLiteral("Error"));
    QVERIFY(log.entries[0].text.contains(QStringLiteral("tarvex")));
    QCOMPARE(form.HistoryLines().size(), 2);
    QVERIFY(form.RunButton->isEnabled());
  }

  void unreadableResultsOfferRetry() {
    WorkFolder work;
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    qputenv("FAKE_TARVEX_MODE", "nopar");

    {
      MessageLog log(state());
      log.answers = {QMessageBox::Retry, QMessageBox::Abort};
      run(form);
      QCOMPARE(log.entries.size(), std::size_t{2});
      QCOMPARE(log.entries[0].caption, QStringLiteral("Error"));
      QCOMPARE(log.entries[0].text, QStringLiteral("Can't read from 'diffeq.par'!"));
      QCOMPARE(log.entries[0].buttons, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
      QCOMPARE(runLines(form).size(), 2);  // no results in the history
      QCOMPARE(form.NodesValue->text(), QStringLiteral("0"));
    }

    // Retry succeeds once the file is there.
    int asked = 0;
    state().setMessageBoxHandler([&](QWidget*, QMessageBox::Icon, const QString&, const QString&,
                                     QMessageBox::StandardButtons) {
      ++asked;
      QFile f(work.file(QStringLiteral("diffeq.par")));
      if (f.open(QIODevice::WriteOnly)) f.write("'4' 340 0.300 50.0 50.0 1.000 1.000 0.000 ");
      return QMessageBox::Retry;
    });
    run(form);
    state().setMessageBoxHandler({});
    QCOMPARE(asked, 1);
    QCOMPARE(form.NodesValue->text(), QStringLiteral("340"));
    QVERIFY(form.HistoryLines().contains(QStringLiteral("\t\t-scanLayout: R5")));
  }

  void clearAndSaveTheHistory() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    const QStringList header = form.HistoryLines();
    form.ClearHistoryButton->click();  // two lines: nothing to clear
    QCOMPARE(form.HistoryLines(), header);

    form.AppendHistory(QStringLiteral("Performing testability analysis"));
    form.AppendHistory(QStringLiteral("\t-start time: 10:00"));
    const QString target = work.file(QStringLiteral("history.txt"));
    form.setSaveFileNameProvider([&] { return target; });
    form.SaveHistoryButton->click();
    QCOMPARE(work.read(QStringLiteral("history.txt")),
             (header.join(u'\n') + "\nPerforming testability analysis\n\t-start time: 10:00\n").toLocal8Bit());

    form.ClearHistoryButton->click();
    QCOMPARE(form.HistoryLines(), header);

    // Cancelled dialog: nothing written; unwritable file: an error box.
    form.setSaveFileNameProvider([] { return QString(); });
    form.SaveHistoryButton->click();
    QVERIFY(log.entries.empty());
    form.setSaveFileNameProvider([&] { return work.file(QStringLiteral("missing/dir/history.txt")); });
    form.SaveHistoryButton->click();
    QCOMPARE(log.entries.size(), std::size_t{1});
    QCOMPARE(log.entries[0].caption, QStringLiteral("Error"));
  }

  void helpModeAndTutorial() {
    WorkFolder work;
    TFormMain form(state());
    form.HelpModeAction->trigger();
    QVERIFY(state().helpMode());
    QCOMPARE(form.HelpModeAction->text(), QStringLiteral("Help Mode on"));
    QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Help Mode on"));
    form.HelpModeAction->trigger();
    QVERIFY(!state().helpMode());
    QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Help Mode off"));

    form.TutorialAction->trigger();
    QVERIFY(form.helpWindow() != nullptr && form.helpWindow()->isVisible());
    QCOMPARE(form.helpWindow()->browser()->source().toString(), QStringLiteral("qrc:/lumeno/help/help.html"));
    QVERIFY(form.helpWindow()->browser()->toPlainText().contains(QStringLiteral("scan")));
  }

  void helpPagesOfEveryItemKind() {
    for (const char* topic : {kHelpTutorial, kHelpMultiplexer, kHelpRegister, kHelpMultiplier, kHelpAdder,
                              kHelpSubtractor, kHelpComparator}) {
      const QString url = HelpPageUrl(QString::fromLatin1(topic));
      QVERIFY2(!url.isEmpty(), topic);
      QFile page(url.mid(3));  // without "qrc"
      QVERIFY(page.open(QIODevice::ReadOnly));
      QVERIFY(page.size() > 1500);
    }
    QCOMPARE(HelpPageUrl(QStringLiteral("mux.hlp")), QStringLiteral("qrc:/lumeno/help/mux.html"));
    QVERIFY(HelpPageUrl(QStringLiteral("../etc/passwd")).isEmpty());
    QVERIFY(HelpPageUrl(QStringLiteral("nosuchpage")).isEmpty());
  }

  void scanLayoutPrefsBoxOpensAndClosesTheWindow() {
    WorkFolder work;
    TFormMain form(state());
    form.ScanLayoutBox->setChecked(true);
    QVERIFY(form.scanLayoutWindow() != nullptr && form.scanLayoutWindow()->isVisible());
    TDftForm* first = form.scanLayoutWindow();
    QPointer<TDftForm> guard(first);
    first->close();  // closing the window clears the box
    QVERIFY(!form.ScanLayoutBox->isChecked());
    QVERIFY(form.scanLayoutWindow() == nullptr);
    QTRY_VERIFY(guard.isNull());
    form.ScanLayoutBox->setChecked(true);
    QVERIFY(form.scanLayoutWindow() != nullptr);
    form.ScanLayoutBox->setChecked(false);
    QVERIFY(form.scanLayoutWindow() == nullptr);
  }

  void aboutNamesTheWorkingFolder() {
    WorkFolder work;
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.AboutAction->trigger();
    QVERIFY(form.aboutBox() != nullptr && form.aboutBox()->isVisible());
    QVERIFY(form.aboutBox()->text().contains(QDir::currentPath().toHtmlEscaped()));
    QVERIFY(!LumenoPicture(64).toImage().isNull());
  }
};

QTEST_MAIN(MainFormTest)
#include "mainform_test.moc"
