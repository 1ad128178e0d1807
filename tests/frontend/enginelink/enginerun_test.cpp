// The engine run object: its end is signalled once, as finished or failed
// with a reason, and progress lines are passed on apart from the errors.
#include <QSignalSpy>

#include "enginelink/enginerun.h"
#include "testsupport.h"

class EngineRunTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { qunsetenv("FAKE_TARVEX_MODE"); }

  void endsOnceByOutcome_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("reason");
    QTest::newRow("ok") << "ok" << FAKE_ENGINE << QString();
    QTest::newRow("error status") << "fail" << FAKE_ENGINE << "the engine ended with exit status 1";
    QTest::newRow("crash") << "crash" << FAKE_ENGINE << "the engine crashed";
    QTest::newRow("missing") << "ok" << "/nonexistent/tarvex" << "the engine could not be started";
  }
  void endsOnceByOutcome() {
    QFETCH(QString, mode);
    QFETCH(QString, program);
    QFETCH(QString, reason);
    WorkFolder work;
    qputenv("FAKE_TARVEX_MODE", mode.toLatin1());
    EngineRun run;
    QSignalSpy finished(&run, &EngineRun::finished);
    QSignalSpy failed(&run, &EngineRun::failed);
    run.start(program, {QStringLiteral("diffeq"), QStringLiteral("-n"), QStringLiteral("0"), QStringLiteral("-1")},
              work.path());
    QTRY_VERIFY(run.hasEnded());
    QTest::qWait(50);  // nothing more comes
    QCOMPARE(finished.count() + failed.count(), 1);
    QVERIFY(!run.isRunning());
    if (reason.isEmpty()) {
      QCOMPARE(finished.count(), 1);
    } else {
      QVERIFY(failed.first().first().toString().startsWith(reason));
    }
    if (mode == QLatin1String("fail")) QVERIFY(run.errorText().contains(QStringLiteral("Can't open")));
  }

  void progressLinesAreSeparated() {
    WorkFolder work;
    qputenv("FAKE_TARVEX_MODE", "progress");
    EngineRun run;
    QSignalSpy progress(&run, &EngineRun::progressLine);
    run.start(QStringLiteral(FAKE_ENGINE), {QStringLiteral("diffeq")}, work.path());
    QTRY_VERIFY(run.hasEnded());
    QCOMPARE(progress.count(), 3);
    QCOMPARE(progress.last().first().toString(), QStringLiteral("progress generation=3 stale=0 best=30 elapsed=0.0"));
    QCOMPARE(run.errorText(), QStringLiteral("note: done\n"));
  }

  void abandoningSignalsNothing() {
    WorkFolder work;
    qputenv("FAKE_TARVEX_MODE", "slow");
    EngineRun run;
    QSignalSpy finished(&run, &EngineRun::finished);
    run.start(QStringLiteral(FAKE_ENGINE), {QStringLiteral("diffeq")}, work.path());
    QVERIFY(run.isRunning());
    run.abandon();
    QTest::qWait(700);
    QCOMPARE(finished.count(), 0);
  }

  // A stop ends the engine at once and says so, once; a stop after the end
  // changes nothing.
  void stoppingEndsTheEngineAndSaysSo() {
    WorkFolder work;
    qputenv("FAKE_TARVEX_MODE", "slow");
    EngineRun run;
    QSignalSpy finished(&run, &EngineRun::finished), failed(&run, &EngineRun::failed);
    run.start(QStringLiteral(FAKE_ENGINE), {QStringLiteral("diffeq")}, work.path());
    QVERIFY(run.isRunning() && !run.wasStopped());
    run.stop();
    QVERIFY(run.hasEnded() && run.wasStopped());
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(), RunStoppedReason());
    QTest::qWait(700);  // the engine would have ended by now: it was killed
    QCOMPARE(finished.count(), 0);
    QCOMPARE(failed.count(), 1);
    QVERIFY(!QFile::exists(work.file(QStringLiteral("diffeq.par"))));
    run.stop();
    QCOMPARE(failed.count(), 1);
    // A new start clears the mark.
    qputenv("FAKE_TARVEX_MODE", "ok");
    run.start(QStringLiteral(FAKE_ENGINE), {QStringLiteral("diffeq")}, work.path());
    QTRY_VERIFY(run.hasEnded());
    QVERIFY(!run.wasStopped());
  }
};

QTEST_MAIN(EngineRunTest)
#include "enginerun_test.moc"
