#include "classic/tares.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

#include <algorithm>

#include "ui/activation.h"
#include "enginelink/txtreport.h"

namespace {

constexpr int kWidth = 417;
constexpr int kHeight = 444;

// Where the window opens, and returns to when activated; kept for the run.
QPoint& remembered() {
  static QPoint position(500, 200);
  return position;
}

}  // namespace

TFormTAres::TFormTAres(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Testability Details"));
  QFont small = font();
  small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.0));
  setFont(small);

  StringGrid1 = new QTableWidget(1, 1, this);
  StringGrid1->setGeometry(0, 0, 409, 410);
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->hide();
  StringGrid1->horizontalHeader()->setDefaultSectionSize(100);
  StringGrid1->verticalHeader()->setDefaultSectionSize(20);
  StringGrid1->verticalHeader()->setMinimumSectionSize(20);
  StringGrid1->setShowGrid(true);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  QFont cells(QStringLiteral("Arial"), 8);
  cells.setStyleHint(QFont::TypeWriter);
  cells.setFixedPitch(true);
  StringGrid1->setFont(cells);
  QPalette pal = StringGrid1->palette();
  pal.setColor(QPalette::Base, palette().color(QPalette::ToolTipBase));
  pal.setColor(QPalette::Text, palette().color(QPalette::ToolTipText));
  StringGrid1->setPalette(pal);
  StringGrid1->setToolTip(
      QStringLiteral("In this table, detail testability results of the circuit are displayed"));

  resize(kWidth, kHeight);
  setMaximumWidth(kWidth);
  layoutScale_.capture(this);
  fitScreen(ScreenMetricsOf(this));
  move(remembered());
}

void TFormTAres::fitScreen(const ScreenMetrics& screen) {
  layoutScale_.apply(screen);
  StringGrid1->horizontalHeader()->setDefaultSectionSize(scaled(100));
  StringGrid1->verticalHeader()->setMinimumSectionSize(scaled(20));
  StringGrid1->verticalHeader()->setDefaultSectionSize(scaled(20));
  windowResized();
}

int TFormTAres::scaled(int length) const { return ScaledSize(QSize(length, length), layoutScale_.factor()).width(); }

TFormTAres::~TFormTAres() = default;

QPoint TFormTAres::rememberedPosition() { return remembered(); }

void TFormTAres::Fill(const QString& fileName) { ShowTable(ReadDetailsReport(fileName)); }

void TFormTAres::ShowTable(const DetailsTable& table) {
  StringGrid1->clearContents();
  StringGrid1->setColumnCount(table.columns);
  StringGrid1->setRowCount(table.rows);
  for (int r = 0; r < table.rows; ++r) {
    for (int c = 0; c < table.columns; ++c) {
      const QString text = table.cell(r, c);
      if (!text.isEmpty()) StringGrid1->setItem(r, c, new QTableWidgetItem(text));
    }
  }
  // Port names such as "reg5.SCAN_OUT(1)" need more room than the figures:
  // the first column grows to its widest text, the others give way, so that
  // the four columns still fit the table without a horizontal scroll bar.
  if (table.columns == 4) {
    const int room = StringGrid1->width() - 2 * StringGrid1->frameWidth() -
                     StringGrid1->verticalScrollBar()->sizeHint().width();
    StringGrid1->resizeColumnToContents(0);
    const int first = std::clamp(StringGrid1->columnWidth(0) + scaled(4), scaled(100), scaled(150));
    StringGrid1->setColumnWidth(0, first);
    for (int c = 1; c < 4; ++c) StringGrid1->setColumnWidth(c, std::min(scaled(100), (room - first) / 3));
  }
  StringGrid1->clearSelection();
  StringGrid1->setCurrentItem(nullptr);
}

void TFormTAres::windowActivated() {
  if (pos() != remembered()) move(remembered());
}

void TFormTAres::windowDeactivated() {
  if (isVisible()) remembered() = pos();
}

void TFormTAres::windowResized() { StringGrid1->resize(StringGrid1->width(), std::max(0, height() - scaled(8))); }

void TFormTAres::windowClosing() {
  if (closing_) return;
  closing_ = true;
  emit closed();
}

void TFormTAres::changeEvent(QEvent* event) {
  DispatchActivationChange(this, event);
  QWidget::changeEvent(event);
}

void TFormTAres::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  windowResized();
}

void TFormTAres::closeEvent(QCloseEvent* event) {
  windowClosing();
  event->accept();
}
