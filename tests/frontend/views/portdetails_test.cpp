// The testability details of any circuit: sorting by value, filtering, the
// fixed header, the summary in full, the CSV export and the time a 600-register
// design takes to show.
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>

#include "testsupport.h"
#include "views/portdetailsview.h"

namespace {

CircuitResult diffeq() {
  auto r = readCircuitResult(QStringLiteral(LUMENO_TEST_DATA "/views/diffeq.json"));
  return r ? *r.value : CircuitResult{};
}

QString shown(const PortDetailsView& v, int row, int column) {
  return v.proxy()->index(row, column).data().toString();
}

}  // namespace

class PortDetailsTest : public QObject {
  Q_OBJECT
 private slots:
  void everyPortUnderAFixedHeader() {
    PortDetailsView v;
    const CircuitResult c = diffeq();
    v.setCircuit(c);
    QCOMPARE(v.proxy()->rowCount(), static_cast<int>(c.ports.size()));
    // The first row is the first port, not a blank or a header row.
    QCOMPARE(shown(v, 0, PortDetailsModel::kPort), QStringLiteral("reg6.q"));
    QCOMPARE(shown(v, 0, PortDetailsModel::kObs), QStringLiteral("0.967480"));
    QVERIFY(!v.table()->horizontalHeader()->isHidden());
    QCOMPARE(v.proxy()->headerData(PortDetailsModel::kTst, Qt::Horizontal).toString(), QStringLiteral("Tst"));
    // The summary is the whole circuit's, complete in one wrapped label.
    const QString summary = v.summaryLabel()->text();
    QVERIFY(summary.startsWith("diffeq: 71 ports."));
    QVERIFY(summary.contains(QString::number(c.testability, 'f', 6)));
    QVERIFY(summary.contains("Scan layout: "));
    QVERIFY(v.summaryLabel()->wordWrap());
  }

  void sortsByValueAndFilters() {
    PortDetailsView v;
    v.setCircuit(diffeq());
    // By number, not text: 10 sorts after 8 (bits), 0.97 above 0.83 (obs).
    v.table()->sortByColumn(PortDetailsModel::kBits, Qt::DescendingOrder);
    int previous = 1 << 30;
    for (int r = 0; r < v.proxy()->rowCount(); ++r) {
      const int bits = shown(v, r, PortDetailsModel::kBits).toInt();
      QVERIFY(bits <= previous);
      previous = bits;
    }
    v.table()->sortByColumn(PortDetailsModel::kObs, Qt::DescendingOrder);
    QCOMPARE(shown(v, 0, PortDetailsModel::kObs), QStringLiteral("1.000000"));
    // The filter keeps the ports whose name holds the text, in any case.
    v.setFilterText("REG6.");
    QVERIFY(v.proxy()->rowCount() >= 3);
    for (int r = 0; r < v.proxy()->rowCount(); ++r) QVERIFY(shown(v, r, 0).startsWith("reg6."));
    QVERIFY(v.statusLabel()->text().contains(QStringLiteral("of 71 ports")));
    v.setFilterText(QString());
    QCOMPARE(v.proxy()->rowCount(), 71);
  }

  void exportsTheRowsShownAsCsv() {
    PortDetailsView v;
    v.setCircuit(diffeq());
    v.setFilterText("reg6.q");
    const QStringList lines = v.visibleCsv().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("port,bits,con,obs,tst"));
    QCOMPARE(lines.value(1), QStringLiteral("reg6.q,8,0.000000,0.967480,0.000000"));
    QCOMPARE(lines.size(), 2);
    QTemporaryDir dir;
    const QString file = dir.filePath("details.csv");
    v.setSaveFileChooser([&] { return file; });
    QVERIFY(v.exportCsv());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()), v.visibleCsv());
    // Cancelled: nothing written; a folder that cannot be written: said so.
    v.setSaveFileChooser([] { return QString(); });
    QVERIFY(!v.exportCsv());
    v.setSaveFileChooser([&] { return dir.filePath("no/such/folder/x.csv"); });
    QVERIFY(!v.exportCsv());
    QVERIFY(v.statusLabel()->text().startsWith("Could not write"));
    // A port name with a comma is quoted.
    CircuitResult odd;
    odd.circuit = "odd";
    odd.ports.push_back({"a,b", 1, 0.5, 0.5, 0.25});
    PortDetailsModel m;
    m.setCircuit(odd);
    QCOMPARE(m.csv({0}), QStringLiteral("port,bits,con,obs,tst\n\"a,b\",1,0.500000,0.500000,0.250000\n"));
  }

  void sixHundredRegistersShowInOneBatch() {
    QTemporaryDir dir;
    QProcess gen;
    gen.setStandardOutputFile(dir.filePath("r600.txt"));
    gen.start(QStringLiteral(GENCIRCUIT), {"registers", "600"});
    QVERIFY(gen.waitForFinished(60000) && gen.exitCode() == 0);
    QProcess engine;
    engine.setWorkingDirectory(dir.path());
    engine.start(QStringLiteral(REAL_ENGINE), {"analyse", "r600.txt", "--json", "--out", dir.path()});
    QVERIFY(engine.waitForFinished(60000) && engine.exitCode() == 0);
    auto read = readCircuitResult(dir.filePath("layered600.json"));
    QVERIFY(read);
    PortDetailsView v;
    v.resize(600, 500);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.table()->sortByColumn(PortDetailsModel::kTst, Qt::AscendingOrder);
    QElapsedTimer clock;
    clock.start();
    v.setCircuit(*read.value);
    QApplication::processEvents();
    const qint64 first = clock.restart();
    v.setCircuit(*read.value);
    QApplication::processEvents();
    const qint64 again = clock.elapsed();
    qInfo("%d ports: %lld ms, then %lld ms", v.proxy()->rowCount(), first, again);
    QVERIFY(v.proxy()->rowCount() > 1800);
    QVERIFY2(first < 100 && again < 100, "showing the details blocked the event loop too long");
  }

  void renderPicture() {
    PortDetailsView v;
    v.setCircuit(diffeq());
    v.resize(520, 420);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QVERIFY(v.grab().save(RENDER_DIR "/portdetails.png"));
  }
};

QTEST_MAIN(PortDetailsTest)
#include "portdetails_test.moc"
