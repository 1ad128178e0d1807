// The main window for any circuit: docked panels, the View menu, windows
// beside it, truthful opening (a file that fails is neither current nor
// recent, the message names it with the engine's line), and the windows
// following the layout applied.
#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

#include "app/circuitviews.h"
#include "app/mainform.h"
#include "classic/dftform.h"
#include "testsupport.h"
#include "views/graphschema.h"
#include "views/portdetailsview.h"
#include "views/scanlayouteditor.h"

namespace {

void waitForRun(TFormMain& form) { QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 240000); }

// A form on the real engine, with settings and circuits in `work`.
void setUpForm(TFormMain& form, const WorkFolder& work) {
  form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
  form.setWorkRoot(work.file(QStringLiteral("circuits")));
  form.setEnginePath(QStringLiteral(REAL_ENGINE));
}

// The benchmark's description with one item of a kind the engine does not know.
QByteArray unknownKindDescription() {
  QFile original(QStringLiteral(LUMENO_EXAMPLES "/diffeq"));
  if (!original.open(QIODevice::ReadOnly)) return {};
  return original.readAll().replace("ITM mul1(MUL)", "ITM mul1(FOO)");
}

}  // namespace

class MainWindowTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }

  void anyCircuitGetsTheDockedWindow() {
    WorkFolder work(false);
    MessageLog log(state());
    TFormMain form(state());
    setUpForm(form, work);
    form.show();
    const QSize classic = form.size();
    QCOMPARE(form.minimumSize(), form.maximumSize());  // the classic panel: fixed
    QVERIFY(!form.docked());
    QVERIFY(form.OpenCircuit(QStringLiteral(LUMENO_EXAMPLES "/verilog/fir.v")));
    waitForRun(form);
    QVERIFY2(log.entries.empty(), log.entries.empty() ? "" : qPrintable(log.entries[0].text));
    QVERIFY(form.docked());
    // Resizable, larger than the classic panel, and what grows is not only the history.
    QVERIFY(form.maximumSize().width() > 5000 && form.width() > 2 * classic.width());
    QVERIFY(form.SummaryDock->isVisible() && form.HistoryDock->isVisible());
    QVERIFY(form.HistoryDock->isAncestorOf(form.HistoryText));
    QVERIFY(form.SummaryDock->isAncestorOf(form.RunButton));
    QCOMPARE(form.windowTitle(), QStringLiteral("Lumeno - fir"));
    // The View menu opens every view with its key.
    QCOMPARE(form.SchemaViewAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
    QCOMPARE(form.ScanLayoutViewAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_2));
    QCOMPARE(form.DetailsViewAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_3));
    form.DetailsViewAction->trigger();
    QVERIFY(form.DetailsDock->isVisible() && form.DetailsBox->isChecked());
    QCOMPARE(form.portDetails()->proxy()->rowCount(), static_cast<int>(form.circuitResult()->ports.size()));
    QVERIFY(form.portDetails()->summaryLabel()->text().startsWith(form.circuitResult()->circuit));
    form.SchemaViewAction->trigger();
    QVERIFY(form.graphSchemaWindow() != nullptr && form.SchemaDock->isVisible());
    QCOMPARE(form.SchemaDock->widget(), static_cast<QWidget*>(form.graphSchemaWindow()));
    QVERIFY(!form.graphSchemaWindow()->isWindow());
    form.ScanLayoutViewAction->trigger();
    ScanLayoutEditor* editor = form.layoutEditorWindow();
    QVERIFY(editor != nullptr && editor->isVisible());
    // The editor opens beside the main window, not over it.
    QVERIFY(!editor->frameGeometry().intersects(form.frameGeometry().adjusted(0, 0, -40, 0)));
    // A run keeps the details and updates them.
    form.RunButton->click();
    waitForRun(form);
    QVERIFY(form.DetailsDock->isVisible());
    // Back to the benchmark: the classic panel again, of its fixed size.
    QVERIFY(form.OpenCircuit(QStringLiteral(LUMENO_EXAMPLES "/diffeq")));
    QVERIFY(!form.docked());
    QCOMPARE(form.size(), classic);
    QVERIFY(!form.SummaryDock->isVisible() && !form.DetailsDock->isVisible());
    QCOMPARE(form.HistoryText->parentWidget(), form.centralWidget());
    QVERIFY(form.SaveHistoryButton->geometry().bottom() < form.HistoryText->geometry().top());
  }

  // A broken Verilog file, a JSON that is no netlist and a description with
  // an unknown item kind: each message names the file and the engine's
  // line; the previous circuit stays current, nothing enters Open Recent.
  void aFileThatFailsIsNotOpened() {
    WorkFolder work(false);
    work.write(QStringLiteral("broken.v"), "module m(input a, output b);\n  assign b = a &;\nendmodule\n");
    work.write(QStringLiteral("notnet.json"), "{\"foo\": 1}\n");
    work.write(QStringLiteral("odd"), unknownKindDescription());
    MessageLog log(state());
    TFormMain form(state());
    setUpForm(form, work);
    QVERIFY(form.OpenCircuit(QStringLiteral(LUMENO_EXAMPLES "/verilog/fir.v")));
    waitForRun(form);
    QVERIFY(log.entries.empty());
    const QStringList recent = form.recentFiles();
    const struct {
      const char* file;
      const char* engineSays;
    } cases[] = {{"broken.v", "broken.v:2"}, {"notnet.json", "modules"}, {"odd", "line 31"}};
    for (const auto& c : cases) {
      log.entries.clear();
      QVERIFY(form.OpenCircuit(work.file(QString::fromLatin1(c.file))));
      waitForRun(form);
      QCOMPARE(log.entries.size(), std::size_t(1));
      const QString text = log.entries[0].text;
      QVERIFY2(text.contains(QDir::toNativeSeparators(work.file(QString::fromLatin1(c.file)))), qPrintable(text));
      QVERIFY2(text.contains(QString::fromLatin1(c.engineSays)), qPrintable(text));
      QVERIFY2(!text.contains(QStringLiteral("'diffeq'")), qPrintable(text));
      QVERIFY(text.contains(QStringLiteral("goes on with 'fir'")));
      QCOMPARE(form.session()->name, QStringLiteral("fir"));
      QCOMPARE(form.windowTitle(), QStringLiteral("Lumeno - fir"));
      QVERIFY(form.circuitResult() != nullptr && form.circuitResult()->circuit.contains("fir"));
      QCOMPARE(form.recentFiles(), recent);
      QVERIFY(form.HistoryLines().contains(QStringLiteral("\t-not opened: ") + work.file(QString::fromLatin1(c.file))));
    }
    // The circuit kept still runs.
    form.RunButton->click();
    waitForRun(form);
    QVERIFY(form.figuresCurrent());
  }

  // `lumeno nothere.v`: said, with what lumeno works on instead.
  void aMissingFileIsSaid() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    setUpForm(form, work);
    QVERIFY(!form.OpenCircuit(work.file(QStringLiteral("nothere.v"))));
    QCOMPARE(log.entries.size(), std::size_t(1));
    QVERIFY(log.entries[0].text.contains(QStringLiteral("nothere.v")));
    QVERIFY(log.entries[0].text.contains(QStringLiteral("goes on with 'diffeq'")));
    QVERIFY(form.HistoryLines().contains(QStringLiteral("Not opened: ") + work.file(QStringLiteral("nothere.v"))));
    QVERIFY(form.recentFiles().isEmpty());
  }

  // The benchmark: a layout applied from elsewhere (a comparison point) is
  // the one the scan layout window shows.
  void scanLayoutWindowFollowsTheAppliedLayout() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setEnginePath(QStringLiteral(REAL_ENGINE));
    form.ScanLayoutBox->setChecked(true);
    TDftForm* layout = form.scanLayoutWindow();
    QVERIFY(layout != nullptr);
    QCOMPARE(layout->SelectedLayoutLabel->text(), QStringLiteral("none"));
    const QImage blank = layout->picture();
    emit form.circuitViews()->layoutApplied(QStringLiteral("50"));
    QCOMPARE(state().layoutNotation(), QStringLiteral("50"));
    QVERIFY(layout->picture() != blank);
    QCOMPARE(layout->RegisterCountLabel->text(), QStringLiteral("2"));
    waitForRun(form);
  }

  void renderDockedWindow() {
    WorkFolder work(false);
    MessageLog log(state());
    TFormMain form(state());
    setUpForm(form, work);
    form.show();
    QVERIFY(form.OpenCircuit(QStringLiteral(LUMENO_EXAMPLES "/verilog/fir.v")));
    waitForRun(form);
    form.DetailsViewAction->trigger();
    form.SchemaViewAction->trigger();
    QTest::qWait(200);
    QVERIFY(form.grab().save(RENDER_DIR "/mainwindow-docked.png"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
