// The front end under odd use: windows closed in any order, Run pressed
// again and again, the description or its folder gone at Run time, results
// cut short, and the faults a new user ran into (loop box, mouse choices,
// dropped layouts, stale figures, programmer messages, unsaved history).
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "classic/dftform.h"
#include "app/mainform.h"
#include "enginelink/notation.h"
#include "enginelink/runadvice.h"
#include "classic/schema.h"
#include "classic/tares.h"
#include "testsupport.h"

namespace {

void run(TFormMain& form) {
  form.RunButton->click();
  QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 10000);
}

// The command line the stand-in engine was started with last.
QString engineArguments(const WorkFolder& work) { return QString::fromLocal8Bit(work.read(QStringLiteral("args.txt"))); }

// Counts the boxes whose text is `text`.
std::size_t boxesSaying(const MessageLog& log, const QString& text) {
  std::size_t n = 0;
  for (const auto& e : log.entries) n += e.text == text ? 1 : 0;
  return n;
}

const QString kNoLoopsText =
    QStringLiteral("According to selected scan layout, there are no uncontrollable loops in the circuit.");

}  // namespace

class RobustnessTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() {
    renewState();
    qunsetenv("FAKE_TARVEX_MODE");
    qunsetenv("FAKE_TARVEX_PAR");
  }

  void noLoopsBoxComesOncePerRequest() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    run(form);
    // A full-scan report: every loop is broken.
    QVERIFY(QFile::remove(work.file(QStringLiteral("diffeq.txt"))));
    QVERIFY(QFile::copy(QStringLiteral(LUMENO_TEST_DATA "/frontend/diffeq-fullscan.txt"),
                        work.file(QStringLiteral("diffeq.txt"))));
    form.SchemaBox->setChecked(true);
    QVERIFY(form.schemaWindow() != nullptr);
    form.LoopsBox->setChecked(true);
    QCOMPARE(boxesSaying(log, kNoLoopsText), std::size_t{1});
    // The box closing re-activates the schema: the redraws stay silent.
    for (int k = 0; k < 5; ++k) form.schemaWindow()->windowActivated();
    form.schemaWindow()->RestartButton->click();
    QCOMPARE(boxesSaying(log, kNoLoopsText), std::size_t{1});
    // A new request is answered again, once.
    form.LoopsBox->setChecked(false);
    form.LoopsBox->setChecked(true);
    QCOMPARE(boxesSaying(log, kNoLoopsText), std::size_t{2});
  }

  void mouseChosenPositionStays() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();
    choose(form.PresetBox, QStringLiteral("Complete Scan Layout Selection by User"));
    form.ShowOrderingBox->click();  // ordering by hand
    choose(form.ChainBoxes[1], QStringLiteral("A"));
    QFocusEvent enter(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(form.OrderingBoxes[1], &enter);
    choose(form.OrderingBoxes[1], QStringLiteral("1st"));
    // The list closing gives the focus back to the box.
    QFocusEvent back(QEvent::FocusIn, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(form.OrderingBoxes[1], &back);
    QCOMPARE(form.OrderingBoxes[1]->currentText(), QStringLiteral("1st"));
    QCOMPARE(state().layoutNotation(), QStringLiteral("1"));
    // Entering the box again (keyboard, window switch) keeps the choice shown.
    QFocusEvent again(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form.OrderingBoxes[1], &again);
    QCOMPARE(form.OrderingBoxes[1]->currentText(), QStringLiteral("1st"));
  }

  void layoutWithoutOrderingIsRunInRandomOrder() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.ScanLayoutBox->setChecked(true);
    TDftForm* layout = form.scanLayoutWindow();
    QVERIFY(layout != nullptr);
    choose(layout->PresetBox, QStringLiteral("Complete Scan Layout Selection by User"));
    QVERIFY(!layout->ShowOrderingBox->isChecked());
    choose(layout->ChainBoxes[0], QStringLiteral("A"));
    choose(layout->ChainBoxes[5], QStringLiteral("A"));
    choose(layout->ChainBoxes[2], QStringLiteral("B"));
    const ScanChains chains = ParseClassicNotation(state().layoutNotation());
    QCOMPARE(chains.size(), std::size_t{2});
    std::vector<int> a = chains[0];
    std::sort(a.begin(), a.end());
    QCOMPARE(a, (std::vector<int>{0, 5}));
    QCOMPARE(chains[1], (std::vector<int>{2}));
    QCOMPARE(layout->SelectedLayoutLabel->text(), QStringLiteral("partial scan"));
    run(form);
    QCOMPARE(engineArguments(work), "diffeq -n 0 " + state().layoutNotation());
  }

  void failedRunLeavesNoStaleFigures() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    run(form);
    QVERIFY(form.figuresCurrent() && form.NodesValue->isEnabled());
    for (const QString& file : ReplacedResultFiles(QStringLiteral("diffeq"))) work.write(file, "old\n");
    work.write(QStringLiteral("diffeq.gar"), "log\n");

    // The engine fails: every file it would have replaced is gone, the log stays.
    qputenv("FAKE_TARVEX_MODE", "fail");
    run(form);
    for (const QString& file : ReplacedResultFiles(QStringLiteral("diffeq")))
      QVERIFY2(!QFile::exists(work.file(file)), qPrintable(file));
    QVERIFY(QFile::exists(work.file(QStringLiteral("diffeq.gar"))));
    QVERIFY(!form.figuresCurrent());
    QVERIFY(!form.NodesValue->isEnabled() && !form.TestabilityBar->isEnabled());
    const auto* group = qobject_cast<QGroupBox*>(form.NodesValue->parentWidget());
    QVERIFY(group != nullptr && group->title().endsWith(QStringLiteral("(earlier run)")));
    // The box opens with one plain sentence, the engine's text follows as it was.
    QVERIFY(log.entries.back().text.startsWith(
        QStringLiteral("The circuit description 'diffeq' could not be opened: put it back")));
    QVERIFY(log.entries.back().text.contains(QStringLiteral("ERROR(1): Can't open DC description file 'diffeq'!")));
    // The details window shows no previous figures.
    form.DetailsBox->setChecked(true);
    QVERIFY(form.detailsWindow() != nullptr);
    QCOMPARE(form.detailsWindow()->ReportTable->rowCount(), 1);

    // A good run makes the figures current again.
    qunsetenv("FAKE_TARVEX_MODE");
    run(form);
    QVERIFY(form.figuresCurrent() && form.NodesValue->isEnabled());
    QCOMPARE(group->title(), QStringLiteral("Circuit Info"));
  }

  void descriptionOrFolderGoneAtRunTime() {
    MessageLog log(state());
    {
      WorkFolder work;
      TFormMain form(state());
      form.setEnginePath(QStringLiteral(FAKE_ENGINE));
      QVERIFY(QFile::remove(work.file(QStringLiteral("diffeq"))));
      form.RunButton->click();
      QVERIFY(!form.isRunning());
      QVERIFY(!QFile::exists(work.file(QStringLiteral("args.txt"))));  // the engine was not started
      QVERIFY(log.entries.back().text.startsWith(QStringLiteral("The circuit description 'diffeq' is missing")));
      QVERIFY(!form.figuresCurrent());

      work.write(QStringLiteral("diffeq"), QByteArray());
      form.RunButton->click();
      QVERIFY(log.entries.back().text.contains(QStringLiteral("is empty")));

      QVERIFY(QDir(work.path()).mkdir(QStringLiteral("sub")));
      QVERIFY(QFile::remove(work.file(QStringLiteral("diffeq"))));
      QVERIFY(QDir(work.path()).rename(QStringLiteral("sub"), QStringLiteral("diffeq")));
      form.RunButton->click();
      QVERIFY(log.entries.back().text.contains(QStringLiteral("is a folder")));
    }
    QTemporaryDir parent;
    const QString gone = parent.filePath(QStringLiteral("gone"));
    QVERIFY(DescriptionProblem(gone, QStringLiteral("diffeq")).contains(QStringLiteral("no longer exists")));
  }

  void corruptDescriptionGetsAPlainSentence() {
    QCOMPARE(PlainFailureAdvice(QStringLiteral("ERROR(1): pointer to add1.x is NULL (Line 4)! Please check the port "
                                               "name.\n"),
                                QStringLiteral("diffeq")),
             QStringLiteral("The circuit description 'diffeq' has a mistake (the engine names the line below): "
                            "correct it, or copy the original back, and press Run again."));
    QVERIFY(PlainFailureAdvice(QStringLiteral("ERROR(1): iptr in Circuit::getPortPtr tries to acces a NULL pointer!"),
                               QStringLiteral("diffeq"))
                .contains(QStringLiteral("has a mistake")));
    QVERIFY(PlainFailureAdvice(QStringLiteral("ERROR(1): Wrong scan layout notation '9' (...)!"),
                               QStringLiteral("diffeq"))
                .contains(QStringLiteral("scan layout does not fit")));
    QVERIFY(PlainFailureAdvice(QString(), QStringLiteral("diffeq")).contains(QStringLiteral("without a message")));
  }

  void truncatedResultsAreNotShown() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    run(form);
    QCOMPARE(form.NodesValue->text(), QStringLiteral("330"));
    qputenv("FAKE_TARVEX_PAR", "'01' 999 0.5");
    log.answers = {QMessageBox::Abort};
    run(form);
    QVERIFY(log.entries.back().text.startsWith(QStringLiteral("The results file 'diffeq.par' is incomplete")));
    QCOMPARE(form.NodesValue->text(), QStringLiteral("330"));
    QVERIFY(!form.figuresCurrent());
    QVERIFY(!ResultsComplete("'' 330 0.123 52.4 61.2 0.000 0.000 0.000"));
    QVERIFY(ResultsComplete("'' 330 0.123 52.4 61.2 0.000 0.000 0.000 "));
  }

  void runPressedRepeatedly() {
    WorkFolder work;
    MessageLog log(state());
    qputenv("FAKE_TARVEX_MODE", "slow");
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.AutoDesignRadio->click();  // the design run locks the window
    for (int k = 0; k < 10; ++k) form.runClicked();
    QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 10000);
    QCOMPARE(form.HistoryLines().count(QStringLiteral("Performing Scan-DFT")), 1);
    for (int k = 0; k < 3; ++k) run(form);
    QCOMPARE(form.HistoryLines().count(QStringLiteral("Performing Scan-DFT")), 4);
    QVERIFY(form.RunButton->isEnabled());
  }

  void windowsClosedInAnyOrder() {
    WorkFolder work;
    MessageLog log(state());
    const std::vector<std::vector<int>> orders = {{0, 1, 2}, {2, 1, 0}, {1, 0, 2}, {1, 2, 0}};
    for (const auto& order : orders) {
      qputenv("FAKE_TARVEX_MODE", "slow");
      auto form = std::make_unique<TFormMain>(state());
      form->setEnginePath(QStringLiteral(FAKE_ENGINE));
      form->SchemaBox->setChecked(true);
      form->ScanLayoutBox->setChecked(true);
      form->RunButton->click();  // closing while the engine runs, too
      form->DetailsBox->setChecked(true);
      const std::vector<QPointer<QWidget>> windows = {form->schemaWindow(), form->detailsWindow(),
                                                      form->scanLayoutWindow()};
      for (int k : order) {
        QVERIFY(windows[k] != nullptr);
        windows[k]->close();
        QCoreApplication::processEvents();
      }
      QVERIFY(!form->SchemaBox->isChecked() && !form->DetailsBox->isChecked() && !form->ScanLayoutBox->isChecked());
      QTRY_VERIFY_WITH_TIMEOUT(!form->isRunning(), 10000);
      // Reopened after closing, they work again.
      form->SchemaBox->setChecked(true);
      QVERIFY(form->schemaWindow() != nullptr);
      log.answers = {QMessageBox::Discard};
      QVERIFY(form->close());
      form.reset();
      QCoreApplication::processEvents();
      for (const auto& w : windows) QTRY_VERIFY(w.isNull());
    }
  }

  void schemaSaysWhichLayoutItShows() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    state().loadNotation(QStringLiteral("0.1"));
    qputenv("FAKE_TARVEX_PAR", "'0.1' 340 0.300 50.0 50.0 1.000 1.000 0.000 ");
    run(form);
    form.SchemaBox->setChecked(true);
    TFormSchema* schema = form.schemaWindow();
    schema->windowActivated();
    QCOMPARE(schema->windowTitle(), QStringLiteral("Circuit Schema"));  // the analysed layout
    state().clearLayout();  // changed without a new run
    state().loadNotation(QStringLiteral("2"));
    schema->windowActivated();
    QCOMPARE(schema->windowTitle(), QStringLiteral("Circuit Schema - layout 2 not analysed yet: paths and loops are "
                                                   "those of the last run (0.1)"));
  }

  void helpModeEverywhereAndShownInTheSchema() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    QCOMPARE(form.HelpModeAction->shortcutContext(), Qt::ApplicationShortcut);
    QCOMPARE(form.ExitAction->shortcutContext(), Qt::ApplicationShortcut);
    form.SchemaBox->setChecked(true);
    form.HelpModeAction->trigger();
    QVERIFY(form.schemaWindow()->windowTitle().contains(QStringLiteral("HELP MODE")));
    form.HelpModeAction->trigger();
    QVERIFY(!form.schemaWindow()->windowTitle().contains(QStringLiteral("HELP MODE")));
  }

  void historyIsReadableAndSafeToQuit() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    // Save and Clear stand above the history, hiding none of it; long lines wrap.
    QVERIFY(form.SaveHistoryButton->geometry().bottom() < form.HistoryText->geometry().top());
    QCOMPARE(form.HistoryText->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(form.close());  // nothing to lose yet: no question
    QVERIFY(log.entries.empty());

    TFormMain second(state());
    second.setEnginePath(QStringLiteral(FAKE_ENGINE));
    second.show();
    run(second);
    QVERIFY(second.historyUnsaved());
    log.answers = {QMessageBox::Cancel};
    QVERIFY(!second.close());
    QCOMPARE(log.entries.back().buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    // Save: the name given gets ".txt"; then the window closes.
    second.setSaveFileNameProvider([&] { return work.file(QStringLiteral("history")); });
    log.answers = {QMessageBox::Save};
    QVERIFY(second.close());
    QVERIFY(work.read(QStringLiteral("history.txt")).contains("Performing testability analysis"));
    QCOMPARE(WithTextSuffix(QStringLiteral("/a/b.log")), QStringLiteral("/a/b.log"));
  }
};

QTEST_MAIN(RobustnessTest)
#include "robustness_test.moc"
