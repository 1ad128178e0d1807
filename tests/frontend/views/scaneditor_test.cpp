// The scan layout editor alone: its table, drops, cell edits, presets and
// the live notation.
#include <QDropEvent>
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
int row(const QTableWidget* t, const QString& name) {
  for (int r = 0; r < t->rowCount(); ++r)
    if (t->item(r, 0)->text() == name) return r;
  return -1;
}

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
  void manyRegisters();
  void renderPicture();
};

void ScanEditorTest::tableShowsRegistersAndCurrentLayout() {
  ScanLayoutEditor e;
  e.setCircuit(load("diffeq-layout.json"));
  auto* t = e.table();
  QCOMPARE(t->rowCount(), 6);
  // In the order of the results.
  QCOMPARE(t->item(0, 0)->text(), QStringLiteral("reg6"));
  const int reg4 = row(t, "reg4"), reg6 = row(t, "reg6"), reg2 = row(t, "reg2");
  QCOMPARE(t->item(reg4, 1)->text(), QStringLiteral("0.919"));  // the figures of its output
  QCOMPARE(t->item(reg2, 2)->text(), QStringLiteral("0.680"));
  QCOMPARE(t->item(reg4, 3)->text(), QStringLiteral("yes"));
  QCOMPARE(t->item(reg6, 4)->text(), QStringLiteral("1"));  // reg6: chain 1, position 2
  QCOMPARE(t->item(reg6, 5)->text(), QStringLiteral("2"));
  QCOMPARE(t->item(reg2, 4)->text(), QString());
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
  e.table()->item(reg1, 4)->setText("2");
  QCOMPARE(e.notationText(), QStringLiteral("reg6,reg5.reg1"));
  e.table()->item(reg1, 4)->setText("1");
  e.table()->item(reg1, 5)->setText("1");
  QCOMPARE(e.notationText(), QStringLiteral("reg1,reg6,reg5"));
  e.table()->item(reg1, 4)->setText("");
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
  QCOMPARE(e.table()->item(row(e.table(), "x_reg"), 4)->text(), QStringLiteral("1"));
}

void ScanEditorTest::manyRegisters() {
  CircuitResult c;
  c.circuit = "wide";
  for (int i = 0; i < 200; ++i) c.registers.push_back({QStringLiteral("r%1").arg(i), false, -1, -1, 0.1, 0.2, false});
  ScanLayoutEditor e;
  e.setCircuit(c);
  QCOMPARE(e.table()->rowCount(), 200);
  e.presetFullScan();
  QCOMPARE(e.model().chains().front().size(), 200);
  e.typeNotation("r199,r0.r17");
  QCOMPARE(e.table()->item(17, 4)->text(), QStringLiteral("2"));
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
