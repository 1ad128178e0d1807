// The main window on a b19-size design (over 10,000 items, over 600
// registers): opening it and opening every view of the View menu, and the
// optimiser window, while the event loop keeps answering; and the figures a
// run shows first, withdrawn when its NAME.json cannot be read.
#include <QAction>
#include <QDockWidget>
#include <QGraphicsScene>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>

#include "app/mainform.h"
#include "testsupport.h"
#include "views/graphschema.h"
#include "views/optimiserpanel.h"
#include "views/portdetailsview.h"
#include "views/scanlayouteditor.h"

namespace {

void waitForRun(TFormMain& form) { QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 240000); }

// Fails the test with the watch's verdict, if any.
#define VERIFY_ANSWERED(watch, step)                                                          \
  do {                                                                                        \
    const QString verdict = (watch).verdict();                                                \
    QVERIFY2(verdict.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(step, verdict)));     \
  } while (false)

}  // namespace

class LargeDesignTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }

  void everyViewOpensWhileTheWindowAnswers() {
    WorkFolder work(false);
    const QString design = WriteLayeredDesign(work.file(QStringLiteral("design")));
    QVERIFY(!design.isEmpty());
    MessageLog log(state());
    TFormMain form(state());
    form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
    form.setWorkRoot(work.file(QStringLiteral("circuits")));
    form.setEnginePath(QStringLiteral(REAL_ENGINE));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    EventLoopWatch watch;
    QVERIFY(form.OpenCircuit(design));
    waitForRun(form);
    QVERIFY2(log.entries.empty(), log.entries.empty() ? "" : qPrintable(log.entries[0].text));
    const CircuitResult* result = form.circuitResult();
    QVERIFY(result != nullptr);
    QVERIFY(result->items.size() > 10000 && result->registers.size() > 600);
    QVERIFY(form.NodesValue->isEnabled() && form.NodesValue->text() != u"0");
    VERIFY_ANSWERED(watch, QStringLiteral("opening"));

    // Ctrl+1: the schema (here the register summary, laid out by a worker,
    // which goes on while the other views open; schemascale_test waits for it).
    QCOMPARE(form.SchemaViewAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
    form.SchemaViewAction->trigger();
    GraphSchemaWindow* schema = form.graphSchemaWindow();
    QVERIFY(schema != nullptr && schema->isVisible() && schema->isLayingOut());
    QTest::qWait(500);
    VERIFY_ANSWERED(watch, QStringLiteral("schema"));

    // Ctrl+2: the scan layout editor with every register.
    QCOMPARE(form.ScanLayoutViewAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_2));
    form.ScanLayoutViewAction->trigger();
    QVERIFY(form.layoutEditorWindow() != nullptr && form.layoutEditorWindow()->isVisible());
    QTest::qWait(200);
    VERIFY_ANSWERED(watch, QStringLiteral("scan layout editor"));

    // Ctrl+3: the testability details of every port.
    QCOMPARE(form.DetailsViewAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_3));
    form.DetailsViewAction->trigger();
    QVERIFY(form.DetailsDock->isVisible());
    QCOMPARE(form.portDetails()->proxy()->rowCount(), static_cast<int>(result->ports.size()));
    QTest::qWait(200);
    VERIFY_ANSWERED(watch, QStringLiteral("details"));

    // The optimiser window (the comparison window opens only with a comparison run's results).
    form.OptimiserAction->trigger();
    QVERIFY(form.optimiserWindow() != nullptr && form.optimiserWindow()->isVisible());
    QTest::qWait(200);
    VERIFY_ANSWERED(watch, QStringLiteral("optimiser"));

    // The schema's layout, still running or done, ends at once on Cancel.
    schema->cancelLayout();
    QVERIFY(!schema->isLayingOut());
    QTest::qWait(100);
    VERIFY_ANSWERED(watch, QStringLiteral("cancelled schema"));
  }

  // The figures of a run's .par line are shown while its NAME.json is read;
  // when that cannot be read they give way to the earlier ones, greyed.
  void unreadableResultsWithdrawTheFirstFigures() {
    WorkFolder work(false);
    QVERIFY(QFile::copy(QStringLiteral(LUMENO_EXAMPLES "/ex"), work.file(QStringLiteral("ex"))));
    QDir().mkpath(work.file(QStringLiteral("good")));
    QDir().mkpath(work.file(QStringLiteral("bad")));
    QVERIFY(QFile::copy(QStringLiteral(LUMENO_TEST_DATA "/views/gcd.json"), work.file(QStringLiteral("good/diffeq.json"))));
    work.write(QStringLiteral("bad/diffeq.json"), "{\"circuit\": ");
    MessageLog log(state());
    TFormMain form(state());
    form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
    form.setWorkRoot(work.file(QStringLiteral("circuits")));
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    form.show();
    const auto unset = qScopeGuard([] {
      qunsetenv("FAKE_TARVEX_JSON");
      qunsetenv("FAKE_TARVEX_PAR");
    });
    qputenv("FAKE_TARVEX_JSON", work.file(QStringLiteral("good/diffeq.json")).toLocal8Bit());
    QVERIFY(form.OpenCircuit(work.file(QStringLiteral("ex"))));
    waitForRun(form);
    QVERIFY2(log.entries.empty(), log.entries.empty() ? "" : qPrintable(log.entries[0].text));
    QCOMPARE(form.NodesValue->text(), QStringLiteral("330"));
    QVERIFY(form.NodesValue->isEnabled());

    qputenv("FAKE_TARVEX_JSON", work.file(QStringLiteral("bad/diffeq.json")).toLocal8Bit());
    qputenv("FAKE_TARVEX_PAR", "'' 999 0.5 50.0 50.0 0.000 0.000 0.000 ");
    form.RunButton->click();
    waitForRun(form);
    QCOMPARE(log.entries.size(), std::size_t{1});
    QVERIFY(log.entries[0].text.contains(QStringLiteral("could not be read")));
    QCOMPARE(form.NodesValue->text(), QStringLiteral("330"));
    QVERIFY(!form.NodesValue->isEnabled());
    QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Action done. No results were read."));
  }
};

QTEST_MAIN(LargeDesignTest)
#include "largedesign_test.moc"
