// The scan layout selection window: presets, hand-made layouts, the
// information labels, the picture, random layouts and the hidden load action.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include <random>

#include "classic/dftform.h"
#include "enginelink/notation.h"
#include "testsupport.h"

namespace {

const QString kPresetText[] = {
    QStringLiteral("Select/Create/Remove Scan Layout"),
    QStringLiteral("Full Scan (1 Register <-> 1 Scan-Chain)"),
    QStringLiteral("Full Scan (1 Scan-chain, Preset Ordering)"),
    QStringLiteral("Full Scan (1 Scan-chain, User Ordering)"),
    QStringLiteral("Complete Scan Layout Selection by User"),
    QStringLiteral("Random Generated Scan Structure")};

QStringList information(const TDftForm& form) {
  return {form.SelectedLayoutLabel->text(), form.RegisterCountLabel->text(), form.ChainCountLabel->text()};
}

bool pictureIsBlank(const TDftForm& form) {
  const QImage& image = form.picture();
  const QRgb blank = form.palette().color(QPalette::Window).rgb();
  for (int y = 0; y < image.height(); y += 5)
    for (int x = 0; x < image.width(); x += 5)
      if (image.pixel(x, y) != blank) return false;
  return true;
}

// True when the notation follows the grammar and names every register at most once.
bool validNotation(const QString& notation) {
  static const QRegularExpression grammar(QStringLiteral("^[0-5]+(\\.[0-5]+)*$"));
  if (!grammar.match(notation).hasMatch()) return false;
  for (QChar c = u'0'; c <= u'5'; c = QChar(c.unicode() + 1))
    if (notation.count(c) > 1) return false;
  return CountNotationChains(notation) <= kChains;
}

}  // namespace

class DftFormTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() {
    renewState();
  }

  void startsEmptyWithSelectionHidden() {
    WorkFolder work;
    TDftForm form(state());
    QCOMPARE(form.windowTitle(), QStringLiteral("Scan Layout Selection"));
    QCOMPARE(form.PresetBox->currentText(), kPresetText[0]);
    QCOMPARE(information(form), (QStringList{QStringLiteral("none"), QStringLiteral("0"), QStringLiteral("0")}));
    QVERIFY(form.NotationButton->isHidden() && form.DrawLayoutButton->isHidden() && form.LoadLayoutButton->isHidden());
    QVERIFY(form.RandomButton->isHidden() && form.ShowOrderingBox->isHidden());
    for (int i = 0; i < kRegisters; ++i) {
      QVERIFY(form.OrderingBoxes[i]->isHidden());
      QCOMPARE(form.ChainBoxes[i]->currentText(), QStringLiteral("None"));
      QCOMPARE(items(form.ChainBoxes[i]), (QStringList{"None", "A", "B", "C", "D", "E", "F"}));
      QCOMPARE(form.OrderingBoxes[i]->currentText(), QStringLiteral("Not selected"));
      QVERIFY(!form.OrderingBoxes[i]->isEnabled());
    }
    QVERIFY(pictureIsBlank(form));
    QVERIFY(QFile::exists(work.file(QStringLiteral("out.txt"))));
  }

  void existingOutTxtIsKept() {
    WorkFolder work;
    work.write(QStringLiteral("out.txt"), "notes");
    TDftForm form(state());
    QCOMPARE(work.read(QStringLiteral("out.txt")), QByteArray("notes"));
  }

  void fullScanPresets() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();

    choose(form.PresetBox, kPresetText[1]);
    QCOMPARE(state().layoutNotation(), QStringLiteral("0.1.2.3.4.5"));
    QCOMPARE(information(form), (QStringList{QStringLiteral("full scan"), QStringLiteral("6"), QStringLiteral("6")}));
    for (int i = 0; i < kRegisters; ++i) {
      QCOMPARE(form.ChainBoxes[i]->currentText(), QString(QChar(u'A' + i)));
      QCOMPARE(form.OrderingBoxes[i]->currentText(), QStringLiteral("1st"));
      QVERIFY(!form.ChainBoxes[i]->isEnabled() && !form.OrderingBoxes[i]->isEnabled());
      QVERIFY(form.OrderingBoxes[i]->isVisible());
    }
    QVERIFY(!form.ShowOrderingBox->isEnabled() && form.ShowOrderingBox->isChecked());
    QVERIFY(!pictureIsBlank(form));
    // The first box of chain A is red, the one of chain F green.
    QCOMPARE(form.picture().pixelColor(12, 27), QColor(0xFF, 0, 0));
    QCOMPARE(form.picture().pixelColor(12, 25 + 5 * 50 + 2), QColor(0, 0xAA, 0));

    choose(form.PresetBox, kPresetText[2]);
    QCOMPARE(state().layoutNotation(), QStringLiteral("012345"));
    QCOMPARE(information(form), (QStringList{QStringLiteral("full scan"), QStringLiteral("6"), QStringLiteral("1")}));
    for (int i = 0; i < kRegisters; ++i) {
      QCOMPARE(form.ChainBoxes[i]->currentText(), QStringLiteral("A"));
      QCOMPARE(form.OrderingBoxes[i]->currentIndex(), i + 1);
    }
    // Every box of the one chain is red.
    for (int p = 0; p < kPositions; ++p) QCOMPARE(form.picture().pixelColor(12 + 70 * p, 27), QColor(0xFF, 0, 0));

    // Back to the first item: empty again, selection hidden, nothing asked.
    choose(form.PresetBox, kPresetText[0]);
    QVERIFY(state().layout().isEmpty());
    QVERIFY(pictureIsBlank(form));
    QVERIFY(form.ChainBoxes[0]->isHidden() && form.HeadingOrdering->isHidden());
    QCOMPARE(information(form), (QStringList{QStringLiteral("none"), QStringLiteral("0"), QStringLiteral("0")}));
    QVERIFY(log.entries.empty());
  }

  void userPresetsExplainThemselves() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();

    choose(form.PresetBox, kPresetText[3]);
    QCOMPARE(log.entries.size(), std::size_t{1});
    QCOMPARE(log.entries[0].caption, QStringLiteral("Info"));
    QCOMPARE(log.entries[0].icon, QMessageBox::Information);
    QCOMPARE(log.entries[0].text,
             QStringLiteral("Please, select ordering of registers in scan-chain, if required.\n"
                            "Otherwise, random ordering of registers in scan-chain will be used."));
    for (int i = 0; i < kRegisters; ++i) {
      QCOMPARE(form.ChainBoxes[i]->currentText(), QStringLiteral("A"));
      QVERIFY(!form.ChainBoxes[i]->isEnabled());
      QVERIFY(form.OrderingBoxes[i]->isHidden());
    }
    // Until ordering is entered by hand, the registers stand in a random order.
    QCOMPARE(CountNotationRegisters(state().layoutNotation()), kRegisters);
    QCOMPARE(CountNotationChains(state().layoutNotation()), 1);
    QCOMPARE(form.SelectedLayoutLabel->text(), QStringLiteral("full scan"));
    QVERIFY(form.RandomButton->isVisible() && form.ShowOrderingBox->isEnabled() && !form.ShowOrderingBox->isChecked());

    choose(form.PresetBox, kPresetText[4]);
    QCOMPARE(log.entries.size(), std::size_t{2});
    QCOMPARE(log.entries[1].text,
             QStringLiteral("Please, select registers to scan and their ordering in scan-chain(s), if required.\n"
                            "Otherwise, random ordering of selected registers in scan-chain(s) will be used."));
    QCOMPARE(form.SelectedLayoutLabel->text(), QStringLiteral("none"));  // no register chosen yet
    for (int i = 0; i < kRegisters; ++i) {
      QVERIFY(form.ChainBoxes[i]->isEnabled() && form.ChainBoxes[i]->isVisible());
      QVERIFY(!form.OrderingBoxes[i]->isEnabled() && form.OrderingBoxes[i]->isHidden());
    }

    choose(form.PresetBox, kPresetText[5]);
    QCOMPARE(log.entries.size(), std::size_t{3});
    QCOMPARE(log.entries[2].text, QStringLiteral("To generate a scan structure, please press button."));
    QVERIFY(form.ShowOrderingBox->isHidden() && form.RandomButton->isVisible());
    QVERIFY(form.ChainBoxes[0]->isHidden() && form.OrderingBoxes[0]->isHidden());
    QCOMPARE(form.SelectedLayoutLabel->text(), QStringLiteral("none"));  // before Random is pressed
  }

  void handMadeLayout() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();
    choose(form.PresetBox, kPresetText[4]);
    form.ShowOrderingBox->click();  // order by hand
    QVERIFY(form.OrderingBoxes[2]->isVisible() && !form.OrderingBoxes[2]->isEnabled());

    // REG3 alone in chain C at the 4th position.
    choose(form.ChainBoxes[2], QStringLiteral("C"));
    QVERIFY(form.OrderingBoxes[2]->isEnabled());
    choose(form.OrderingBoxes[2], QStringLiteral("4th"));
    QCOMPARE(state().layoutNotation(), QStringLiteral("2"));
    QCOMPARE(state().layout().at(2, 3), 2);
    QCOMPARE(information(form),
             (QStringList{QStringLiteral("partial scan"), QStringLiteral("1"), QStringLiteral("1")}));
    QVERIFY(!form.NoOrderingSelected());

    // REG1 joins chain C first; REG2 gets a chain of its own.
    choose(form.ChainBoxes[0], QStringLiteral("C"));
    choose(form.OrderingBoxes[0], QStringLiteral("1st"));
    choose(form.ChainBoxes[1], QStringLiteral("A"));
    choose(form.OrderingBoxes[1], QStringLiteral("1st"));
    QCOMPARE(state().layoutNotation(), QStringLiteral("1.02"));
    QCOMPARE(information(form),
             (QStringList{QStringLiteral("partial scan"), QStringLiteral("3"), QStringLiteral("2")}));

    // Chain box back to "None": out of the grid, the notation and the counts.
    choose(form.ChainBoxes[0], QStringLiteral("None"));
    QCOMPARE(state().layoutNotation(), QStringLiteral("1.2"));
    QCOMPARE(form.OrderingBoxes[0]->currentText(), QStringLiteral("Not selected"));
    QVERIFY(!form.OrderingBoxes[0]->isEnabled());
    QCOMPARE(form.RegisterCountLabel->text(), QStringLiteral("2"));
  }

  void orderingBoxOffersFreePositionsOnly() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();
    choose(form.PresetBox, kPresetText[4]);
    form.ShowOrderingBox->click();
    for (int i : {0, 1, 2}) choose(form.ChainBoxes[i], QStringLiteral("A"));
    choose(form.OrderingBoxes[0], QStringLiteral("1st"));
    choose(form.OrderingBoxes[1], QStringLiteral("3rd"));

    form.orderingEntered(3);  // REG3, chain A
    QCOMPARE(items(form.OrderingBoxes[2]), (QStringList{"Not selected", "2nd", "4th", "5th", "6th"}));
    QCOMPARE(form.OrderingBoxes[2]->currentText(), QStringLiteral("Not selected"));

    // A register's own place stays offered and shown.
    form.orderingEntered(2);
    QCOMPARE(items(form.OrderingBoxes[1]), (QStringList{"Not selected", "2nd", "3rd", "4th", "5th", "6th"}));
    QCOMPARE(form.OrderingBoxes[1]->currentText(), QStringLiteral("3rd"));

    // Focus entering the box rebuilds the list as well.
    choose(form.OrderingBoxes[2], QStringLiteral("2nd"));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.OrderingBoxes[0]->setFocus();
    QTRY_COMPARE(items(form.OrderingBoxes[0]), (QStringList{"Not selected", "1st", "4th", "5th", "6th"}));
    QCOMPARE(state().layoutNotation(), QStringLiteral("021"));
  }

  void nothingOrderedBlanksThePicture() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();
    choose(form.PresetBox, kPresetText[4]);
    form.ShowOrderingBox->click();
    choose(form.ChainBoxes[4], QStringLiteral("B"));
    choose(form.OrderingBoxes[4], QStringLiteral("2nd"));
    QVERIFY(!pictureIsBlank(form));
    choose(form.OrderingBoxes[4], QStringLiteral("Not selected"));
    QVERIFY(form.NoOrderingSelected());
    QVERIFY(state().layout().isEmpty());
    QCOMPARE(state().layoutNotation(), QString());
    QVERIFY(pictureIsBlank(form));
    QCOMPARE(information(form), (QStringList{QStringLiteral("none"), QStringLiteral("0"), QStringLiteral("0")}));
  }

  void checkingOrderingClearsTheLayout() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();
    choose(form.PresetBox, kPresetText[3]);
    form.RandomButton->click();  // random order of the one chain
    QCOMPARE(CountNotationRegisters(state().layoutNotation()), 6);
    form.ShowOrderingBox->click();
    QVERIFY(state().layout().isEmpty());
    QVERIFY(form.RandomButton->isHidden() && form.OrderingBoxes[0]->isVisible());
    QVERIFY(pictureIsBlank(form));
    form.ShowOrderingBox->click();
    QVERIFY(form.RandomButton->isVisible() && form.OrderingBoxes[0]->isHidden());
  }

  void hiddenActionLoadsTheLastLayout() {
    WorkFolder work;
    TDftForm form(state());
    form.show();
    setResultLayout(state(), QStringLiteral("0.1.2.3.4.5"));
    form.loadLastLayout();
    const LayoutGrid loaded = state().layout();
    QCOMPARE(information(form), (QStringList{QStringLiteral("full scan"), QStringLiteral("6"), QStringLiteral("6")}));
    QVERIFY(!pictureIsBlank(form));

    MessageLog log(state());
    choose(form.PresetBox, kPresetText[1]);
    QVERIFY(loaded == state().layout());
  }

  // A layout applied from outside (an Auto-Designer run, a comparison point):
  // the preset box names it, or selects the preset it equals; the rows show it.
  void appliedLayoutIsNamedInThePresetBox() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.show();
    setResultLayout(state(), QStringLiteral("5.0"));
    form.loadLastLayout();
    QCOMPARE(form.PresetBox->count(), 7);
    QCOMPARE(form.PresetBox->currentIndex(), static_cast<int>(kPresetApplied));
    QCOMPARE(form.PresetBox->itemData(kPresetApplied, Qt::ToolTipRole).toString(),
             QStringLiteral("Auto-Designer layout: REG6 | REG1"));
    QVERIFY(form.PresetBox->currentText().startsWith(QStringLiteral("Auto-Designer layout")));
    QCOMPARE(information(form), (QStringList{QStringLiteral("partial scan"), QStringLiteral("2"), QStringLiteral("2")}));
    QVERIFY(!pictureIsBlank(form));
    // The rows show each register's chain and place, locked.
    QVERIFY(form.ChainBoxes[5]->isVisible() && !form.ChainBoxes[5]->isEnabled());
    QCOMPARE(form.ChainBoxes[5]->currentText(), QStringLiteral("A"));
    QCOMPARE(form.OrderingBoxes[5]->currentText(), QStringLiteral("1st"));
    QCOMPARE(form.ChainBoxes[0]->currentText(), QStringLiteral("B"));
    QCOMPARE(form.OrderingBoxes[0]->currentText(), QStringLiteral("1st"));
    QCOMPARE(form.ChainBoxes[2]->currentText(), QStringLiteral("None"));
    QVERIFY(form.SelectionHint->isHidden());

    // Choosing the entry again keeps the layout; a preset replaces it and the entry goes.
    choose(form.PresetBox, form.PresetBox->itemText(kPresetApplied));
    QCOMPARE(state().layoutNotation(), QStringLiteral("5.0"));
    choose(form.PresetBox, kPresetText[2]);
    QCOMPARE(form.PresetBox->count(), 6);
    QCOMPARE(state().layoutNotation(), QStringLiteral("012345"));

    // A layout equal to a preset selects that preset, as if it had been chosen.
    setResultLayout(state(), QStringLiteral("0.1.2.3.4.5"));
    form.loadLastLayout();
    QCOMPARE(form.PresetBox->count(), 6);
    QCOMPARE(form.PresetBox->currentText(), kPresetText[1]);
    QCOMPARE(form.ChainBoxes[3]->currentText(), QStringLiteral("D"));
    QVERIFY(!form.ShowOrderingBox->isEnabled());

    // A long layout is elided to the box, whole in its tooltip.
    const QString whole = QStringLiteral("Chosen layout: REG2 | REG1 | REG3 | REG4 | REG5 | REG6");
    state().clearLayout();
    state().loadNotation(QStringLiteral("1.0.2.3.4.5"));
    form.showAppliedLayout(QStringLiteral("Chosen layout"));
    QCOMPARE(form.PresetBox->itemData(kPresetApplied, Qt::ToolTipRole).toString(), whole);
    QVERIFY(form.PresetBox->fontMetrics().horizontalAdvance(form.PresetBox->currentText()) < form.PresetBox->width());

    // A window opened on a state that holds a layout shows it straight away.
    TDftForm reopened(state());
    QCOMPARE(reopened.PresetBox->currentIndex(), static_cast<int>(kPresetApplied));
    QVERIFY(reopened.PresetBox->currentText().startsWith(QStringLiteral("Current layout")));
    QVERIFY(log.entries.empty());
  }

  void randomStructureIsAlwaysAValidLayout() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    choose(form.PresetBox, kPresetText[5]);
    for (unsigned seed = 0; seed < 200; ++seed) {
      std::mt19937 engine(seed);
      form.setRandomSource([&engine](int bound) {
        return std::uniform_int_distribution<int>(0, bound - 1)(engine);
      });
      form.RandomButton->click();
      const QString notation = state().layoutNotation();
      QVERIFY2(validNotation(notation), qPrintable(QStringLiteral("seed %1: '%2'").arg(seed).arg(notation)));
      QCOMPARE(form.RegisterCountLabel->text().toInt(), CountNotationRegisters(notation));
      QCOMPARE(form.ChainCountLabel->text().toInt(), CountNotationChains(notation));
    }
  }

  void randomOrderingKeepsTheChosenChains() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    std::mt19937 engine(7);
    form.setRandomSource([&engine](int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(engine); });

    choose(form.PresetBox, kPresetText[3]);
    for (int run = 0; run < 20; ++run) {
      form.RandomButton->click();
      QString notation = state().layoutNotation();
      QCOMPARE(notation.size(), 6);
      std::sort(notation.begin(), notation.end());
      QCOMPARE(notation, QStringLiteral("012345"));
    }

    choose(form.PresetBox, kPresetText[4]);
    choose(form.ChainBoxes[1], QStringLiteral("D"));
    choose(form.ChainBoxes[5], QStringLiteral("D"));
    choose(form.ChainBoxes[3], QStringLiteral("B"));
    for (int run = 0; run < 20; ++run) {
      form.RandomButton->click();
      const QString notation = state().layoutNotation();
      QVERIFY2(notation == QStringLiteral("3.15") || notation == QStringLiteral("3.51"), qPrintable(notation));
    }
  }

  void degenerateRandomSourceDoesNotHang() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    form.setRandomSource([](int) { return 0; });
    choose(form.PresetBox, kPresetText[5]);
    form.RandomButton->click();
    QVERIFY(state().layoutNotation().isEmpty() || validNotation(state().layoutNotation()));
    choose(form.PresetBox, kPresetText[3]);
    form.RandomButton->click();
    QCOMPARE(CountNotationRegisters(state().layoutNotation()), 6);
  }

  void notationButtonShowsTheNotation() {
    WorkFolder work;
    MessageLog log(state());
    TDftForm form(state());
    choose(form.PresetBox, kPresetText[2]);
    form.notationClicked();
    QCOMPARE(log.entries.back().caption, QStringLiteral("Scan layout notation"));
    QCOMPARE(log.entries.back().text, QStringLiteral("012345"));
    QCOMPARE(log.entries.back().icon, QMessageBox::Information);
  }
};

QTEST_MAIN(DftFormTest)
#include "dftform_test.moc"
