// The session's command lines of the views' own runs (insert, check,
// compare with fault simulation) and the scan layout model's treatment of
// registers a check rule keeps out of every layout.
#include "models/circuitsession.h"
#include "models/scanlayoutmodel.h"
#include "testsupport.h"

namespace {

CircuitSession session(const QString& file) {
  CircuitSession s;
  s.file = file;
  s.kind = CircuitKindOf(file);
  s.workFolder = QStringLiteral("/work/c");
  return s;
}

// reg1..reg4, reg2 kept out by CLK-1 and reg4 by a rule the file did not name.
ScanLayoutModel modelWithExclusions() {
  std::vector<RegisterFigures> regs;
  for (const QString n : {"reg1", "reg2", "reg3", "reg4"}) regs.push_back({n, false, -1, -1, 0.5, 0.5, false});
  regs[1].scannable = false;
  regs[1].checkRule = QStringLiteral("CLK-1");
  regs[3].scannable = false;
  ScanLayoutModel m;
  m.setRegisters(regs);
  return m;
}

}  // namespace

class ScanReadinessTest : public QObject {
  Q_OBJECT
 private slots:
  void commandLines();
  void whatEachKindOfCircuitOffers();
  void testModePins();
  void excludedRegistersStayOutOfEveryLayout();
  void resultJsonIsNotAnotherRunsFile();
};

void ScanReadinessTest::commandLines() {
  const CircuitSession s = session("/d/diffeq.v");
  QCOMPARE(InsertArguments(s, "x_var,u_var.y_var", "/o/d_scan.v"),
           QStringList({"insert", "/d/diffeq.v", "--layout", "x_var,u_var.y_var", "-o", "/o/d_scan.v"}));
  // No chain: the design with its scan mode input only.
  QCOMPARE(InsertArguments(s, " ", "/o/d.v"), QStringList({"insert", "/d/diffeq.v", "--layout", "-1", "-o", "/o/d.v"}));
  QCOMPARE(CompareFaultsimArguments(s),
           QStringList({"compare", "/d/diffeq.v", "--faultsim", "--json", "--out", "/work/c"}));
  QCOMPARE(CompareArguments(s), QStringList({"compare", "/d/diffeq.v", "--json", "--out", "/work/c"}));
  QCOMPARE(CheckArguments(s, {}), QStringList({"check", "/d/diffeq.v", "--json"}));
  QCOMPARE(CheckArguments(s, {"test_mode=1", "rst_n=1"}),
           QStringList({"check", "/d/diffeq.v", "--json", "--test-mode", "test_mode=1", "--test-mode", "rst_n=1"}));
  QCOMPARE(SuggestedVerilogFile(s, "diffeq_solver"), QStringLiteral("/d/diffeq_solver_scan.v"));
  QCOMPARE(SuggestedVerilogFile(s, QString()), QStringLiteral("/d/diffeq_scan.v"));
}

void ScanReadinessTest::whatEachKindOfCircuitOffers() {
  QVERIFY(CanWriteVerilog(session("/d/a.v")));
  QVERIFY(CanWriteVerilog(session("/d/a.sv")));
  QVERIFY(!CanWriteVerilog(session("/d/a.json")));
  QVERIFY(!CanWriteVerilog(session("/d/diffeq")));
  QVERIFY(IsGateLevelDesign(session("/d/a.json")));
  QVERIFY(IsGateLevelDesign(session("/d/a.v")));
  QVERIFY(!IsGateLevelDesign(session("/d/diffeq")));
  QCOMPARE(NotForThisCircuit(session("/d/diffeq"), "Writing Verilog"),
           QStringLiteral("Writing Verilog needs a circuit read from Verilog; 'diffeq' is a circuit description."));
  QVERIFY(NotForThisCircuit(session("/d/n.json"), "Writing Verilog").endsWith("is a Yosys netlist."));
}

void ScanReadinessTest::testModePins() {
  QString error = "stale";
  QCOMPARE(TestModePins(" test_mode=1, rst_n=0  mode[2]=1 ", &error), QStringList({"test_mode=1", "rst_n=0", "mode[2]=1"}));
  QCOMPARE(error, QString());
  QCOMPARE(TestModePins("", &error), QStringList());
  QCOMPARE(error, QString());
  for (const QString bad : {"test_mode", "test_mode=2", "=1", "1x=1", "a=1=1"}) {
    QVERIFY2(TestModePins(bad, &error).isEmpty(), qPrintable(bad));
    QVERIFY2(error.contains(bad), qPrintable(error));
  }
  // One bad entry spoils the whole list: no run with half the pins.
  QCOMPARE(TestModePins("a=1 b=7", &error), QStringList());
  QCOMPARE(error, QStringLiteral("'b=7' is not PORT=0 or PORT=1"));
}

void ScanReadinessTest::excludedRegistersStayOutOfEveryLayout() {
  ScanLayoutModel m = modelWithExclusions();
  QVERIFY(m.isScannable("reg1"));
  QVERIFY(!m.isScannable("reg2"));
  QCOMPARE(m.checkRuleOf("reg2"), QStringLiteral("CLK-1"));
  QCOMPARE(m.checkRuleOf("reg4"), QStringLiteral("check"));  // kept out, rule not named
  QCOMPARE(m.checkRuleOf("reg1"), QString());
  QCOMPARE(m.unscannable(), QStringList({"reg2", "reg4"}));
  m.fullScan(1);
  QCOMPARE(m.notation(), QStringLiteral("reg1,reg3"));
  m.fullScan(5);  // one chain per scannable register at most
  QCOMPARE(m.notation(), QStringLiteral("reg1.reg3"));
  m.placeAll({"reg2", "reg3"}, 0, 0);  // the excluded one is not placed, the other is
  QCOMPARE(m.notation(), QStringLiteral("reg3,reg1"));
  m.place("reg4", 1, 0);
  QCOMPARE(m.notation(), QStringLiteral("reg3,reg1"));
  m.setChains({{"reg2", "reg3"}, {"reg4"}});
  QCOMPARE(m.notation(), QStringLiteral("reg3"));
  const QString error = m.setNotation("reg1,reg2");
  QCOMPARE(error, QStringLiteral("scan layout 'reg1,reg2': register 'reg2' cannot be scanned (CLK-1)"));
  QCOMPARE(m.notation(), QStringLiteral("reg3"));  // kept on the error
  QVERIFY(m.setNotation("reg3.reg1").isEmpty());
  m.place("reg1", -1, 0);  // taking a register out is always allowed
  QCOMPARE(m.notation(), QStringLiteral("reg3"));
}

void ScanReadinessTest::resultJsonIsNotAnotherRunsFile() {
  WorkFolder work(false);
  work.write("timer.json", "{}");
  // Written later by the views' own runs, in the same folder.
  const QDateTime later = QDateTime::currentDateTime().addSecs(60);
  for (const QString name : {"timer.check.json", "timer_scan.chains.json", "timer.faultsim.json", "timer.compare.json"}) {
    work.write(name, "{}");
    QFile file(work.file(name));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(later, QFileDevice::FileModificationTime));
  }
  QCOMPARE(FindResultJson(work.path()), work.file("timer.json"));
  QVERIFY(QFile::remove(work.file("timer.json")));
  QCOMPARE(FindResultJson(work.path()), QString());
}

QTEST_MAIN(ScanReadinessTest)
#include "scanreadiness_test.moc"
