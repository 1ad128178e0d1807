// The testability details window and the table it makes of "diffeq.txt".
#include <QCheckBox>
#include <QScrollBar>
#include <QTableWidget>

#include "app/mainform.h"
#include "classic/tares.h"
#include "testsupport.h"
#include "enginelink/txtreport.h"

namespace {

// A report of ten lines: three heading lines, the column header, four ports,
// the node count and the global measures.
const QByteArray kTenLines =
    "------------------------------------------------------------\n"
    "\t'diffeq' testability results\n"
    "------------------------------------------------------------\n"
    "Port_name(bit_width) Con Obs Tst\n"
    "reg6.q(8) 0.000000 0.967480 0.000000\n"
    "reg6.d(8) 0.000000 0.825784 0.000000\n"
    "reg5.q(8) 0.667733 0.000000 0.000000\n"
    "reg5.d(8) 0.782337 0.000000 0.000000\n"
    "#Nodes(Total=421) C(253/60.1%) O(112/26.6%) T(0/0.0%)\n"
    "GlobalMeasures 0.459932 0.164019 0.075437\n";

QStringList row(const DetailsTable& t, int r) {
  QStringList cells;
  for (int c = 0; c < t.columns; ++c) cells << t.cell(r, c);
  return cells;
}

QStringList gridRow(const QTableWidget* grid, int r) {
  QStringList cells;
  for (int c = 0; c < grid->columnCount(); ++c) cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
  return cells;
}

}  // namespace

class TaresTest : public QObject, public StateFixture {
  Q_OBJECT
 private slots:
  void init() { renewState(); }

  void tableOfAReport() {
    const DetailsTable t = ParseDetailsReport(kTenLines);
    QCOMPARE(t.columns, 4);
    QCOMPARE(t.rows, 8);
    QCOMPARE(row(t, 0), QStringList({"", "", "", ""}));
    QCOMPARE(row(t, 1), QStringList({"Port_name(bit_width)", "Con", "Obs", "Tst"}));
    QCOMPARE(row(t, 2), QStringList({"reg6.q(8)", "0.000000", "0.967480", "0.000000"}));
    QCOMPARE(row(t, 6), QStringList({"#Nodes(Total=421)", "C(253/60.1%)", "O(112/26.6%)", "T(0/0.0%)"}));
    QCOMPARE(row(t, 7), QStringList({"GlobalMeasures", "0.459932", "0.164019", "0.075437"}));
  }

  void blanksShiftFields() {
    // Two blanks make an empty field; a field beyond the fourth column is dropped.
    const DetailsTable t = ParseDetailsReport("a\nb\nc\nreg1.q(8)  0.1 0.2 0.3\nx\ty\n\n");
    QCOMPARE(t.rows, 4);
    QCOMPARE(row(t, 1), QStringList({"reg1.q(8)", "", "0.1", "0.2"}));
    QCOMPARE(row(t, 2), QStringList({"x", "y", "", ""}));  // a tab separates like a blank
    // A last line without a line end gets no row of its own.
    const DetailsTable open = ParseDetailsReport("a\nb\nc\nd e f\ng h");
    QCOMPARE(open.rows, 2);
    QCOMPARE(row(open, 1), QStringList({"d", "e", "f", ""}));
  }

  void shortAndOddReports() {
    // Too short for any port: still one row, never a negative count.
    QCOMPARE(ParseDetailsReport("").rows, 1);
    QCOMPARE(ParseDetailsReport("one line\n").rows, 1);
    // Windows line ends count once.
    const DetailsTable crlf = ParseDetailsReport("a\r\nb\r\nc\r\nd e\r\nf g\r\n");
    QCOMPARE(crlf.rows, 3);
    QCOMPARE(row(crlf, 1), QStringList({"d", "e", "", ""}));
    QCOMPARE(row(crlf, 2), QStringList({"f", "g", "", ""}));
    // The benchmark's report: 56 lines, 54 rows.
    QFile real(QStringLiteral(LUMENO_TEST_DATA "/diffeq/diffeq.txt"));
    QVERIFY(real.open(QIODevice::ReadOnly));
    const DetailsTable t = ParseDetailsReport(real.readAll());
    QCOMPARE(t.rows, 54);
    QCOMPARE(row(t, 2), QStringList({"reg6.q(8)", "0.000000", "0.967480", "0.000000"}));
    QCOMPARE(row(t, 53), QStringList({"GlobalMeasures", "0.459932", "0.164019", "0.075437"}));
  }

  void missingReportLeavesOneEmptyCell() {
    WorkFolder work(false);
    TFormTAres window;
    window.Fill();
    window.show();
    QCOMPARE(window.ReportTable->rowCount(), 1);
    QCOMPARE(window.ReportTable->columnCount(), 1);
    QVERIFY(window.ReportTable->item(0, 0) == nullptr || window.ReportTable->item(0, 0)->text().isEmpty());
    QCOMPARE(ReadDetailsReport(work.file(QStringLiteral("diffeq.txt"))).rows, 1);
  }

  void windowShowsTheReport() {
    WorkFolder work(false);
    work.write(QStringLiteral("diffeq.txt"), kTenLines);
    TFormTAres window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Testability Details"));
    QCOMPARE(window.ReportTable->toolTip(),
             QStringLiteral("In this table, detail testability results of the circuit are displayed"));
    window.Fill();
    QCOMPARE(window.ReportTable->rowCount(), 8);
    QCOMPARE(window.ReportTable->columnCount(), 4);
    QCOMPARE(gridRow(window.ReportTable, 0), QStringList({"", "", "", ""}));
    QCOMPARE(gridRow(window.ReportTable, 7), QStringList({"GlobalMeasures", "0.459932", "0.164019", "0.075437"}));
    // Columns of 100 pixels, the first one widened to its texts; all fit.
    QVERIFY(window.ReportTable->columnWidth(0) > 100);
    QVERIFY(window.ReportTable->columnWidth(1) <= 100 && window.ReportTable->columnWidth(1) >= 80);
    int total = 0;
    for (int c = 0; c < 4; ++c) total += window.ReportTable->columnWidth(c);
    QVERIFY(total <= 409 - window.ReportTable->verticalScrollBar()->sizeHint().width());
    QCOMPARE(window.ReportTable->rowHeight(3), 20);
    QCOMPARE(window.ReportTable->selectionBehavior(), QAbstractItemView::SelectRows);
    // The table follows the window's height.
    window.show();
    window.resize(417, 300);
    QCOMPARE(window.ReportTable->height(), 292);
    QCOMPARE(window.maximumWidth(), 417);
  }

  void mainWindowBoxOpensAndClosesIt() {
    WorkFolder work;
    MessageLog log(state());
    work.write(QStringLiteral("diffeq.txt"), kTenLines);
    TFormMain form(state());
    QVERIFY(form.DetailsBox->isEnabled());
    form.DetailsBox->setChecked(true);
    QVERIFY(form.detailsWindow() != nullptr && form.detailsWindow()->isVisible());
    QCOMPARE(form.detailsWindow()->ReportTable->rowCount(), 8);
    QCOMPARE(form.detailsWindow()->pos(), TFormTAres::rememberedPosition());
    // It shows the report as it was when the box was checked.
    work.write(QStringLiteral("diffeq.txt"), "");
    QCOMPARE(form.detailsWindow()->ReportTable->rowCount(), 8);
    // Place memory.
    form.detailsWindow()->move(520, 210);
    form.detailsWindow()->windowDeactivated();
    QCOMPARE(TFormTAres::rememberedPosition(), QPoint(520, 210));
    form.detailsWindow()->move(0, 0);
    form.detailsWindow()->windowActivated();
    QCOMPARE(form.detailsWindow()->pos(), QPoint(520, 210));
    // Closing clears the box, which discards the window.
    QPointer<TFormTAres> window = form.detailsWindow();
    window->close();
    QVERIFY(!form.DetailsBox->isChecked());
    QVERIFY(form.detailsWindow() == nullptr);
    QTRY_VERIFY(window.isNull());
    // Checked again: a fresh window, filled afresh.
    form.DetailsBox->setChecked(true);
    QCOMPARE(form.detailsWindow()->ReportTable->rowCount(), 1);
    form.DetailsBox->setChecked(false);
    QVERIFY(form.detailsWindow() == nullptr);
  }

  // A picture of the window for checking by eye (in the build folder).
  void renderDetails() {
    WorkFolder work(false);
    QVERIFY(QFile::copy(QStringLiteral(LUMENO_TEST_DATA "/diffeq/diffeq.txt"),
                        work.file(QStringLiteral("diffeq.txt"))));
    TFormTAres window;
    window.Fill();
    window.show();
    QVERIFY(window.grab().toImage().save(QStringLiteral(RENDER_DIR "/lumeno-details.png")));
  }
};

QTEST_MAIN(TaresTest)
#include "tares_test.moc"
