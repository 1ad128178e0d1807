#include "views/comparisonview.h"

#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

#include "ui/fixedlayout.h"

namespace {

const QStringList kColumns{"Method", "Testability", "Area %", "Pins %", "Scanned", "Chains", "Fitness", "Seconds",
                           "Layout"};

// A value axis over [lo, hi] with some room around the points.
QValueAxis* axis(const QString& title, double lo, double hi, double floor) {
  auto* a = new QValueAxis;
  a->setTitleText(title);
  const double room = std::max((hi - lo) * 0.1, 0.02 * std::max(1.0, hi));
  a->setRange(std::max(floor, lo - room), hi + room);
  a->applyNiceNumbers();
  return a;
}

}  // namespace

ComparisonView::ComparisonView(QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new QChartView(this)), table_(new QTableWidget(this)), caption_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Comparison of Methods"));
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumHeight(320);
  table_->setColumnCount(static_cast<int>(kColumns.size()));
  table_->setHorizontalHeaderLabels(kColumns);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  caption_->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption_);
  layout->addWidget(view_, 3);
  layout->addWidget(table_, 1);
  // Opens at its 96-DPI size, grown with the font resolution and kept on the screen.
  resize(FittedWindowSize(QSize(760, 600), ScreenMetricsOf(this)));
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    if (row >= 0 && row < static_cast<int>(comparison_.rows.size())) choose(comparison_.rows[row].method);
  });
}

QChart* ComparisonView::chart() const { return view_->chart(); }

QScatterSeries* ComparisonView::seriesOf(const QString& method) const {
  for (const auto& [name, s] : series_)
    if (name == method) return s;
  return nullptr;
}

void ComparisonView::setComparison(const CompareResult& comparison) {
  comparison_ = comparison;
  series_.clear();
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("Testability against area overhead - %1").arg(comparison_.circuit));
  chart->legend()->setAlignment(Qt::AlignRight);
  double xLo = 0, xHi = 1, yLo = 0, yHi = 1;
  if (!comparison_.rows.empty()) {
    xLo = xHi = comparison_.rows.front().areaPercent;
    yLo = yHi = comparison_.rows.front().testability;
  }
  for (const auto& row : comparison_.rows) {
    xLo = std::min(xLo, row.areaPercent);
    xHi = std::max(xHi, row.areaPercent);
    yLo = std::min(yLo, row.testability);
    yHi = std::max(yHi, row.testability);
  }
  // The Pareto front, from the cheapest layout to the most testable one.
  std::vector<const CompareRow*> front;
  for (const auto& row : comparison_.rows)
    if (comparison_.onPareto(row.method)) front.push_back(&row);
  std::sort(front.begin(), front.end(), [](const CompareRow* a, const CompareRow* b) {
    return a->areaPercent < b->areaPercent || (a->areaPercent == b->areaPercent && a->testability < b->testability);
  });
  pareto_ = new QLineSeries;
  pareto_->setName(QStringLiteral("Pareto front"));
  pareto_->setPen(QPen(QColor(200, 30, 30), 2.0, Qt::DashLine));
  for (const auto* row : front) pareto_->append(row->areaPercent, row->testability);
  chart->addSeries(pareto_);
  for (const auto& row : comparison_.rows) {
    auto* s = new QScatterSeries;
    const bool onFront = comparison_.onPareto(row.method);
    s->setName(onFront ? row.method + QStringLiteral(" *") : row.method);
    s->setMarkerSize(onFront ? 16.0 : 11.0);
    s->setMarkerShape(onFront ? QScatterSeries::MarkerShapeRectangle : QScatterSeries::MarkerShapeCircle);
    if (onFront) s->setBorderColor(QColor(200, 30, 30));
    s->append(row.areaPercent, row.testability);
    s->setPointLabelsVisible(true);
    s->setPointLabelsFormat(row.method);
    s->setPointLabelsClipping(false);
    const QString method = row.method;
    connect(s, &QScatterSeries::clicked, this, [this, method](const QPointF&) { choose(method); });
    chart->addSeries(s);
    series_.emplace_back(row.method, s);
  }
  auto* x = axis(QStringLiteral("Area overhead (%)"), xLo, xHi, -1e9);  // room left of 0 keeps "none" in view
  auto* y = axis(QStringLiteral("Testability"), yLo, yHi, 0.0);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (auto* s : chart->series()) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
  QChart* old = view_->chart();
  view_->setChart(chart);
  delete old;
  caption_->setText(QStringLiteral("%1 methods on %2 (objective %3, area budget %4 %, pin budget %5 %). "
                                   "Pareto front: %6. Click a point to apply its layout.")
                        .arg(comparison_.rows.size())
                        .arg(comparison_.circuit, comparison_.objective)
                        .arg(comparison_.areaBudgetPercent)
                        .arg(comparison_.pinBudgetPercent)
                        .arg(comparison_.pareto.join(QStringLiteral(", "))));
  fillTable();
}

void ComparisonView::fillTable() {
  table_->setRowCount(static_cast<int>(comparison_.rows.size()));
  for (int r = 0; r < static_cast<int>(comparison_.rows.size()); ++r) {
    const auto& row = comparison_.rows[r];
    const QStringList cells{row.method + (comparison_.onPareto(row.method) ? QStringLiteral(" *") : QString()),
                            QString::number(row.testability, 'f', 4),
                            QString::number(row.areaPercent, 'f', 2),
                            QString::number(row.pinsPercent, 'f', 2),
                            QString::number(row.scanned),
                            QString::number(row.chains),
                            QString::number(row.fitness, 'f', 4),
                            QString::number(row.seconds, 'f', 2),
                            row.layout.isEmpty() ? QStringLiteral("(none)") : row.layout};
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) table_->setItem(r, c, new QTableWidgetItem(cells[c]));
  }
}

void ComparisonView::choose(const QString& method) {
  for (const auto& row : comparison_.rows)
    if (row.method == method) {
      emit layoutChosen(row.layout, row.method);
      return;
    }
}
