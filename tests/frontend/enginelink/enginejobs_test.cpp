// The readers of what `tarvex check`, `insert` and `compare --faultsim`
// write, and the jobs that run check and insert: a check that finds errors
// (exit status 1) is still a report, an insert is read back from its chain
// description, and a failure carries the engine's own words.
#include <QSignalSpy>

#include "enginelink/checkjob.h"
#include "enginelink/enginerun.h"
#include "enginelink/insertjob.h"
#include "testsupport.h"

namespace {

QString data(const char* name) { return QStringLiteral(LUMENO_TEST_DATA "/views/") + QLatin1String(name); }
QString verilog(const char* name) { return QStringLiteral(LUMENO_EXAMPLES "/verilog/") + QLatin1String(name); }

}  // namespace

class EngineJobsTest : public QObject {
  Q_OBJECT
 private slots:
  void readsRecordedCheckReport();
  void malformedCheckReportNamesThePlace();
  void sourcePlaces();
  void readsChainDescription();
  void readsCoverageOfAFaultsimComparison();
  void readsScannableMarksOfAnAnalysis();
  void checkWithErrorsIsAReport();
  void checkOfAMissingDesignFails();
  void abandonedCheckReportsNothing();
  void insertWritesAndReadsBack();
  void insertRefusedCarriesTheEngineError();
  void exitStatusOfAFailedRun();
};

void EngineJobsTest::readsRecordedCheckReport() {
  const auto r = readCheckReport(data("timer.check.json"));
  QVERIFY2(r, qPrintable(r.errors.join(u'\n')));
  const CheckReport& report = *r.value;
  QCOMPARE(report.design, QStringLiteral("timer"));
  QCOMPARE(report.findings.size(), std::size_t(2));
  QCOMPARE(report.findings[0].rule, QStringLiteral("CLK-1"));
  QCOMPARE(report.findings[0].severity, QStringLiteral("error"));
  QCOMPARE(report.findings[0].object, QStringLiteral("count"));
  QCOMPARE(report.findings[1].location, QStringLiteral("timer.v:20"));
  QVERIFY(report.findings[1].message.startsWith(QStringLiteral("Its asynchronous reset 'clear_n'")));
  QCOMPARE(report.registers.size(), std::size_t(2));
  QVERIFY(report.reg("count") != nullptr);
  QCOMPARE(report.reg("count")->bits, 8);
  QVERIFY(!report.reg("count")->scannable);
  QCOMPARE(report.reg("expired")->rule, QStringLiteral("RST-1"));
  QVERIFY(report.reg("gclk") == nullptr);
  QCOMPARE(report.clockDomains.size(), std::size_t(1));
  QCOMPARE(report.clockDomains[0].clock, QStringLiteral("clk"));
  QCOMPARE(report.summary(), QStringLiteral("Design 'timer': 0 of 9 flip-flops in 0 of 2 registers can be scanned; "
                                            "2 error(s), 0 warning(s), 0 info(s)."));
}

void EngineJobsTest::malformedCheckReportNamesThePlace() {
  auto r = parseCheckReport(R"({"design": "t", "findings": [{"rule": "CLK-1"}, 3],
                                "registers": [{"name": "r", "bits": "8", "rule": null}],
                                "summary": {"errors": 1.5}})");
  QVERIFY(!r);
  QVERIFY(r.errors.contains("findings[0].severity: is missing"));
  QVERIFY(r.errors.contains("findings[1]: is not an object"));
  QVERIFY(r.errors.contains("registers[0].bits: is not a number"));
  QVERIFY(r.errors.contains("summary.errors: is not a whole number"));
  QVERIFY(!parseCheckReport("[]"));
  QVERIFY(!parseCheckReport("{\"findings\": []}"));  // no design
  // A register without an error-level rule has null there.
  r = parseCheckReport(R"({"design": "t", "registers": [{"name": "r", "scannable": true, "rule": null}]})");
  QVERIFY(r);
  QCOMPARE(r.value->registers[0].rule, QString());
}

void EngineJobsTest::sourcePlaces() {
  QCOMPARE(SourcePlaceOf("timer.v:11").file, QStringLiteral("timer.v"));
  QCOMPARE(SourcePlaceOf("timer.v:11").line, 11);
  QCOMPARE(SourcePlaceOf("C:/work/a.v:7").file, QStringLiteral("C:/work/a.v"));
  QCOMPARE(SourcePlaceOf("C:/work/a.v:7").line, 7);
  QCOMPARE(SourcePlaceOf("-").file, QString());
  QCOMPARE(SourcePlaceOf("").line, 0);
  QCOMPARE(SourcePlaceOf("timer.v").file, QStringLiteral("timer.v"));
  QCOMPARE(SourcePlaceOf("timer.v").line, 0);
  QCOMPARE(SourcePlaceOf("timer.v:x").line, 0);
}

void EngineJobsTest::readsChainDescription() {
  const auto r = parseChainDescription(R"({"module": "m", "layout": "a,b.c", "verilog": "/out/m_scan.v",
    "scan_mode": "SCAN_MODE", "chains": [
      {"scan_in": "SCAN_IN0", "scan_out": "SCAN_OUT0", "clock": "clk", "edge": "rising", "length": 3,
       "flops": [{"register": "a", "bit": 0}, {"register": "a", "bit": 1}, {"register": "b", "bit": 0}]},
      {"scan_in": "SCAN_IN1", "scan_out": "SCAN_OUT1", "clock": "clk", "edge": "falling", "length": 2,
       "flops": [{"register": "c", "bit": 0}, {"register": "c", "bit": 1}]}]})");
  QVERIFY2(r, qPrintable(r.errors.join(u'\n')));
  QCOMPARE(r.value->chains.size(), std::size_t(2));
  QCOMPARE(r.value->chains[0].registers, QStringList({"a", "b"}));
  QCOMPARE(r.value->chains[1].edge, QStringLiteral("falling"));
  QCOMPARE(r.value->flipFlops(), 5);
  QCOMPARE(r.value->summary(), QStringLiteral("Wrote 'm_scan.v': 2 scan chain(s), 5 flip-flop(s) scanned"));
  QVERIFY(!parseChainDescription(R"({"module": "m", "chains": [{"scan_in": "SCAN_IN0"}]})"));
  // Beside the Verilog file, as the engine names it.
  QCOMPARE(ChainDescriptionFileFor("/a/b/cpu_scan.v"), QStringLiteral("/a/b/cpu_scan.chains.json"));
  QCOMPARE(ChainDescriptionFileFor("/a/b.sv"), QStringLiteral("/a/b.chains.json"));
  QCOMPARE(ChainDescriptionFileFor("/a/out"), QStringLiteral("/a/out.chains.json"));
}

void EngineJobsTest::readsCoverageOfAFaultsimComparison() {
  const auto r = readCompareResult(data("diffeq_solver.faultsim.compare.json"));
  QVERIFY2(r, qPrintable(r.errors.join(u'\n')));
  const CompareResult& c = *r.value;
  QVERIFY(c.hasCoverage());
  QCOMPARE(c.rows.size(), std::size_t(5));
  QVERIFY(qAbs(*c.rows[1].stuckAtCoveragePercent - 73.87) < 0.01);
  QVERIFY(!c.rows[0].coverageSpearman.has_value());  // null: no ranking exists
  QVERIFY(qAbs(*c.rows[3].coverageSpearman - 0.241) < 0.001);
  // none is cheapest; ga buys more coverage than exact for the same area;
  // full and loops tie at the top and beat each other on nothing.
  QCOMPARE(c.coverageFront(), QStringList({"none", "full", "loops", "ga"}));
  // Without fault simulation there is no coverage and no coverage front.
  const auto plain = readCompareResult(data("diffeq.compare.json"));
  QVERIFY(plain);
  QVERIFY(!plain.value->hasCoverage());
  QVERIFY(plain.value->coverageFront().isEmpty());
  QVERIFY(!parseCompareResult(R"({"circuit": "c", "rows": [{"method": "m", "stuck_at_coverage_percent": "x"}]})"));
}

void EngineJobsTest::readsScannableMarksOfAnAnalysis() {
  const auto r = readCircuitResult(data("timer.json"));
  QVERIFY2(r, qPrintable(r.errors.join(u'\n')));
  QVERIFY(!r.value->reg("count")->scannable);
  QCOMPARE(r.value->reg("count")->checkRule, QStringLiteral("CLK-1"));
  QCOMPARE(r.value->reg("expired")->checkRule, QStringLiteral("RST-1"));
  // Registers of files without the mark can be scanned.
  const auto gcd = readCircuitResult(data("gcd.json"));
  QVERIFY(gcd);
  for (const auto& reg : gcd.value->registers) QVERIFY(reg.scannable);
}

void EngineJobsTest::checkWithErrorsIsAReport() {
  WorkFolder work(false);
  work.write("old.check.json", "{\"design\": \"old\"}");
  CheckJob job;
  QSignalSpy reported(&job, &CheckJob::reported);
  QSignalSpy failed(&job, &CheckJob::failed);
  job.start(REAL_ENGINE, {"check", verilog("timer.v"), "--json"}, work.path());
  QVERIFY(job.isRunning());  // started, not waited for
  QTRY_VERIFY_WITH_TIMEOUT(reported.count() + failed.count() == 1, 60000);
  QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.first().first().toString()));
  const auto report = reported.first().first().value<CheckReport>();
  QCOMPARE(report.design, QStringLiteral("timer"));  // not the old report
  QCOMPARE(report.errors, 2);
  QVERIFY(!QFile::exists(work.file("old.check.json")));
  // With the test-mode pin held both registers can be scanned.
  job.start(REAL_ENGINE, {"check", verilog("timer.v"), "--json", "--test-mode", "test_mode=1"}, work.path());
  QTRY_VERIFY_WITH_TIMEOUT(reported.count() + failed.count() == 2, 60000);
  QCOMPARE(reported.count(), 2);
  const auto held = reported.last().first().value<CheckReport>();
  QCOMPARE(held.errors, 0);
  QCOMPARE(held.scannableRegisters, 2);
}

void EngineJobsTest::checkOfAMissingDesignFails() {
  WorkFolder work(false);
  CheckJob job;
  QSignalSpy failed(&job, &CheckJob::failed);
  job.start(REAL_ENGINE, {"check", work.file("missing.v"), "--json"}, work.path());
  QTRY_VERIFY_WITH_TIMEOUT(failed.count() == 1, 60000);
  const QString message = failed.first().first().toString();
  QVERIFY2(message.contains("missing.v"), qPrintable(message));  // the engine's own words
  QVERIFY(!job.isRunning());
}

void EngineJobsTest::abandonedCheckReportsNothing() {
  WorkFolder work(false);
  qputenv("FAKE_TARVEX_MODE", "slow");
  CheckJob job;
  QSignalSpy reported(&job, &CheckJob::reported);
  QSignalSpy failed(&job, &CheckJob::failed);
  job.start(FAKE_ENGINE, {"check"}, work.path());
  QVERIFY(job.isRunning());
  job.abandon();
  qunsetenv("FAKE_TARVEX_MODE");
  QVERIFY(!job.isRunning());
  QTest::qWait(800);  // the engine would have ended by now
  QCOMPARE(reported.count() + failed.count(), 0);
}

void EngineJobsTest::insertWritesAndReadsBack() {
  WorkFolder work(false);
  const QString out = work.file("diffeq_scan.v");
  InsertJob job;
  QSignalSpy written(&job, &InsertJob::written);
  QSignalSpy failed(&job, &InsertJob::failed);
  job.start(REAL_ENGINE, {"insert", verilog("diffeq.v"), "--layout", "x_var,u_var.y_var", "-o", out}, work.path(), out);
  QVERIFY(job.isRunning());
  QTRY_VERIFY_WITH_TIMEOUT(written.count() + failed.count() == 1, 60000);
  QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.first().first().toString()));
  const auto d = written.first().first().value<ChainDescription>();
  QCOMPARE(d.chains.size(), std::size_t(2));
  QCOMPARE(d.chains[0].registers, QStringList({"x_var", "u_var"}));
  QCOMPARE(d.flipFlops(), 48);
  QVERIFY(work.read("diffeq_scan.v").contains("SCAN_MODE"));
}

void EngineJobsTest::insertRefusedCarriesTheEngineError() {
  WorkFolder work(false);
  const QString out = work.file("d.v");
  // A chain description of an earlier run is not taken for this one's.
  work.write("d.chains.json", R"({"module": "old", "chains": []})");
  InsertJob job;
  QSignalSpy written(&job, &InsertJob::written);
  QSignalSpy failed(&job, &InsertJob::failed);
  job.start(REAL_ENGINE, {"insert", verilog("diffeq.v"), "--layout", "bogus", "-o", out}, work.path(), out);
  QTRY_VERIFY_WITH_TIMEOUT(written.count() + failed.count() == 1, 60000);
  QCOMPARE(failed.count(), 1);
  const QString message = failed.first().first().toString();
  QVERIFY2(message.contains("unknown register 'bogus'"), qPrintable(message));
  QVERIFY(message.startsWith("the engine ended with exit status 1"));
  // An engine that ends well without a description is no success either.
  qputenv("FAKE_TARVEX_MODE", "nopar");
  job.start(FAKE_ENGINE, {"insert"}, work.path(), out);
  QTRY_VERIFY_WITH_TIMEOUT(failed.count() == 2, 60000);
  qunsetenv("FAKE_TARVEX_MODE");
  QVERIFY(failed.last().first().toString().contains("chain description"));
  QCOMPARE(written.count(), 0);
}

void EngineJobsTest::exitStatusOfAFailedRun() {
  WorkFolder work;
  qputenv("FAKE_TARVEX_MODE", "fail");
  EngineRun run;
  QCOMPARE(run.exitStatus(), -1);
  run.start(FAKE_ENGINE, {"diffeq"}, work.path());
  QTRY_VERIFY(run.hasEnded());
  qunsetenv("FAKE_TARVEX_MODE");
  QCOMPARE(run.exitStatus(), 1);
  QVERIFY(run.failureText("it failed").startsWith("it failed:\nERROR(1): Can't open"));
  run.start("/nonexistent/tarvex", {}, work.path());
  QTRY_VERIFY(run.hasEnded());
  QCOMPARE(run.exitStatus(), -1);
}

QTEST_MAIN(EngineJobsTest)
#include "enginejobs_test.moc"
