// The registers-to-chains grid and the notations, classic and named.
#include <QRegularExpression>

#include "models/layoutgrid.h"
#include "enginelink/notation.h"
#include "testsupport.h"

class LayoutGridTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { grid.clear(); }

  void clearedGridIsEmptyAndHasNoNotation() {
    grid.set(3, 2, 4);
    QVERIFY(!grid.isEmpty());
    grid.clear();
    QVERIFY(grid.isEmpty());
    QCOMPARE(grid.notation(), QString());
    for (const auto& row : grid.cells())
      for (int cell : row) QCOMPARE(cell, -1);
  }

  void placeRegisterKeepsOneCellPerRegister() {
    grid.place(QStringLiteral("C"), QStringLiteral("4th"), 2);
    QCOMPARE(grid.at(2, 3), 2);
    QCOMPARE(grid.notation(), QStringLiteral("2"));

    // Moving it empties the old cell.
    grid.place(QStringLiteral("A"), QStringLiteral("2nd"), 2);
    QCOMPARE(grid.at(2, 3), -1);
    QCOMPARE(grid.at(0, 1), 2);

    // "None" or "Not selected" only take it out.
    grid.place(QStringLiteral("None"), QStringLiteral("2nd"), 2);
    QVERIFY(grid.isEmpty());
    grid.place(QStringLiteral("B"), QStringLiteral("1st"), 5);
    grid.place(QStringLiteral("B"), QStringLiteral("Not selected"), 5);
    QVERIFY(grid.isEmpty());

    // Texts and indexes outside the grid change nothing else.
    grid.place(QStringLiteral("G"), QStringLiteral("1st"), 1);
    grid.place(QStringLiteral("A"), QStringLiteral("7th"), 1);
    grid.place(QStringLiteral("A"), QStringLiteral("1st"), 6);
    grid.place(QStringLiteral("A"), QStringLiteral("1st"), -1);
    grid.place(QString(), QString(), 0);
    QVERIFY(grid.isEmpty());
  }

  void notationSkipsEmptyChainsAndGaps() {
    // Only chains B and D, with gaps inside B: two groups, no gaps.
    grid.set(1, 1, 4);
    grid.set(1, 4, 0);
    grid.set(3, 5, 3);
    QCOMPARE(grid.notation(), QStringLiteral("40.3"));
    QCOMPARE(CountNotationChains(grid.notation()), 2);
    QCOMPARE(CountNotationRegisters(grid.notation()), 3);

    grid.clear();
    for (int k = 0; k < kRegisters; ++k) grid.set(static_cast<std::size_t>(k), 0, k);
    QCOMPARE(grid.notation(), QStringLiteral("0.1.2.3.4.5"));
    grid.clear();
    for (int k = 0; k < kRegisters; ++k) grid.set(0, static_cast<std::size_t>(k), 5 - k);
    QCOMPARE(grid.notation(), QStringLiteral("543210"));
  }

  void countsOfNotations() {
    QCOMPARE(CountNotationChains(QStringLiteral("0.1.2.3.4.5")), 6);
    QCOMPARE(CountNotationRegisters(QStringLiteral("0.1.2.3.4.5")), 6);
    QCOMPARE(CountNotationChains(QStringLiteral("012345")), 1);
    QCOMPARE(CountNotationRegisters(QStringLiteral("012345")), 6);
    // The empty notation has neither chains nor registers.
    QCOMPARE(CountNotationChains(QString()), 0);
    QCOMPARE(CountNotationRegisters(QString()), 0);
  }

  void loadingANotationFillsTheGrid() {
    grid.load(QStringLiteral("0.1.2.3.4.5"));
    for (int k = 0; k < kRegisters; ++k) QCOMPARE(grid.at(static_cast<std::size_t>(k), 0), k);
    QCOMPARE(grid.notation(), QStringLiteral("0.1.2.3.4.5"));

    grid.clear();
    grid.load(QStringLiteral("21.54"));
    QCOMPARE(grid.notation(), QStringLiteral("21.54"));
    QCOMPARE(grid.at(1, 1), 4);
  }

  void loadingOddNotationsStaysInsideTheGrid() {
    // A register named twice ends up once, where it was named last.
    grid.load(QStringLiteral("3.3"));
    QCOMPARE(grid.notation(), QStringLiteral("3"));
    QCOMPARE(grid.at(1, 0), 3);

    // Digits outside 0-5, other characters and groups beyond the sixth are skipped.
    grid.clear();
    grid.load(QStringLiteral("0x9.1.2.3.4.5.....0"));
    QCOMPARE(grid.notation(), QStringLiteral("0.1.2.3.4.5"));
    grid.clear();
    grid.load(QStringLiteral("0000000012"));
    QCOMPARE(CountNotationRegisters(grid.notation()), 1);
  }

  void registerFormOfTheHistory() {
    QCOMPARE(RegisterForm(QStringLiteral("01.2")), QStringLiteral("R1R2.R3"));
    QCOMPARE(RegisterForm(QStringLiteral("0.1.2.3.4.5")), QStringLiteral("R1.R2.R3.R4.R5.R6"));
    QCOMPARE(RegisterForm(QStringLiteral("5x")), QStringLiteral("R6R"));
    QCOMPARE(RegisterForm(QString()), QString());
  }

  void classicNotationsKeepTheirGroups() {
    QCOMPARE(ParseClassicNotation(u"01.2"), (ScanChains{{0, 1}, {2}}));
    // Empty groups stay, so that printing gives the text back.
    QCOMPARE(ParseClassicNotation(u"0..1"), (ScanChains{{0}, {}, {1}}));
    QCOMPARE(ClassicNotation(ParseClassicNotation(u"0..1.")), QStringLiteral("0..1."));
    QVERIFY(ParseClassicNotation(u"").empty());
    QCOMPARE(CountNotationChains(u"."), 2);
    QVERIFY(IsClassicNotation(u"0.1") && !IsClassicNotation(u"reg1,reg2"));
  }

  void namedNotationsForAnyRegisterCount() {
    QStringList names;
    for (int i = 0; i < 600; ++i) names << QStringLiteral("r%1").arg(i);
    ScanChains chains(3);
    for (int i = 0; i < 600; ++i) chains[static_cast<std::size_t>(i % 3)].push_back(599 - i);
    const QString text = NamedNotation(chains, names);
    QString error;
    QCOMPARE(ParseNotation(text, names, &error), chains);
    QVERIFY(error.isEmpty());
    const QStringList small{QStringLiteral("x_var"), QStringLiteral("u_var"), QStringLiteral("y_var")};
    QCOMPARE(ParseNotation(u" x_var,u_var.y_var ", small, &error), (ScanChains{{0, 1}, {2}}));
    // The classic form indexes the registers too.
    QCOMPARE(ParseNotation(u"20", small, &error), (ScanChains{{2, 0}}));

    // Each fault is named, and nothing is returned.
    for (const auto& [bad, why] : {std::pair(u"x_var,w", "unknown register 'w'"),
                                   std::pair(u"x_var.x_var", "register 'x_var' is named twice"),
                                   std::pair(u"x_var,,y_var", "an empty register name"),
                                   std::pair(u"3", "register 3 does not exist"),
                                   std::pair(u"11", "register 1 is named twice")}) {
      QVERIFY(ParseNotation(bad, small, &error).empty());
      QCOMPARE(error, QString::fromLatin1(why));
    }
  }

  // A typed notation loses the white space Qt sees around it and around each
  // name, and keeps everything else (the shared reader works on UTF-8).
  void typedNotationsLoseQtWhiteSpaceOnly() {
    const QStringList small{QStringLiteral("x_var"), QStringLiteral("u_var")};
    for (char16_t u = 1; u < 0xD800; ++u) {
      const QString c(QChar{u});
      const QString text = c + QStringLiteral("x_var") + c + u',' + c + QStringLiteral("u_var") + c;
      QString error;
      const ScanChains chains = ParseNotation(text, small, &error);
      if (u == u',' || u == u'.' || QChar(u).isDigit()) continue;
      if (QChar(u).isSpace()) {
        QVERIFY2(error.isEmpty() && chains == (ScanChains{{0, 1}}), qPrintable(QString::number(u, 16)));
      } else {
        QVERIFY2(error.startsWith(u"unknown register"), qPrintable(QString::number(u, 16)));
      }
    }
  }

 private:
  LayoutGrid grid;
};

QTEST_MAIN(LayoutGridTest)
#include "layoutgrid_test.moc"
