// The scan layout editor alone: its table, drops, cell edits, presets and
// the live notation.
#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include "views/scanlayouteditor.h"
#include "testsupport.h"

namespace {

CircuitResult load(const QString& name) {
  auto r = readCircuitResult(QStringLiteral(LUMENO_TEST_DATA "/views/") + name);
  return r ? *r.value : CircuitResult{};
}

// The table row of register `name`.
int row(const QTableView* t, const QString& name) {
  for (int r = 0; r < t->model()->rowCount(); ++r)
    if (t->model()->index(r, 0).data().toString() == name) return r;
  return -1;
}

// The text of a cell of the register table.
QString cell(const QTableView* t, int r, int c) { return t->model()->index(r, c).data().toString(); }

// Types `text` into a cell as the table's editor does.
void typeCell(QTableView* t, int r, int c, const QString& text) { t->model()->setData(t->model()->index(r, c), text); }

// Runs the real engine in `folder` with `arguments`; true when it succeeded.
bool runEngine(const QString& folder, const QStringList& arguments) {
  QProcess engine;
  engine.setWorkingDirectory(folder);
  engine.start(QStringLiteral(REAL_ENGINE), arguments);
  return engine.waitForFinished(60000) && engine.exitStatus() == QProcess::NormalExit && engine.exitCode() == 0;
}

// The registers of a layout, sorted.
QStringList sortedRegisters(const NamedChains& chains) {
  QStringList names;
  for (const auto& chain : chains) names << chain;
  names.sort();
  return names;
}

}  // namespace

class ScanEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void tableShowsRegistersAndCurrentLayout();
  void dropsAndEditsUpdateTheNotationLive();
  void presets();
  void loopPresetIsTheEngineLoopsMethod();
  void typedNotation();
  void applyRefusesAnInvalidLayout();
  void sixHundredRegistersUpdateInOneBatch();
  void manyRegisters();
  void renderPicture();
};

void ScanEditorTest::tableShowsRegistersAndCurrentLayout() {
  ScanLayoutEditor e;
  e.setCircuit(load("diffeq-layout.json"));
  auto* t = e.table();
  QCOMPARE(t->model()->rowCount(), 6);
  // In the order of the results.
  QCOMPARE(cell(t, 0, 0), QStringLiteral("reg6"));
  const int reg4 = row(t, "reg4"), reg6 = row(t, "reg6"), reg2 = row(t, "reg2");
  QCOMPARE(cell(t, reg4, 1), QStringLiteral("0.919"));  // the figures of its output
  QCOMPARE(cell(t, reg2, 2), QStringLiteral("0.680"));
  QCOMPARE(cell(t, reg4, 3), QStringLiteral("yes"));
  QCOMPARE(cell(t, reg6, 4), QStringLiteral("1"));  // reg6: chain 1, position 2
  QCOMPARE(cell(t, reg6, 5), QStringLiteral("2"));
  QCOMPARE(cell(t, reg2, 4), QString());
  QCOMPARE(e.notationText(), QStringLiteral("reg1,reg6.reg4"));
  // The tree: chain 1, chain 2, new chain, not scanned.
  QCOMPARE(e.tree()->topLevelItemCount(), 4);
  QCOMPARE(e.tree()->topLevelItem(0)->child(1)->text(0), QStringLiteral("reg6"));
  QCOMPARE(e.tree()->topLevelItem(3)->childCount(), 3);
}

void ScanEditorTest::dropsAndEditsUpdateTheNotationLive() {
  ScanLayoutEditor e;
  e.setCircuit(load("diffeq.json"));
  QSignalSpy changes(&e, &ScanLayoutEditor::layoutChanged);
  QSignalSpy applied(&e, &ScanLayoutEditor::layoutApplied);
  // A drop on "New chain", then on a register entry of that chain.
  auto* tree = e.tree();
  auto [chain, position] = ChainTree::dropTarget(tree->topLevelItem(0), false, 0);
  QCOMPARE(chain, 0);
  emit tree->registersDropped({"reg2", "reg5"}, chain, position);
  QCOMPARE(e.notationText(), QStringLiteral("reg2,reg5"));
  std::tie(chain, position) =
      ChainTree::dropTarget(tree->topLevelItem(0)->child(0), true, 1);
  QCOMPARE(position, 1);
  emit tree->registersDropped({"reg6"}, chain, position);
  QCOMPARE(e.notationText(), QStringLiteral("reg2,reg6,reg5"));
  // Dropping on "Not scanned" takes a register out.
  std::tie(chain, position) = ChainTree::dropTarget(tree->topLevelItem(2), false, 1);
  QCOMPARE(chain, -1);
  emit tree->registersDropped({"reg2"}, chain, position);
  QCOMPARE(e.notationText(), QStringLiteral("reg6,reg5"));
  // Editing the chain and position cells of reg1: chain 2, then chain 1 first.
  const int reg1 = row(e.table(), "reg1");
  typeCell(e.table(), reg1, 4, "2");
  QCOMPARE(e.notationText(), QStringLiteral("reg6,reg5.reg1"));
  typeCell(e.table(), reg1, 4, "1");
  typeCell(e.table(), reg1, 5, "1");
  QCOMPARE(e.notationText(), QStringLiteral("reg1,reg6,reg5"));
  typeCell(e.table(), reg1, 4, "");
  QCOMPARE(e.notationText(), QStringLiteral("reg6,reg5"));
  QVERIFY(changes.size() >= 6);
  QCOMPARE(changes.back().front().toString(), QStringLiteral("reg6,reg5"));
  // The drag out of the table carries the selected register names.
  e.table()->selectRow(row(e.table(), "reg3"));
  std::unique_ptr<QMimeData> mime(e.table()->model()->mimeData(e.table()->selectionModel()->selectedIndexes()));
  QCOMPARE(mime->text(), QStringLiteral("reg3"));
  for (auto* b : e.findChildren<QPushButton*>())
    if (b->text() == u"&Apply") b->click();
  QCOMPARE(applied.size(), 1);
  QCOMPARE(applied.front().front().toString(), QStringLiteral("reg6,reg5"));
  // A real drop event on the first chain appends the register to it.
  e.show();
  QVERIFY(QTest::qWaitForWindowExposed(&e));
  QMimeData dropped;
  dropped.setText("reg3");
  const QPoint at = tree->visualItemRect(tree->topLevelItem(0)).center();
  QDragEnterEvent enter(at, Qt::MoveAction, &dropped, Qt::LeftButton, {});
  QCoreApplication::sendEvent(tree->viewport(), &enter);
  QDragMoveEvent move(at, Qt::MoveAction, &dropped, Qt::LeftButton, {});
  QCoreApplication::sendEvent(tree->viewport(), &move);
  QDropEvent drop(QPointF(at), Qt::MoveAction, &dropped, Qt::LeftButton, {});
  QCoreApplication::sendEvent(tree->viewport(), &drop);
  QVERIFY(drop.isAccepted());
  QTRY_COMPARE(e.notationText(), QStringLiteral("reg6,reg5,reg3"));
}

void ScanEditorTest::presets() {
  ScanLayoutEditor e;
  e.setCircuit(load("diffeq.json"));
  e.presetFullScan();  // in the order of the results
  QCOMPARE(e.notationText(), QStringLiteral("reg6,reg5,reg4,reg3,reg2,reg1"));
  e.presetLoopBreaking();  // the engine's set, in the order it is described
  QCOMPARE(e.notationText(), QStringLiteral("reg1,reg5,reg6"));
  e.presetNone();
  QCOMPARE(e.notationText(), QString());
  e.presetOptimiser();  // no optimiser result yet: nothing happens
  QCOMPARE(e.notationText(), QString());
  e.setOptimiserLayout({{"reg1", "reg6", "reg2", "reg4"}});
  e.presetOptimiser();
  QCOMPARE(e.notationText(), QStringLiteral("reg1,reg6,reg2,reg4"));
}

// On loops7 the register on the most loops (h) is not in the smallest set
// that breaks them all (a1, a2, a3): the preset scans what `tarvex optimise
// --method loops` scans, not a greedy choice of its own.
void ScanEditorTest::loopPresetIsTheEngineLoopsMethod() {
  QTemporaryDir dir;
  QVERIFY(QFile::copy(QStringLiteral(LUMENO_TEST_DATA "/loops/loops7"), dir.filePath("loops7")));
  QVERIFY(runEngine(dir.path(), {"optimise", "loops7", "--method", "loops", "--json"}));
  const auto optimised = readCircuitResult(dir.filePath("loops7.json"));
  QVERIFY(optimised);
  QCOMPARE(sortedRegisters(optimised.value->chains), QStringList({"a1", "a2", "a3"}));
  QVERIFY(runEngine(dir.path(), {"analyse", "loops7", "--json"}));
  const auto analysed = readCircuitResult(dir.filePath("loops7.json"));
  QVERIFY(analysed);
  ScanLayoutEditor e;
  e.setCircuit(*analysed.value);
  e.presetLoopBreaking();
  QCOMPARE(sortedRegisters(e.model().chains()), sortedRegisters(optimised.value->chains));
  // A file without the engine's set (an older engine) offers no set of its own.
  CircuitResult older = *analysed.value;
  older.loopBreaking.reset();
  e.setCircuit(older);
  QVERIFY(e.loopBreakingRegisters().isEmpty());
}

void ScanEditorTest::typedNotation() {
  ScanLayoutEditor e;
  e.setCircuit(load("gcd.json"));
  e.typeNotation("y_reg.x_reg");
  QCOMPARE(e.model().chains().size(), std::size_t(2));
  QCOMPARE(e.notationError(), QString());
  e.typeNotation("y_reg.z_reg");
  QCOMPARE(e.notationError(), QStringLiteral("scan layout 'y_reg.z_reg': unknown register 'z_reg'"));
  QCOMPARE(e.model().notation(), QStringLiteral("y_reg.x_reg"));  // kept until the text is valid
  e.typeNotation("x_reg");
  QCOMPARE(e.notationError(), QString());
  QCOMPARE(cell(e.table(), row(e.table(), "x_reg"), 4), QStringLiteral("1"));
}

void ScanEditorTest::manyRegisters() {
  CircuitResult c;
  c.circuit = "wide";
  for (int i = 0; i < 200; ++i) c.registers.push_back({QStringLiteral("r%1").arg(i), false, -1, -1, 0.1, 0.2, false});
  ScanLayoutEditor e;
  e.setCircuit(c);
  QCOMPARE(e.table()->model()->rowCount(), 200);
  e.presetFullScan();
  QCOMPARE(e.model().chains().front().size(), 200);
  e.typeNotation("r199,r0.r17");
  QCOMPARE(cell(e.table(), 17, 4), QStringLiteral("2"));
}

// "Apply" takes only a layout that parses: the user's text and the error stay.
void ScanEditorTest::applyRefusesAnInvalidLayout() {
  ScanLayoutEditor e;
  e.setCircuit(load("diffeq-layout.json"));
  QSignalSpy applied(&e, &ScanLayoutEditor::layoutApplied);
  e.typeNotation("reg3,foo.reg1");
  QVERIFY(e.notationError().contains("unknown register 'foo'"));
  const QString before = e.model().notation();
  QVERIFY(!e.applyClicked());
  QCOMPARE(applied.size(), 0);
  QCOMPARE(e.notationText(), QStringLiteral("reg3,foo.reg1"));
  QVERIFY(e.notationError().contains("unknown register 'foo'"));
  QVERIFY(e.notationError().startsWith("Not applied"));
  QCOMPARE(e.model().notation(), before);
  // Corrected, it is applied as typed.
  e.typeNotation("reg3.reg1");
  QVERIFY(e.applyClicked());
  QCOMPARE(applied.size(), 1);
  QCOMPARE(applied.front().front().toString(), QStringLiteral("reg3.reg1"));
  QCOMPARE(e.notationError(), QString());
  // A text put in without the editing signal (pasted, then Apply) is parsed first.
  e.findChild<QLineEdit*>()->setText("reg2");
  QVERIFY(e.applyClicked());
  QCOMPARE(applied.back().front().toString(), QStringLiteral("reg2"));
}

// A design of 600 registers, as the engine writes it: each update after a
// run or a preset is one batch, far below what a user notices.
void ScanEditorTest::sixHundredRegistersUpdateInOneBatch() {
  QTemporaryDir dir;
  QProcess gen;
  gen.setStandardOutputFile(dir.filePath("r600.txt"));
  gen.start(QStringLiteral(GENCIRCUIT), {"registers", "600"});
  QVERIFY(gen.waitForFinished(60000) && gen.exitCode() == 0);
  QVERIFY(runEngine(dir.path(), {"analyse", "r600.txt", "--json", "--out", dir.path()}));
  auto read = readCircuitResult(dir.filePath("layered600.json"));
  QVERIFY2(read, qPrintable(read.errors.join('\n')));
  QVERIFY(read.value->registers.size() >= 600);
  ScanLayoutEditor e;
  e.show();
  QVERIFY(QTest::qWaitForWindowExposed(&e));
  QElapsedTimer clock;
  clock.start();
  e.setCircuit(*read.value);
  QApplication::processEvents();  // the view lays out and paints what changed
  const qint64 first = clock.restart();
  e.presetFullScan();
  QApplication::processEvents();
  const qint64 preset = clock.restart();
  e.setCircuit(*read.value);  // the result of the next run: the same registers
  QApplication::processEvents();
  const qint64 again = clock.elapsed();
  qInfo("600 registers: first %lld ms, full scan %lld ms, next result %lld ms", first, preset, again);
  QVERIFY2(first < 100 && preset < 100 && again < 100, "an update of the editor blocked the event loop too long");
  QCOMPARE(e.table()->model()->rowCount(), static_cast<int>(read.value->registers.size()));
}

void ScanEditorTest::renderPicture() {
  ScanLayoutEditor e;
  e.setCircuit(load("diffeq-layout.json"));
  e.show();
  QVERIFY(QTest::qWaitForWindowExposed(&e));
  QVERIFY(e.grab().save(RENDER_DIR "/scaneditor.png"));
}

QTEST_MAIN(ScanEditorTest)
#include "scaneditor_test.moc"
