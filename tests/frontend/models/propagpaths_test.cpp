// The propagation record reader, the path building rules and the step
// browser, on hand-written records and on the benchmark's record.
#include <QBuffer>
#include <QProcess>
#include <QtTest>

#include "models/propagpaths.h"
#include "testsupport.h"

namespace {

const QString kRule(72, u'-');

// The paths of `unit` built from records given as text.
PathSet pathsOf(const QString& unit, const char* pro) {
  return PathSet::build(unit, PropagRecordList::parse(QByteArray(pro)));
}

// The names and step values of a merged path, "name:step" each.
QStringList entries(const PathSet& set) {
  QStringList out;
  for (const PathEntry& e : set.merged().entries()) out << QStringLiteral("%1:%2").arg(e.name).arg(e.step);
  return out;
}

// A unit u with two inputs fed by primary inputs through a multiplexer and a
// register, and an output observed through a register to a primary output.
const char* kSimple =
    "U I top.x I(0.0) -(0.0);\n"
    "U I top.y I(0.0) -(0.0);\n"
    "U O top.z -(0.0) O(0.0);\n"
    "M I m.a top.x(1.000000) -(0.000000);\n"
    "M I m.b top.y(0.500000) -(0.000000);\n"
    "M O m.q m.a(0.900000) -(0.000000);\n"
    "R I r.d top.y(0.800000) -(0.000000);\n"
    "R O r.q r.d(0.700000) -(0.000000);\n"
    "F I u.a m.q(0.900000) -(0.000000);\n"
    "F I u.b r.q(0.700000) -(0.000000);\n"
    "F O u.q u.a(0.600000) s.d(0.400000);\n"
    "R I s.d u.q(0.600000) s.q(0.500000);\n"
    "R O s.q s.d(0.500000) top.z(1.000000);\n";

}  // namespace

class PropagPathsTest : public QObject {
  Q_OBJECT
 private slots:
  void readerFollowsTheRecordFormat() {
    const PropagRecordList list = PropagRecordList::parse(
        "F I mul1.a mux1.q(0.995935) -(0.000000);\n"
        "U I diffeq.dx I(0.0) -(0.0);\n"
        "R O reg1.q reg1.d(0.25) comp.a(0.5e-1);\n"
        "X\n");  // an unfinished record is dropped
    QCOMPARE(list.size(), 3);
    // Newest first.
    const PropagRecord& reg = list.records()[0];
    QCOMPARE(reg.kind, 'R');
    QCOMPARE(reg.direction, 'O');
    QCOMPARE(reg.port, QStringLiteral("reg1.q"));
    QCOMPARE(reg.driver, QStringLiteral("reg1.d"));
    QCOMPARE(reg.con, 0.25);
    QCOMPARE(reg.sink, QStringLiteral("comp.a"));
    QCOMPARE(reg.obs, 0.05);
    const PropagRecord& primary = list.records()[1];
    QCOMPARE(primary.kind, 'U');
    QCOMPARE(primary.driver, QStringLiteral("I"));
    QCOMPARE(primary.con, 0.0);
    QCOMPARE(primary.sink, QStringLiteral("-"));
    QCOMPARE(list.records()[2].port, QStringLiteral("mul1.a"));
    QCOMPARE(list.records()[2].con, 0.995935);

    // A record cut short keeps what it had; absent values are -1, absent
    // letters '-'; the line end before a record does not become its kind.
    const PropagRecordList cut = PropagRecordList::parse("\nF I add.a;\n;");
    QCOMPARE(cut.size(), 2);
    QCOMPARE(cut.records()[1].kind, 'F');
    QCOMPARE(cut.records()[1].port, QStringLiteral("add.a"));
    QCOMPARE(cut.records()[1].con, -1.0);
    QCOMPARE(cut.records()[0].kind, '\n');  // the line end is the last character before ';'
    QCOMPARE(cut.records()[0].direction, '-');
    QCOMPARE(cut.records()[0].obs, -1.0);

    QBuffer empty;
    QVERIFY(empty.open(QIODevice::ReadOnly));
    QCOMPARE(PropagRecordList::read(empty).size(), 0);
    QCOMPARE(PropagRecordList::readFile(QStringLiteral("/nonexistent/diffeq.pro")).size(), 0);
  }

  void controllabilityAndObservabilityRules() {
    // Function units: every input must be controlled.
    PathSet f = pathsOf("x", "F I u.a p.q(0.5) -(0);F I u.b -(0.000000) -(0);F O u.q -(0) -(0);");
    QVERIFY(!f.controllable(QStringLiteral("u")));
    QVERIFY(!f.observable(QStringLiteral("u")));
    // Multiplexers: one controlled input suffices, in any order.
    PathSet m = pathsOf("x", "M I m.a -(0) -(0);M I m.b p.q(0.5) -(0);M O m.q -(0) n.a(0.2);");
    QVERIFY(m.controllable(QStringLiteral("m")));
    QVERIFY(m.observable(QStringLiteral("m")));
    // Registers: the first read input decides, as the list is walked newest first.
    PathSet r = pathsOf("x", "R I r.d -(0) -(0);R I r.e p.q(0.5) -(0);");
    QVERIFY(!r.controllable(QStringLiteral("r")));
    // Scan registers and primary ports are always controllable and observable.
    PathSet s = pathsOf("x", "S I s.d -(0) -(0);S O s.q -(0) -(0);");
    QVERIFY(s.controllable(QStringLiteral("s")));
    QVERIFY(s.observable(QStringLiteral("s")));
    // Unknown items have no records: not controllable, observable by default.
    QVERIFY(!s.controllable(QStringLiteral("nothing")));
  }

  void bestSourceAndNextSink() {
    const PathSet set = pathsOf("u", kSimple);
    // The best controllable multiplexer input wins; ties keep the earlier one.
    const PropagRecord* src = set.bestSource(QStringLiteral("m.q"));
    QVERIFY(src != nullptr);
    QCOMPARE(src->port, QStringLiteral("m.a"));
    const PathSet tie = pathsOf("u", "M I m.a p.q(0.5) -(0);M I m.b p.r(0.5) -(0);");
    QCOMPARE(tie.bestSource(QStringLiteral("m.q"))->port, QStringLiteral("m.b"));  // walked newest first
    // A register input is taken without comparison.
    QCOMPARE(set.bestSource(QStringLiteral("r.q"))->port, QStringLiteral("r.d"));
    // A primary port is its own source.
    QCOMPARE(set.bestSource(QStringLiteral("top.y"))->kind, 'U');
    QCOMPARE(set.bestSource(QStringLiteral("top.y"))->port, QStringLiteral("top.y"));
    // Observation goes through the register to the primary output.
    QCOMPARE(set.nextSink(QStringLiteral("s.d"))->port, QStringLiteral("s.q"));
    QCOMPARE(set.nextSink(QStringLiteral("top.z"))->kind, 'U');
    // A scan register hands over the given port itself.
    const PathSet scan = pathsOf("u", "S O s.q s.d(0.5) x.a(0.5);S O s.SCAN_OUT s.q(0.5) top.so(1);");
    QCOMPARE(scan.nextSink(QStringLiteral("s.SCAN_OUT"))->port, QStringLiteral("s.SCAN_OUT"));
  }

  void mergedPathOfASimpleUnit() {
    const PathSet set = pathsOf("u", kSimple);
    // u.b (read last, so collected first) reaches top.y through r; u.a
    // reaches top.x through m. Same depth: each level lists both names.
    QCOMPARE(entries(set), QStringList({"top.y:-4", "top.x:-4", "r.d:-3", "m.a:-3", "r.q:-2", "m.q:-2",
                                        "u.b:-1", "u.a:-1", "-:0", "u.q:1", "s.d:2", "s.q:3", "top.z:4"}));
    QCOMPARE(set.countSteps(), 8);
    // The later-built path's name comes first in a step.
    QCOMPARE(set.stepText(-4), QStringLiteral("top.x top.y "));
    QCOMPARE(set.stepText(0), QString());
    QVERIFY(!set.startsWithSeparator());
    QVERIFY(!set.separatorIsLast());
    QCOMPARE(set.listing(), QStringList({"Test data propagation paths for u:", "", "Test vector adjustment path:",
                                         "   Step 1) top.x top.y ", "   Step 2) m.a r.d ", "   Step 3) m.q r.q ",
                                         "   Step 4) u.a u.b ", "", "Response observation path:",
                                         "   Step 5) u.q ", "   Step 6) s.d ", "   Step 7) s.q ",
                                         "   Step 8) top.z ", kRule}));
  }

  void pathsOfUnequalDepthShareTheLevelsNearTheUnit() {
    // u.a's path is two levels longer than u.b's: levels count from the unit,
    // so the primary input of u.b shares a step with the multiplexer of u.a.
    const PathSet set = pathsOf("u",
                                "U I t.x I(0.0) -(0.0);U I t.y I(0.0) -(0.0);"
                                "M I m.a t.x(1) -(0);M O m.q m.a(1) -(0);"
                                "F I u.a m.q(0.9) -(0);F I u.b t.y(1) -(0);F O u.q -(0) -(0);");
    QCOMPARE(entries(set), QStringList({"t.x:-4", "m.a:-3", "t.y:-2", "m.q:-2", "u.b:-1", "u.a:-1", "-:0"}));
    QVERIFY(set.separatorIsLast());
  }

  void uncontrollableUnitHasNoAdjustmentPart() {
    const PathSet set = pathsOf("u",
                                "F I u.a -(0.000000) -(0.000000);F I u.b -(0.000000) -(0.000000);"
                                "F O u.q -(0.000000) top.z(1.000000);U O top.z -(0.0) O(0.0);");
    QVERIFY(set.startsWithSeparator());
    QCOMPARE(entries(set), QStringList({"-:0", "u.q:1", "top.z:2"}));
    const QStringList listing = set.listing();
    QCOMPARE(listing.mid(0, 4),
             QStringList({"Test data propagation paths for u:", "", "Test vector adjustment path:",
                          "Uncontrollable item - no test vector propagation path can be adjusted."}));
    QVERIFY(!listing.join(u'\n').contains(QStringLiteral("Step 3)")));
    QCOMPARE(listing.mid(4), QStringList({"", "Response observation path:", "   Step 1) u.q ", "   Step 2) top.z ",
                                          kRule}));
  }

  void missingFileGivesNeitherPath() {
    const PathSet set = PathSet::build(QStringLiteral("mul1"), QStringLiteral("/nonexistent/diffeq.pro"));
    QCOMPARE(entries(set), QStringList({"-:0"}));
    QCOMPARE(set.countSteps(), 0);
    QCOMPARE(set.listing(),
             QStringList({"Test data propagation paths for mul1:", "", "Test vector adjustment path:",
                          "Uncontrollable item - no test vector propagation path can be adjusted.", "",
                          "Response observation path:",
                          "Unobservable item - no test response observation path can be adjusted.", kRule}));
  }

  void cyclesOfRecordsEnd() {
    // u.a is fed from r, r from m, and m from r again; u.q is observed
    // through v, v through w and w through v again. Without a bound both
    // walks would go round for ever.
    const PathSet set = pathsOf("u",
                                "R I r.d m.q(0.5) -(0);R O r.q r.d(0.5) -(0);"
                                "M I m.a r.q(0.5) -(0);M O m.q m.a(0.5) -(0);"
                                "F I u.a r.q(0.5) -(0);F O u.q u.a(0.5) v.a(0.5);"
                                "F I v.a u.q(0.5) v.q(0.5);F O v.q v.a(0.5) w.a(0.5);"
                                "F I w.a v.q(0.5) w.q(0.5);F O w.q w.a(0.5) v.a(0.5);");
    QCOMPARE(entries(set), QStringList({"r.q:-6", "m.a:-5", "m.q:-4", "r.d:-3", "r.q:-2", "u.a:-1", "-:0",
                                        "u.q:1", "v.a:2", "v.q:3", "w.a:4", "w.q:5"}));
    QVERIFY(set.countSteps() > 0);
  }

  void stepsBeyondAHundredLevelsAreNeverShown() {
    // u.a is fed through 61 multiplexers: 124 levels, of which the 100
    // nearest the unit are shown, in the listing and when stepping.
    QByteArray pro = "U I top.x I(0.0) -(0.0);F I u.a n0x.q(0.9) -(0);F O u.q -(0) -(0);";
    for (int i = 0; i <= 60; ++i) {
      const QByteArray from = i == 60 ? QByteArray("top.x") : "n" + QByteArray::number(i + 1) + "x.q";
      pro += "M I n" + QByteArray::number(i) + "x.a " + from + "(0.9) -(0);";
      pro += "M O n" + QByteArray::number(i) + "x.q n" + QByteArray::number(i) + "x.a(0.9) -(0);";
    }
    const PathSet set = PathSet::build(QStringLiteral("u"), PropagRecordList::parse(pro));
    QCOMPARE(set.merged().entries().front().step, -124);
    QCOMPARE(set.countSteps(), 100);
    const QStringList listing = set.listing();
    QCOMPARE(listing.value(3), QStringLiteral("   Step 1) n49x.q "));
    QCOMPARE(listing.value(102), QStringLiteral("   Step 100) u.a "));

    WorkFolder work(false);
    work.write(QStringLiteral("diffeq.pro"), pro);
    PathBrowser browser;
    QStringList lines;
    browser.setLineSink([&](const QString& l) { lines << l; });
    browser.prepare(QStringLiteral("u"));
    QVERIFY(browser.step());
    QCOMPARE(lines.value(3), QStringLiteral("   Step 1) n49x.q "));
    int presses = 1;
    while (browser.step()) ++presses;
    QCOMPARE(presses, 99);
    QVERIFY(lines.contains(QStringLiteral("   Step 100) u.a ")));
    QVERIFY(!lines.join(u'\n').contains(QStringLiteral("Step 101)")));
  }

  void browserStepsThroughBothParts() {
    WorkFolder work(false);
    work.write(QStringLiteral("diffeq.pro"), kSimple);
    PathBrowser browser;
    QStringList lines;
    QStringList marks;
    browser.setLineSink([&](const QString& l) { lines << l; });
    browser.setMarkSink([&](const QString& n, bool obs) { marks << (obs ? "O:" : "A:") + n; });
    browser.prepare(QStringLiteral("u"));
    QCOMPARE(browser.stepCount(), 8);
    int presses = 0;
    while (browser.step()) ++presses;
    QCOMPARE(presses, 8);  // the press on the separator shows no step
    QVERIFY(browser.atEnd());
    QCOMPARE(lines, QStringList({"'u' selected...", "",
                                 "Test vector adjustment", "   Step 1) top.x top.y ",
                                 "Test vector adjustment", "   Step 2) m.a r.d ",
                                 "Test vector adjustment", "   Step 3) m.q r.q ",
                                 "Test vector adjustment", "   Step 4) u.a u.b ",
                                 "--------",
                                 "Response observation", "   Step 5) u.q ",
                                 "Response observation", "   Step 6) s.d ",
                                 "Response observation", "   Step 7) s.q ",
                                 "Response observation", "   Step 8) top.z ",
                                 " ", "End of data for 'u'.", kRule}));
    QCOMPARE(marks.first(), QStringLiteral("A:top.x top.y "));
    QCOMPARE(marks.last(), QStringLiteral("O:top.z "));
    QVERIFY(!browser.step());  // nothing more

    // "|<" starts again with the first entry marked.
    lines.clear();
    marks.clear();
    browser.restart();
    QCOMPARE(marks, QStringList({"A:top.y"}));
    QVERIFY(browser.step());
    QCOMPARE(lines.mid(0, 4), QStringList({"'u' selected...", "", "Test vector adjustment", "   Step 1) top.x top.y "}));

    // A new selection after stepping closes the old record with a rule.
    lines.clear();
    browser.prepare(QStringLiteral("m"));
    QCOMPARE(lines, QStringList({kRule}));
    lines.clear();
    browser.prepare(QStringLiteral("u"));
    QVERIFY(lines.isEmpty());  // m was never stepped through
  }

  void browserStepsThroughTheObservationOfAnUncontrollableUnit() {
    WorkFolder work(false);
    work.write(QStringLiteral("diffeq.pro"),
               "F I u.a -(0) -(0);F O u.q -(0) top.z(1);U O top.z -(0.0) O(0.0);");
    PathBrowser browser;
    QStringList lines;
    browser.setLineSink([&](const QString& l) { lines << l; });
    browser.prepare(QStringLiteral("u"));
    QCOMPARE(browser.stepCount(), 2);
    QVERIFY(browser.step());
    QCOMPARE(lines, QStringList({"'u' selected...", "",
                                 "Uncontrollable item - no test vector propagation path can be adjusted.",
                                 "--------"}));
    lines.clear();
    QVERIFY(browser.step());
    QVERIFY(!browser.step());
    QCOMPARE(lines, QStringList({"Response observation", "   Step 1) u.q ", "Response observation",
                                 "   Step 2) top.z ", " ", "End of data for 'u'.", kRule}));
  }

  void browserOnAUnitWithoutAnyPath() {
    WorkFolder work(false);  // no diffeq.pro at all
    PathBrowser browser;
    QStringList lines;
    browser.setLineSink([&](const QString& l) { lines << l; });
    browser.prepare(QStringLiteral("add"));
    QVERIFY(!browser.step());
    QCOMPARE(lines, QStringList({"'add' selected...", "",
                                 "Uncontrollable item - no test vector propagation path can be adjusted.",
                                 "Unobservable item - no test response observation path can be adjusted.", " ",
                                 "End of data for 'add'.", kRule}));
  }

  void browserOnAnUnobservableUnit() {
    WorkFolder work(false);
    work.write(QStringLiteral("diffeq.pro"), "U I t.x I(0.0) -(0.0);F I u.a t.x(1) -(0);F O u.q u.a(1) -(0);");
    PathBrowser browser;
    QStringList lines;
    browser.setLineSink([&](const QString& l) { lines << l; });
    browser.prepare(QStringLiteral("u"));
    QVERIFY(browser.step());
    QVERIFY(!browser.step());
    QCOMPARE(lines, QStringList({"'u' selected...", "", "Test vector adjustment", "   Step 1) t.x ",
                                 "Test vector adjustment", "   Step 2) u.a ",
                                 "Unobservable item - no test response observation path can be adjusted.", " ",
                                 "End of data for 'u'.", kRule}));
  }

  void listingRestartsStepping() {
    WorkFolder work(false);
    work.write(QStringLiteral("diffeq.pro"), kSimple);
    PathBrowser browser;
    QStringList lines;
    browser.setLineSink([&](const QString& l) { lines << l; });
    browser.prepare(QStringLiteral("u"));
    browser.step();
    browser.step();
    QCOMPARE(browser.stepNumber(), 2);
    browser.listUnit(QStringLiteral("u"));
    QCOMPARE(browser.stepNumber(), 0);
    QCOMPARE(browser.stepCount(), 8);
    lines.clear();
    browser.step();
    QCOMPARE(lines.value(3), QStringLiteral("   Step 1) top.x top.y "));

    // "All" lists the five units in order; comp stays the unit.
    lines.clear();
    browser.listAll();
    QCOMPARE(browser.unit(), QStringLiteral("comp"));
    QStringList heads;
    for (const QString& l : lines)
      if (l.startsWith(QStringLiteral("Test data propagation paths for "))) heads << l;
    QCOMPARE(heads, QStringList({"Test data propagation paths for mul1:", "Test data propagation paths for sub:",
                                 "Test data propagation paths for mul2:", "Test data propagation paths for add:",
                                 "Test data propagation paths for comp:"}));
  }

  // diffeq analysed without scan: the engine's record (checked line by line).
  void benchmarkWithoutScan() {
    const QString pro = QStringLiteral(LUMENO_TEST_DATA "/diffeq/diffeq.pro");
    QCOMPARE(PathSet::build(QStringLiteral("mul1"), pro).listing(), noScanMul1());
    QCOMPARE(PathSet::build(QStringLiteral("add"), pro).listing(), noScanAdd());
  }

  // diffeq analysed with every register in a chain of its own.
  void benchmarkWithFullScan() {
    const QString pro = QStringLiteral(LUMENO_TEST_DATA "/frontend/diffeq-fullscan.pro");
    QCOMPARE(PathSet::build(QStringLiteral("mul1"), pro).listing(), fullScanMul1());
    QCOMPARE(PathSet::build(QStringLiteral("add"), pro).listing(), fullScanAdd());
  }

  // The same listings from the engine built in this tree.
  void benchmarkFromTheEngine_data() {
    QTest::addColumn<QString>("notation");
    QTest::newRow("no scan") << QStringLiteral("-1");
    QTest::newRow("full scan") << QStringLiteral("0.1.2.3.4.5");
  }
  void benchmarkFromTheEngine() {
    QFETCH(QString, notation);
    WorkFolder work;
    QProcess engine;
    engine.setWorkingDirectory(work.path());
    engine.start(QStringLiteral(REAL_ENGINE), {QStringLiteral("diffeq"), QStringLiteral("-n"), QStringLiteral("0"),
                                                notation});
    QVERIFY(engine.waitForFinished(60000));
    if (!QFile::exists(work.file(QStringLiteral("diffeq.pro"))) ||
        !work.read(QStringLiteral("diffeq.par")).startsWith(notation == QLatin1String("-1") ? QByteArray("''")
                                                                                           : "'" + notation.toLatin1()))
      QSKIP("the engine of this tree does not analyse this layout yet");
    const QString pro = work.file(QStringLiteral("diffeq.pro"));
    if (notation == QLatin1String("-1")) {
      QCOMPARE(PathSet::build(QStringLiteral("mul1"), pro).listing(), noScanMul1());
      QCOMPARE(PathSet::build(QStringLiteral("add"), pro).listing(), noScanAdd());
    } else {
      QCOMPARE(PathSet::build(QStringLiteral("mul1"), pro).listing(), fullScanMul1());
      QCOMPARE(PathSet::build(QStringLiteral("add"), pro).listing(), fullScanAdd());
    }
  }

 private:
  // mul1 without scan: a through mux1 from const2 (mux1.a and mux1.b tie at
  // 1.0, the first walked wins), b through mux2.a from dx; mul1.q is not
  // observed.
  static QStringList noScanMul1() {
    return {"Test data propagation paths for mul1:", "", "Test vector adjustment path:",
            "   Step 1) diffeq.dx diffeq.const2 ", "   Step 2) mux2.a mux1.a ", "   Step 3) mux2.q mux1.q ",
            "   Step 4) mul1.b mul1.a ", "", "Response observation path:",
            "Unobservable item - no test response observation path can be adjusted.", kRule};
  }
  // add without scan: add.a comes from the reg2/reg3 loop (controllability
  // 0); its result goes through reg6 and the comparator to the output.
  static QStringList noScanAdd() {
    return {"Test data propagation paths for add:", "", "Test vector adjustment path:",
            "Uncontrollable item - no test vector propagation path can be adjusted.", "",
            "Response observation path:", "   Step 1) add.q ", "   Step 2) reg6.d ", "   Step 3) reg6.q ",
            "   Step 4) comp.a ", "   Step 5) comp.q ", "   Step 6) diffeq.result ", kRule};
  }
  // mul1 under full scan: the same adjustment as without scan; the response
  // is captured in reg4 and shifted out through its chain (the fourth).
  static QStringList fullScanMul1() {
    return {"Test data propagation paths for mul1:", "", "Test vector adjustment path:",
            "   Step 1) diffeq.dx diffeq.const2 ", "   Step 2) mux2.a mux1.a ", "   Step 3) mux2.q mux1.q ",
            "   Step 4) mul1.b mul1.a ", "", "Response observation path:", "   Step 5) mul1.q ",
            "   Step 6) reg4.d ", "   Step 7) reg4.SCAN_OUT ", "   Step 8) diffeq.SCAN_OUT3 ", kRule};
  }
  // add under full scan: add.a is set through reg3's scan input (its
  // controllability 1.0 beats reg3.d's), mux5.a (tied with mux5.b, walked
  // first) and mux5; add.b from dx through mux6.b. The response goes through
  // reg6 and the comparator.
  static QStringList fullScanAdd() {
    return {"Test data propagation paths for add:", "", "Test vector adjustment path:",
            "   Step 1) diffeq.SCAN_IN2 ", "   Step 2) reg3.SCAN_IN ", "   Step 3) diffeq.dx reg3.q ",
            "   Step 4) mux6.b mux5.a ", "   Step 5) mux6.q mux5.q ", "   Step 6) add.b add.a ", "",
            "Response observation path:", "   Step 7) add.q ", "   Step 8) reg6.d ", "   Step 9) reg6.q ",
            "   Step 10) comp.a ", "   Step 11) comp.q ", "   Step 12) diffeq.result ", kRule};
  }
};

QTEST_MAIN(PropagPathsTest)
#include "propagpaths_test.moc"
