// Where lumeno works and where it finds the engine.
#include "enginelink/platform.h"
#include "testsupport.h"

class PlatformTest : public QObject {
  Q_OBJECT
 private slots:
  void currentFolderWithTheBenchmarkIsUsed() {
    WorkFolder work;
    QTemporaryDir user;
    QString error;
    QCOMPARE(ChooseWorkingFolder(work.path(), user.filePath(QStringLiteral("lumeno")), &error), work.path());
    QVERIFY(!QFileInfo::exists(user.filePath(QStringLiteral("lumeno"))));
  }

  void otherwiseTheUserFolderGetsTheBundledBenchmark() {
    WorkFolder work(false);
    QTemporaryDir user;
    const QString folder = user.filePath(QStringLiteral("data/lumeno"));
    QString error;
    QCOMPARE(ChooseWorkingFolder(work.path(), folder, &error), QDir(folder).absolutePath());
    QFile copy(QDir(folder).filePath(QStringLiteral("diffeq")));
    QVERIFY(copy.open(QIODevice::ReadWrite));  // a writable copy
    QVERIFY(copy.readAll().contains("CIR diffeq"));
    copy.resize(0);
    copy.write("CIR diffeq // edited by the learner\n");
    copy.close();

    // A description already there is kept.
    QCOMPARE(ChooseWorkingFolder(work.path(), folder, &error), QDir(folder).absolutePath());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QVERIFY(copy.readAll().contains("edited by the learner"));
  }

  void unusableUserFolderIsAnError() {
    WorkFolder work(false);
    work.write(QStringLiteral("file"), "x");
    QString error;
    QVERIFY(ChooseWorkingFolder(work.path(), work.file(QStringLiteral("file/lumeno")), &error).isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(ChooseWorkingFolder(work.path(), QString(), &error).isEmpty());
  }

  void engineNextToTheProgramOrInTheBuildTree() {
    QTemporaryDir root;
    QDir dir(root.path());
    QVERIFY(dir.mkpath(QStringLiteral("frontend")) && dir.mkpath(QStringLiteral("engine")));
    const QString programDir = dir.filePath(QStringLiteral("frontend"));
    const QString oldPath = qEnvironmentVariable("PATH");
    qputenv("PATH", root.path().toLocal8Bit());

    QVERIFY(FindEngine(programDir).isEmpty());
    const QString built = dir.filePath(QStringLiteral("engine/tarvex"));
    QVERIFY(QFile::copy(QStringLiteral(FAKE_ENGINE), built));
    QCOMPARE(FindEngine(programDir), QFileInfo(built).canonicalFilePath());
    const QString beside = dir.filePath(QStringLiteral("frontend/tarvex"));
    QVERIFY(QFile::copy(QStringLiteral(FAKE_ENGINE), beside));
    QCOMPARE(FindEngine(programDir), QFileInfo(beside).canonicalFilePath());

    // A file that cannot be executed is no engine.
    QFile::setPermissions(beside, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(FindEngine(programDir), QFileInfo(built).canonicalFilePath());
    qputenv("PATH", oldPath.toLocal8Bit());
  }
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
