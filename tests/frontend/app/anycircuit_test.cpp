// Any circuit: the pure session unit, and opening a description and a
// Verilog example in the main window, then analysing, optimising and
// comparing with the real engine.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QProcess>
#include <QScopeGuard>

#include "enginelink/enginemeasure.h"
#include "models/circuitsession.h"
#include "views/comparisonview.h"
#include "views/graphschema.h"
#include "app/mainform.h"
#include "classic/tares.h"
#include "views/scanlayouteditor.h"
#include "testsupport.h"

namespace {

// Presses Run and waits for the end of the action.
void waitForRun(TFormMain& form) { QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 240000); }

// The main window's submenu of the testability measure; null when it has none.
QMenu* measureMenu(const TFormMain& form) {
  for (QMenu* menu : form.findChildren<QMenu*>())
    if (menu->title() == u"Testability &Measure") return menu;
  return nullptr;
}

// The action of `menu` choosing the measure `name`.
QAction* measureAction(const QMenu* menu, const QString& name) {
  for (QAction* action : menu->actions())
    if (action->data().toString() == name) return action;
  return nullptr;
}

// The command line the stand-in engine was last started with in `folder`.
QString engineArguments(const QString& folder) {
  QFile f(QDir(folder).filePath(QStringLiteral("args.txt")));
  return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

}  // namespace

class AnyCircuitTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }

  void sessionsAndCommandLines() {
    const CircuitSession bench = SessionFor(QStringLiteral("/data/diffeq"), QStringLiteral("/w"));
    QVERIFY(bench.benchmark);
    QCOMPARE(bench.workFolder, QStringLiteral("/data"));
    const CircuitSession fir = SessionFor(QStringLiteral("/data/fir.v"), QStringLiteral("/w"));
    const CircuitSession other = SessionFor(QStringLiteral("/elsewhere/fir.v"), QStringLiteral("/w"));
    QVERIFY(!fir.benchmark && fir.kind == CircuitKind::Verilog);
    QCOMPARE(fir.name, QStringLiteral("fir"));
    QVERIFY(fir.workFolder.startsWith(QStringLiteral("/w/fir-")));
    QVERIFY(fir.workFolder != other.workFolder);  // same name, own folders
    QCOMPARE(CircuitKindOf(QStringLiteral("net.JSON")), CircuitKind::YosysJson);
    QCOMPARE(WindowTitleFor(&fir), QStringLiteral("Lumeno - fir"));

    QCOMPARE(AnalyseArguments(fir, QStringLiteral("a,b.c")),
             (QStringList{"analyse", "/data/fir.v", "--json", "--out", fir.workFolder, "--layout", "a,b.c"}));
    OptimiseSettings s;
    s.elitism = true;
    s.seed = 5;
    QCOMPARE(OptimiseArguments(fir, s),
             (QStringList{"optimise", "/data/fir.v", "--method", "ga", "--area", "7", "--pins", "13", "--population",
                          "20", "--elitism", "--patience", "500", "--seed", "5", "--json", "--progress", "--out",
                          fir.workFolder}));
    QCOMPARE(CompareArguments(fir).first(), QStringLiteral("compare"));

    QCOMPARE(WithRecentFile({"a", "b", "c"}, "b", 3), (QStringList{"b", "a", "c"}));
    QCOMPARE(WithRecentFile({"a", "b", "c"}, "d", 3), (QStringList{"d", "a", "b"}));
    QCOMPARE(ProgressPercent(QStringLiteral("progress generation=4 stale=50 best=1 elapsed=0.1"), 200), 25);
    QCOMPARE(ProgressPercent(QStringLiteral("progress generation=4 stale=900 best=1 elapsed=0.1"), 200), 100);
    QCOMPARE(ProgressPercent(QStringLiteral("note"), 200), -1);
  }

  void resultFilesAreFoundAndCleared() {
    WorkFolder work(false);
    QCOMPARE(FindResultJson(work.path()), QString());
    work.write(QStringLiteral("fir_acc.json"), "{}");
    work.write(QStringLiteral("fir_acc.compare.json"), "{}");
    work.write(QStringLiteral("fir_acc.par"), "x");
    QCOMPARE(FindResultJson(work.path()), work.file(QStringLiteral("fir_acc.json")));
    QCOMPARE(FindCompareJson(work.path()), work.file(QStringLiteral("fir_acc.compare.json")));
    RemoveResultFiles(work.path());
    QVERIFY(QDir(work.path()).isEmpty());
  }

  void unreadableFileIsRefused() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
    QVERIFY(!form.OpenCircuit(work.file(QStringLiteral("missing.v"))));
    QCOMPARE(log.entries.size(), std::size_t(1));
    QVERIFY(log.entries[0].text.contains(QStringLiteral("missing.v")));
    QCOMPARE(form.windowTitle(), QStringLiteral("Lumeno"));
    QVERIFY(form.recentFiles().isEmpty());
  }

  void benchmarkKeepsTheClassicWindows() {
    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
    form.setEnginePath(QStringLiteral(REAL_ENGINE));
    QVERIFY(form.OpenCircuit(work.file(QStringLiteral("diffeq"))));
    QCOMPARE(form.windowTitle(), QStringLiteral("Lumeno - diffeq"));
    QVERIFY(!form.anyCircuit());
    QCOMPARE(form.recentFiles(), QStringList{QFileInfo(work.file(QStringLiteral("diffeq"))).absoluteFilePath()});
    form.RunButton->click();
    waitForRun(form);
    QVERIFY(QFile::exists(work.file(QStringLiteral("diffeq.par"))));
    form.SchemaBox->setChecked(true);
    QVERIFY(form.schemaWindow() != nullptr && form.graphSchemaWindow() == nullptr);
  }

  // The benchmark of another folder is worked on where it is, named through
  // the session: the process's current folder stays as it was.
  void benchmarkElsewhereLeavesTheCurrentFolder() {
    WorkFolder work;
    QTemporaryDir other;
    QVERIFY(QFile::copy(QStringLiteral(LUMENO_EXAMPLES "/diffeq"), other.filePath(QStringLiteral("diffeq"))));
    MessageLog log(state());
    TFormMain form(state());
    form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
    form.setEnginePath(QStringLiteral(REAL_ENGINE));
    const QString before = QDir::currentPath();
    QVERIFY(form.OpenCircuit(other.filePath(QStringLiteral("diffeq"))));
    form.RunButton->click();
    waitForRun(form);
    QCOMPARE(QDir::currentPath(), before);
    QVERIFY(QFile::exists(other.filePath(QStringLiteral("diffeq.par"))));
    QVERIFY(!QFile::exists(work.file(QStringLiteral("diffeq.par"))));
    QVERIFY(form.NodesValue->text() != QStringLiteral("0"));
    // The classic windows read that folder's files.
    form.DetailsBox->setChecked(true);
    QVERIFY(form.detailsWindow() != nullptr && form.detailsWindow()->ReportTable->rowCount() > 10);
    QVERIFY(QFile::exists(other.filePath(QStringLiteral("diffeq.txt"))));
    QVERIFY2(log.entries.empty(), log.entries.empty() ? "" : qPrintable(log.entries[0].text));
  }

  void verilogExampleEndToEnd() {
    WorkFolder work(false);
    MessageLog log(state());
    TFormMain form(state());
    form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
    form.setWorkRoot(work.file(QStringLiteral("circuits")));
    form.setEnginePath(QStringLiteral(REAL_ENGINE));
    form.show();

    // Opening analyses at once: figures, schema data, history.
    QVERIFY(form.OpenCircuit(QStringLiteral(LUMENO_EXAMPLES "/verilog/fir.v")));
    QCOMPARE(form.windowTitle(), QStringLiteral("Lumeno - fir"));
    waitForRun(form);
    QVERIFY2(log.entries.empty(), log.entries.empty() ? "" : qPrintable(log.entries[0].text));
    QVERIFY(form.circuitResult() != nullptr);
    QVERIFY(!form.circuitResult()->items.empty() && !form.circuitResult()->registers.empty());
    QVERIFY(form.NodesValue->text() != QStringLiteral("0"));
    QVERIFY(form.HistoryLines().contains(QStringLiteral("\t\t-scanLayout: none")));
    QVERIFY(form.session()->workFolder.startsWith(work.file(QStringLiteral("circuits"))));

    // The laid-out schema and the layout editor show the circuit.
    form.SchemaBox->setChecked(true);
    QVERIFY(form.graphSchemaWindow() != nullptr && form.schemaWindow() == nullptr);
    QVERIFY(form.graphSchemaWindow()->waitForLayout());
    // one wire per link between two items (paths inside an item are no wires)
    int wires = 0;
    for (const CircuitLink& l : form.circuitResult()->links)
      if (l.from.section(QLatin1Char('.'), 0, -2) != l.to.section(QLatin1Char('.'), 0, -2)) ++wires;
    QVERIFY(wires > 0);
    QCOMPARE(form.graphSchemaWindow()->wireCount(), wires);
    // The test data paths come with NAME.json: a unit's paths step without the .pro file.
    QVERIFY(QFile::remove(FindResultJson(form.session()->workFolder).chopped(5) + QStringLiteral(".pro")));
    for (const CircuitItem& item : form.circuitResult()->items)
      if (item.kind == u"ADD") {
        form.graphSchemaWindow()->clickNode(item.name);
        break;
      }
    QVERIFY(!form.graphSchemaWindow()->selectedUnit().isEmpty());
    QVERIFY(form.graphSchemaWindow()->stepPaths());
    form.ScanLayoutBox->setChecked(true);
    QVERIFY(form.layoutEditorWindow() != nullptr);

    // A full-scan layout from the editor goes to the next analysis.
    form.layoutEditorWindow()->presetFullScan();
    QVERIFY(!state().circuitLayout().isEmpty());
    form.RunButton->click();
    waitForRun(form);
    QVERIFY(form.circuitResult()->layout == state().circuitLayout());
    QVERIFY(form.circuitResult()->controllablePercent >= 99.0);

    // Optimisation with progress, then its layout in the editor.
    form.AutoDesignRadio->click();
    form.TrackBars[4]->setValue(50);
    form.RunButton->click();
    waitForRun(form);
    QVERIFY(form.HistoryLines().contains(QStringLiteral("Performing Scan-DFT")));
    QCOMPARE(form.circuitResult()->method, QStringLiteral("ga"));
    QVERIFY(form.ScanLayoutBox->isChecked() && form.layoutEditorWindow() != nullptr);

    // The comparison of every method, and a click applying one layout.
    form.compareChosen();
    waitForRun(form);
    QVERIFY2(form.comparisonWindow() != nullptr, log.entries.empty() ? "" : qPrintable(log.entries.back().text));
    QVERIFY(form.comparisonWindow()->table()->rowCount() >= 2);
  }
  void measureGoesToTheModernCommandsOnly() {
    QCOMPARE(WithMeasure({"analyse", "f.v", "--json"}, EngineMeasure::Classic),
             (QStringList{"analyse", "f.v", "--json", "--measure", "classic"}));
    QCOMPARE(WithMeasure({"compare", "f.v", "--measure", "classic", "--json"}, EngineMeasure::Fixpoint),
             (QStringList{"compare", "f.v", "--measure", "fixpoint", "--json"}));
    QCOMPARE(WithMeasure({"optimise", "f.v", "--measure"}, EngineMeasure::Classic),
             (QStringList{"optimise", "f.v", "--measure", "classic"}));
    // The classic forms and the commands without a measure are left as they are.
    QCOMPARE(WithMeasure({"diffeq", "-n", "0", "-1"}, EngineMeasure::Classic), (QStringList{"diffeq", "-n", "0", "-1"}));
    QCOMPARE(WithMeasure({"check", "f.v", "--json"}, EngineMeasure::Fixpoint), (QStringList{"check", "f.v", "--json"}));
    QCOMPARE(WithMeasure({}, EngineMeasure::Fixpoint), QStringList());
    QCOMPARE(MeasureNamed(QStringLiteral("classic")), std::optional<EngineMeasure>(EngineMeasure::Classic));
    QVERIFY(!MeasureNamed(QStringLiteral("Fixpoint")));

    WorkFolder work;
    MessageLog log(state());
    TFormMain form(state());
    form.setSettingsFile(work.file(QStringLiteral("settings.ini")));
    form.setWorkRoot(work.file(QStringLiteral("circuits")));
    form.setEnginePath(QStringLiteral(FAKE_ENGINE));
    QMenu* menu = measureMenu(form);
    QVERIFY(menu != nullptr);
    QVERIFY(!menu->isEnabled());  // the benchmark's runs are classic
    QCOMPARE(state().measure(), EngineMeasure::Fixpoint);
    form.RunButton->click();
    waitForRun(form);
    QCOMPARE(work.read(QStringLiteral("args.txt")), QByteArray("diffeq -n 0 -1"));

    // Another circuit is analysed at once, by the default measure. The stand-in
    // engine hands over a result the real one made, so that the circuit opens.
    QVERIFY(QFile::copy(QStringLiteral(LUMENO_EXAMPLES "/ex"), work.file(QStringLiteral("ex"))));
    const QString made = work.file(QStringLiteral("made"));
    QVERIFY(QDir().mkpath(made));
    QCOMPARE(QProcess::execute(QStringLiteral(REAL_ENGINE),
                               {QStringLiteral("analyse"), work.file(QStringLiteral("ex")), QStringLiteral("--json"),
                                QStringLiteral("--out"), made}),
             0);
    const QString json = FindResultJson(made);
    QVERIFY(!json.isEmpty());
    qputenv("FAKE_TARVEX_JSON", json.toLocal8Bit());
    const auto unset = qScopeGuard([] { qunsetenv("FAKE_TARVEX_JSON"); });
    QVERIFY(form.OpenCircuit(work.file(QStringLiteral("ex"))));
    waitForRun(form);
    QVERIFY(menu->isEnabled());
    const QString folder = state().session().workFolder;
    QVERIFY2(engineArguments(folder).startsWith(QStringLiteral("analyse ")), qPrintable(engineArguments(folder)));
    QVERIFY(engineArguments(folder).endsWith(QStringLiteral(" --measure fixpoint")));
    QVERIFY(measureAction(menu, QStringLiteral("fixpoint"))->isChecked());

    // Chosen once in the menu, the measure goes to every later run.
    measureAction(menu, QStringLiteral("classic"))->trigger();
    QCOMPARE(state().measure(), EngineMeasure::Classic);
    QVERIFY(!measureAction(menu, QStringLiteral("fixpoint"))->isChecked());
    form.compareChosen();
    waitForRun(form);
    QVERIFY2(engineArguments(folder).startsWith(QStringLiteral("compare ")), qPrintable(engineArguments(folder)));
    QVERIFY(engineArguments(folder).endsWith(QStringLiteral(" --measure classic")));
    form.RunButton->click();
    waitForRun(form);
    QVERIFY(engineArguments(folder).startsWith(QStringLiteral("analyse ")));
    QVERIFY(engineArguments(folder).endsWith(QStringLiteral(" --measure classic")));
    // Set in the model, the menu follows.
    state().setMeasure(EngineMeasure::Fixpoint);
    QVERIFY(measureAction(menu, QStringLiteral("fixpoint"))->isChecked());
  }
};

QTEST_MAIN(AnyCircuitTest)
#include "anycircuit_test.moc"
