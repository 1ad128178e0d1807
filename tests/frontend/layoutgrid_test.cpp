// The shared registers-to-chains grid and the notation built from it.
#include <QRegularExpression>

#include "testsupport.h"

class LayoutGridTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { ClearLayoutGrid(); }

  void clearedGridIsEmptyAndHasNoNotation() {
    layoutGrid[3][2] = 4;
    QVERIFY(!IsLayoutGridEmpty());
    ClearLayoutGrid();
    QVERIFY(IsLayoutGridEmpty());
    QCOMPARE(GetLayoutNotation(), QString());
    for (const auto& row : layoutGrid)
      for (int cell : row) QCOMPARE(cell, -1);
  }

  void placeRegisterKeepsOneCellPerRegister() {
    PlaceRegister(QStringLiteral("C"), QStringLiteral("4th"), 2);
    QCOMPARE(layoutGrid[2][3], 2);
    QCOMPARE(GetLayoutNotation(), QStringLiteral("2"));

    // Moving it empties the old cell.
    PlaceRegister(QStringLiteral("A"), QStringLiteral("2nd"), 2);
    QCOMPARE(layoutGrid[2][3], -1);
    QCOMPARE(layoutGrid[0][1], 2);

    // "None" or "Not selected" only take it out.
    PlaceRegister(QStringLiteral("None"), QStringLiteral("2nd"), 2);
    QVERIFY(IsLayoutGridEmpty());
    PlaceRegister(QStringLiteral("B"), QStringLiteral("1st"), 5);
    PlaceRegister(QStringLiteral("B"), QStringLiteral("Not selected"), 5);
    QVERIFY(IsLayoutGridEmpty());

    // Texts and indexes outside the grid change nothing else.
    PlaceRegister(QStringLiteral("G"), QStringLiteral("1st"), 1);
    PlaceRegister(QStringLiteral("A"), QStringLiteral("7th"), 1);
    PlaceRegister(QStringLiteral("A"), QStringLiteral("1st"), 6);
    PlaceRegister(QStringLiteral("A"), QStringLiteral("1st"), -1);
    PlaceRegister(QString(), QString(), 0);
    QVERIFY(IsLayoutGridEmpty());
  }

  void notationSkipsEmptyChainsAndGaps() {
    // Only chains B and D, with gaps inside B: two groups, no gaps.
    layoutGrid[1][1] = 4;
    layoutGrid[1][4] = 0;
    layoutGrid[3][5] = 3;
    QCOMPARE(GetLayoutNotation(), QStringLiteral("40.3"));
    QCOMPARE(CountNotationChains(GetLayoutNotation()), 2);
    QCOMPARE(CountNotationRegisters(GetLayoutNotation()), 3);

    ClearLayoutGrid();
    for (int k = 0; k < kRegisters; ++k) layoutGrid[static_cast<std::size_t>(k)][0] = k;
    QCOMPARE(GetLayoutNotation(), QStringLiteral("0.1.2.3.4.5"));
    ClearLayoutGrid();
    for (int k = 0; k < kRegisters; ++k) layoutGrid[0][static_cast<std::size_t>(k)] = 5 - k;
    QCOMPARE(GetLayoutNotation(), QStringLiteral("543210"));
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
    LoadNotationIntoGrid(QStringLiteral("0.1.2.3.4.5"));
    for (int k = 0; k < kRegisters; ++k) QCOMPARE(layoutGrid[static_cast<std::size_t>(k)][0], k);
    QCOMPARE(GetLayoutNotation(), QStringLiteral("0.1.2.3.4.5"));

    ClearLayoutGrid();
    LoadNotationIntoGrid(QStringLiteral("21.54"));
    QCOMPARE(GetLayoutNotation(), QStringLiteral("21.54"));
    QCOMPARE(layoutGrid[1][1], 4);
  }

  void loadingOddNotationsStaysInsideTheGrid() {
    // A register named twice ends up once, where it was named last.
    LoadNotationIntoGrid(QStringLiteral("3.3"));
    QCOMPARE(GetLayoutNotation(), QStringLiteral("3"));
    QCOMPARE(layoutGrid[1][0], 3);

    // Digits outside 0-5, other characters and groups beyond the sixth are skipped.
    ClearLayoutGrid();
    LoadNotationIntoGrid(QStringLiteral("0x9.1.2.3.4.5.....0"));
    QCOMPARE(GetLayoutNotation(), QStringLiteral("0.1.2.3.4.5"));
    ClearLayoutGrid();
    LoadNotationIntoGrid(QStringLiteral("0000000012"));
    QCOMPARE(CountNotationRegisters(GetLayoutNotation()), 1);
  }

  void registerFormOfTheHistory() {
    QCOMPARE(RegisterForm(QStringLiteral("01.2")), QStringLiteral("R1R2.R3"));
    QCOMPARE(RegisterForm(QStringLiteral("0.1.2.3.4.5")), QStringLiteral("R1.R2.R3.R4.R5.R6"));
    QCOMPARE(RegisterForm(QStringLiteral("5x")), QStringLiteral("R6R"));
    QCOMPARE(RegisterForm(QString()), QString());
  }

  void chainAnchorsAreAddressedByRow() {
    ChainAnchor(kAnchorRegOutY, 5) = 123;
    QCOMPARE(chainAnchors[static_cast<std::size_t>(kAnchorRegOutY * 6 + 5)], 123);
    ChainAnchor(kAnchorChainInX, 0) = 7;
    QCOMPARE(chainAnchors[0], 7);
    chainAnchors.fill(0);
  }
};

QTEST_MAIN(LayoutGridTest)
#include "layoutgrid_test.moc"
