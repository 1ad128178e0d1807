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

  ReportTable = new QTableWidget(1, 1, this);
  ReportTable->setGeometry(0, 0, 409, 410);
  ReportTable->horizontalHeader()->hide();
  ReportTable->verticalHeader()->hide();
  ReportTable->horizontalHeader()->setDefaultSectionSize(100);
  ReportTable->verticalHeader()->setDefaultSectionSize(20);
  ReportTable->verticalHeader()->setMinimumSectionSize(20);
  ReportTable->setShowGrid(true);
  ReportTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  ReportTable->setSelectionMode(QAbstractItemView::ContiguousSelection);
  ReportTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ReportTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ReportTable->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  QFont cells(QStringLiteral("Arial"), 8);
  cells.setStyleHint(QFont::TypeWriter);
  cells.setFixedPitch(true);
  ReportTable->setFont(cells);
  QPalette pal = ReportTable->palette();
  pal.setColor(QPalette::Base, palette().color(QPalette::ToolTipBase));
  pal.setColor(QPalette::Text, palette().color(QPalette::ToolTipText));
  ReportTable->setPalette(pal);
  ReportTable->setToolTip(
      QStringLiteral("In this table, detail testability results of the circuit are displayed"));

  resize(kWidth, kHeight);
  setMaximumWidth(kWidth);
  layoutScale_.capture(this);
  fitScreen(ScreenMetricsOf(this));
  move(remembered());
}

void TFormTAres::fitScreen(const ScreenMetrics& screen) {
  layoutScale_.apply(screen);
  ReportTable->horizontalHeader()->setDefaultSectionSize(scaled(100));
  ReportTable->verticalHeader()->setMinimumSectionSize(scaled(20));
  ReportTable->verticalHeader()->setDefaultSectionSize(scaled(20));
  windowResized();
}

int TFormTAres::scaled(int length) const { return ScaledSize(QSize(length, length), layoutScale_.factor()).width(); }

TFormTAres::~TFormTAres() = default;

QPoint TFormTAres::rememberedPosition() { return remembered(); }

void TFormTAres::Fill(const QString& fileName) { ShowTable(ReadDetailsReport(fileName)); }

void TFormTAres::ShowTable(const DetailsTable& table) {
  ReportTable->clearContents();
  ReportTable->setColumnCount(table.columns);
  ReportTable->setRowCount(table.rows);
  for (int r = 0; r < table.rows; ++r) {
    for (int c = 0; c < table.columns; ++c) {
      const QString text = table.cell(r, c);
      if (!text.isEmpty()) ReportTable->setItem(r, c, new QTableWidgetItem(text));
    }
  }
  // Port names such as "reg5.SCAN_OUT(1)" need more room than the figures:
  // the first column grows to its widest text, the others give way, so that
  // the four columns still fit the table without a horizontal scroll bar.
  if (table.columns == 4) {
    const int room = ReportTable->width() - 2 * ReportTable->frameWidth() -
                     ReportTable->verticalScrollBar()->sizeHint().width();
    ReportTable->resizeColumnToContents(0);
    const int first = std::clamp(ReportTable->columnWidth(0) + scaled(4), scaled(100), scaled(150));
    ReportTable->setColumnWidth(0, first);
    for (int c = 1; c < 4; ++c) ReportTable->setColumnWidth(c, std::min(scaled(100), (room - first) / 3));
  }
  ReportTable->clearSelection();
  ReportTable->setCurrentItem(nullptr);
}

void TFormTAres::windowActivated() {
  if (pos() != remembered()) move(remembered());
}

void TFormTAres::windowDeactivated() {
  if (isVisible()) remembered() = pos();
}

void TFormTAres::windowResized() { ReportTable->resize(ReportTable->width(), std::max(0, height() - scaled(8))); }

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
