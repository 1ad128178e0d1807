#include "views/comparisonview.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "enginelink/notation.h"
#include "ui/fixedlayout.h"
#include "views/runstatusline.h"

namespace {

const QStringList kColumns{"Method", "Testability", "Area %", "Pins %", "Scanned", "Chains", "Fitness", "Seconds",
                           "Layout", "SA cov %", "rho"};
constexpr int kCoverageColumn = 9;
constexpr int kSpearmanColumn = 10;

// A value axis over [lo, hi] with some room around the points.
QValueAxis* axis(const QString& title, double lo, double hi, double floor) {
  auto* a = new QValueAxis;
  a->setTitleText(title);
  const double room = std::max((hi - lo) * 0.1, 0.02 * std::max(1.0, hi));
  a->setRange(std::max(floor, lo - room), hi + room);
  a->applyNiceNumbers();
  return a;
}

// The value `measure` plots for `row`.
double plotted(const CompareRow& row, ComparisonMeasure measure) {
  return measure == ComparisonMeasure::Coverage ? row.stuckAtCoveragePercent.value_or(0.0) : row.testability;
}

// True when two points fall on the same spot of the chart.
bool coincide(QPointF a, QPointF b, QSizeF span) {
  return std::abs(a.x() - b.x()) <= span.width() * 0.005 && std::abs(a.y() - b.y()) <= span.height() * 0.005;
}

const QColor kBudgetColour(120, 120, 120);
const QColor kOverBudgetColour(150, 150, 150);

}  // namespace

ComparisonView::ComparisonView(QWidget* parent)
    : QWidget(parent, Qt::Window),
      view_(new QChartView(this)),
      table_(new QTableWidget(this)),
      caption_(new QLabel(this)),
      notes_(new QLabel(this)),
      measureBox_(new QComboBox(this)),
      faultsimButton_(new QPushButton(QStringLiteral("Compare with &fault simulation"), this)),
      writeVerilogButton_(new QPushButton(QStringLiteral("Write &Verilog with this layout..."), this)),
      verilogStatus_(new RunStatusLine(this)) {
  setWindowTitle(QStringLiteral("Comparison of Methods"));
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumHeight(320);
  table_->setColumnCount(static_cast<int>(kColumns.size()));
  table_->setHorizontalHeaderLabels(kColumns);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  caption_->setWordWrap(true);
  notes_->setWordWrap(true);
  notes_->setStyleSheet(QStringLiteral("color: #8a4b00"));
  measureBox_->addItem(QStringLiteral("Testability against area"));
  measureBox_->addItem(QStringLiteral("Stuck-at coverage against area"));
  faultsimButton_->setToolTip(QStringLiteral("Run the comparison again and simulate the stuck-at faults of each layout"));

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("Plot"), this));
  controls->addWidget(measureBox_);
  controls->addWidget(faultsimButton_);
  controls->addStretch();
  controls->addWidget(writeVerilogButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption_);
  layout->addWidget(notes_);
  layout->addLayout(controls);
  layout->addWidget(view_, 3);
  layout->addWidget(table_, 1);
  layout->addWidget(verilogStatus_);
  // Opens at its 96-DPI size, grown with the font resolution and kept on the screen.
  resize(FittedWindowSize(QSize(760, 600), ScreenMetricsOf(this)));
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    if (row >= 0 && row < static_cast<int>(comparison_.rows.size())) choose(comparison_.rows[row].method);
  });
  connect(table_, &QTableWidget::itemSelectionChanged, this, &ComparisonView::updateButtons);
  connect(measureBox_, &QComboBox::currentIndexChanged, this, &ComparisonView::measureChosen);
  connect(faultsimButton_, &QPushButton::clicked, this, &ComparisonView::faultsimComparisonRequested);
  connect(writeVerilogButton_, &QPushButton::clicked, this, &ComparisonView::writeVerilogClicked);
  connect(verilogStatus_, &RunStatusLine::busyChanged, this, &ComparisonView::updateButtons);
  setFaultsimAvailable(false, QStringLiteral("No circuit read from Verilog"));
  setVerilogWritable(false, QStringLiteral("No circuit read from Verilog"));
}

QChart* ComparisonView::chart() const { return view_->chart(); }

QScatterSeries* ComparisonView::seriesOf(const QString& method) const {
  for (const auto& [name, s] : series_)
    if (name == method) return s;
  return nullptr;
}

void ComparisonView::setComparison(const CompareResult& comparison) {
  comparison_ = comparison;
  if (!comparison_.hasCoverage()) measure_ = ComparisonMeasure::Testability;
  rebuildChart();
  fillTable();
  updateButtons();
}

void ComparisonView::setMeasure(ComparisonMeasure measure) {
  if (measure == ComparisonMeasure::Coverage && !comparison_.hasCoverage()) return;
  measure_ = measure;
  const QString chosen = selectedMethod();
  rebuildChart();
  fillTable();  // its stars follow the front plotted
  for (int r = 0; r < static_cast<int>(comparison_.rows.size()); ++r)
    if (comparison_.rows[r].method == chosen) table_->selectRow(r);
}

void ComparisonView::measureChosen(int index) {
  setMeasure(index == 1 ? ComparisonMeasure::Coverage : ComparisonMeasure::Testability);
}

void ComparisonView::rebuildChart() {
  series_.clear();
  labels_.clear();
  const bool coverage = measure_ == ComparisonMeasure::Coverage;
  const QStringList frontMethods = front();
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("%1 against area overhead - %2")
                      .arg(coverage ? QStringLiteral("Stuck-at coverage") : QStringLiteral("Testability"),
                           comparison_.circuit));
  chart->legend()->setAlignment(Qt::AlignRight);
  // The Pareto front, from the cheapest layout to the best one.
  std::vector<const CompareRow*> front;
  for (const auto& row : comparison_.rows)
    if (frontMethods.contains(row.method)) front.push_back(&row);
  std::sort(front.begin(), front.end(), [this](const CompareRow* a, const CompareRow* b) {
    return a->areaPercent < b->areaPercent ||
           (a->areaPercent == b->areaPercent && plotted(*a, measure_) < plotted(*b, measure_));
  });
  pareto_ = new QLineSeries;
  pareto_->setName(QStringLiteral("Pareto front"));
  pareto_->setPen(QPen(QColor(200, 30, 30), 2.0, Qt::DashLine));
  for (const auto* row : front) pareto_->append(row->areaPercent, plotted(*row, measure_));
  chart->addSeries(pareto_);
  addMethodSeries(chart, frontMethods);
  addBudgetSeries(chart);
  addAxes(chart);
  QChart* old = view_->chart();
  view_->setChart(chart);
  delete old;
  writeCaption(frontMethods);
  const QSignalBlocker blocker(measureBox_);
  measureBox_->setCurrentIndex(coverage ? 1 : 0);
}

// Area from 0 (no layout costs less), the measure from 0; both with room
// for every point and the area budget.
void ComparisonView::addAxes(QChart* chart) {
  const bool coverage = measure_ == ComparisonMeasure::Coverage;
  double xHi = 1, yLo = 0, yHi = 1;
  if (!comparison_.rows.empty()) yLo = yHi = plotted(comparison_.rows.front(), measure_);
  for (const auto& row : comparison_.rows) {
    xHi = std::max(xHi, row.areaPercent);
    yLo = std::min(yLo, plotted(row, measure_));
    yHi = std::max(yHi, plotted(row, measure_));
  }
  if (areaBudget_ != nullptr) xHi = std::max(xHi, comparison_.areaBudgetPercent);
  auto* x = axis(QStringLiteral("Area overhead (%)"), 0.0, xHi, 0.0);
  auto* y = coverage ? axis(QStringLiteral("Stuck-at coverage (%)"), yLo, std::min(yHi, 100.0), 0.0)
                     : axis(QStringLiteral("Testability"), yLo, yHi, 0.0);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (auto* s : chart->series()) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
  // The budget line spans the whole height, whatever the range.
  if (areaBudget_ != nullptr && areaBudget_->count() == 2) {
    areaBudget_->replace(0, comparison_.areaBudgetPercent, y->min());
    areaBudget_->replace(1, comparison_.areaBudgetPercent, y->max());
  }
}

// The area budget as a vertical line; the pin budget, which has no axis, as
// a legend entry saying how the layouts over it are drawn.
void ComparisonView::addBudgetSeries(QChart* chart) {
  areaBudget_ = nullptr;
  if (comparison_.rows.empty()) return;
  areaBudget_ = new QLineSeries;
  areaBudget_->setName(QStringLiteral("area budget %1 %").arg(comparison_.areaBudgetPercent));
  areaBudget_->setPen(QPen(kBudgetColour, 1.5, Qt::DotLine));
  areaBudget_->append(comparison_.areaBudgetPercent, 0.0);
  areaBudget_->append(comparison_.areaBudgetPercent, 1.0);
  chart->addSeries(areaBudget_);
  auto* pins = new QLineSeries;
  pins->setName(QStringLiteral("pin budget %1 %").arg(comparison_.pinBudgetPercent));
  pins->setPen(QPen(kOverBudgetColour, 1.5, Qt::DotLine));
  chart->addSeries(pins);
}

void ComparisonView::writeCaption(const QStringList& frontMethods) {
  caption_->setText(QStringLiteral("%1 methods on %2 (objective %3, area budget %4 %, pin budget %5 %). "
                                   "Pareto front within the budgets: %6. Hollow points are over a budget. Click a point to apply "
                                   "its layout.")
                        .arg(comparison_.rows.size())
                        .arg(comparison_.circuit, comparison_.objective)
                        .arg(comparison_.areaBudgetPercent)
                        .arg(comparison_.pinBudgetPercent)
                        .arg(frontMethods.isEmpty() ? QStringLiteral("none") : frontMethods.join(QStringLiteral(", "))));
  notes_->setText(notes().join(u'\n'));
  notes_->setVisible(!notes_->text().isEmpty());
}

// What a reader of the chart would otherwise get wrong.
QStringList ComparisonView::notes() const {
  QStringList out;
  for (const auto& row : comparison_.rows) {
    if (!comparison_.withinBudgets(row)) {
      QStringList over;
      if (row.areaPercent > comparison_.areaBudgetPercent)
        over << QStringLiteral("area %1 % > %2 %").arg(row.areaPercent, 0, 'f', 2).arg(comparison_.areaBudgetPercent);
      if (row.pinsPercent > comparison_.pinBudgetPercent)
        over << QStringLiteral("pins %1 % > %2 %").arg(row.pinsPercent, 0, 'f', 2).arg(comparison_.pinBudgetPercent);
      out << QStringLiteral("%1 is over budget (%2; fitness %3): not a valid choice under these budgets.")
                 .arg(row.method, over.join(QStringLiteral(", ")))
                 .arg(row.fitness, 0, 'f', 4);
    } else if (row.scanned == 0 && row.method != u"none") {
      out << QStringLiteral("%1 scans no register: no layout it found within the budgets scores better than none.")
                 .arg(row.method);
    }
  }
  if (!comparison_.exactSkipped.isEmpty())
    out << QStringLiteral("exact was skipped: %1.").arg(comparison_.exactSkipped);
  return out;
}

QString ComparisonView::notesText() const { return notes_->text(); }

// One point per method, those on `frontMethods` marked, those over budget
// hollow, each clickable; coincident points share one label.
void ComparisonView::addMethodSeries(QChart* chart, const QStringList& frontMethods) {
  double xSpan = 1.0, ySpan = 1.0;
  for (const auto& row : comparison_.rows) {
    xSpan = std::max(xSpan, row.areaPercent);
    ySpan = std::max(ySpan, plotted(row, measure_));
  }
  std::vector<QPointF> points;
  for (const auto& row : comparison_.rows) points.emplace_back(row.areaPercent, plotted(row, measure_));
  for (std::size_t r = 0; r < comparison_.rows.size(); ++r) {
    const auto& row = comparison_.rows[r];
    QStringList together;
    bool first = true;
    for (std::size_t o = 0; o < comparison_.rows.size(); ++o)
      if (coincide(points[r], points[o], {xSpan, ySpan})) {
        together << comparison_.rows[o].method;
        if (o < r) first = false;
      }
    labels_.insert(row.method, first ? together.join(QStringLiteral(", ")) : QString());
    auto* s = new QScatterSeries;
    const bool onFront = frontMethods.contains(row.method);
    const bool within = comparison_.withinBudgets(row);
    s->setName(row.method + (onFront ? QStringLiteral(" *") : QString()) +
               (within ? QString() : QStringLiteral(" (over budget)")));
    s->setMarkerSize(onFront ? 16.0 : 11.0);
    s->setMarkerShape(onFront ? QScatterSeries::MarkerShapeRectangle : QScatterSeries::MarkerShapeCircle);
    if (onFront) s->setBorderColor(QColor(200, 30, 30));
    if (!within) {
      s->setColor(Qt::white);
      s->setBorderColor(kOverBudgetColour);
    }
    s->append(points[r]);
    s->setPointLabelsVisible(first);
    s->setPointLabelsFormat(labels_.value(row.method));
    s->setPointLabelsClipping(false);
    const QString method = row.method;
    connect(s, &QScatterSeries::clicked, this, [this, method](const QPointF&) { choose(method); });
    chart->addSeries(s);
    series_.emplace_back(row.method, s);
  }
}

QString ComparisonView::pointLabel(const QString& method) const { return labels_.value(method); }

void ComparisonView::setRegisterNames(const QStringList& registers) {
  registers_ = registers;
  fillTable();
}

QString ComparisonView::shownLayout(const CompareRow& row) const {
  if (row.layout.isEmpty()) return QStringLiteral("(none)");
  if (registers_.isEmpty()) return row.layout;
  QString error;
  const ScanChains chains = ParseNotation(row.layout, registers_, &error);
  return error.isEmpty() && !chains.empty() ? NamedNotation(chains, registers_) : row.layout;
}

QStringList ComparisonView::front() const {
  // A layout over a budget is no choice: the front is that of the others.
  const bool coverage = measure_ == ComparisonMeasure::Coverage;
  if (coverage && !comparison_.hasCoverage()) return {};
  QStringList methods;
  for (const auto& row : comparison_.rows) {
    if (!comparison_.withinBudgets(row)) continue;
    bool dominated = false;
    for (const auto& other : comparison_.rows) {
      if (!comparison_.withinBudgets(other)) continue;
      const double mine = plotted(row, measure_), theirs = plotted(other, measure_);
      if (theirs >= mine && other.areaPercent <= row.areaPercent && (theirs > mine || other.areaPercent < row.areaPercent))
        dominated = true;
    }
    if (!dominated) methods << row.method;
  }
  return methods;
}

void ComparisonView::fillTable() {
  const QStringList frontMethods = front();
  table_->setRowCount(static_cast<int>(comparison_.rows.size()));
  for (int r = 0; r < static_cast<int>(comparison_.rows.size()); ++r) {
    const auto& row = comparison_.rows[r];
    const QStringList cells{row.method + (frontMethods.contains(row.method) ? QStringLiteral(" *") : QString()) +
                                (comparison_.withinBudgets(row) ? QString() : QStringLiteral(" (over budget)")),
                            QString::number(row.testability, 'f', 4),
                            QString::number(row.areaPercent, 'f', 2),
                            QString::number(row.pinsPercent, 'f', 2),
                            QString::number(row.scanned),
                            QString::number(row.chains),
                            QString::number(row.fitness, 'f', 4),
                            QString::number(row.seconds, 'f', 2),
                            shownLayout(row),
                            row.stuckAtCoveragePercent ? QString::number(*row.stuckAtCoveragePercent, 'f', 2) : QString(),
                            row.coverageSpearman ? QString::number(*row.coverageSpearman, 'f', 3) : QStringLiteral("-")};
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (!comparison_.withinBudgets(row)) item->setForeground(kOverBudgetColour.darker(130));
      table_->setItem(r, c, item);
    }
    table_->item(r, 8)->setToolTip(row.layout.isEmpty() ? QString() : QStringLiteral("As written: %1").arg(row.layout));
  }
  // The coverage columns only for a comparison with fault simulation; the
  // layout then no longer stretches to the edge.
  const bool coverage = comparison_.hasCoverage();
  table_->setColumnHidden(kCoverageColumn, !coverage);
  table_->setColumnHidden(kSpearmanColumn, !coverage);
  measureBox_->setEnabled(coverage);
  measureBox_->setToolTip(coverage ? QStringLiteral("What the chart plots against area overhead")
                                   : QStringLiteral("Compare with fault simulation to plot stuck-at coverage"));
}

void ComparisonView::setFaultsimAvailable(bool available, const QString& reason) {
  faultsimButton_->setEnabled(available);
  faultsimButton_->setToolTip(available
                                  ? QStringLiteral("Run the comparison again and simulate the stuck-at faults of each layout")
                                  : reason);
}

void ComparisonView::setVerilogWritable(bool writable, const QString& reason) {
  verilogWritable_ = writable;
  verilogReason_ = reason;
  updateButtons();
}

QString ComparisonView::selectedMethod() const {
  const auto rows = table_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return {};
  const int row = rows.front().row();
  return row < static_cast<int>(comparison_.rows.size()) ? comparison_.rows[row].method : QString();
}

void ComparisonView::updateButtons() {
  const bool busy = verilogStatus_->isBusy();
  const bool chosen = !selectedMethod().isEmpty();
  writeVerilogButton_->setEnabled(verilogWritable_ && !busy && chosen);
  writeVerilogButton_->setToolTip(!verilogWritable_ ? verilogReason_
                                  : busy            ? QStringLiteral("A Verilog design is being written")
                                  : !chosen         ? QStringLiteral("Choose a method (a point or a row) first")
                                                    : QStringLiteral("Write the design with %1's scan chains as Verilog")
                                                  .arg(selectedMethod()));
}

void ComparisonView::writeVerilogClicked() {
  const QString method = selectedMethod();
  if (!verilogWritable_ || verilogStatus_->isBusy() || method.isEmpty()) return;
  for (const auto& row : comparison_.rows)
    if (row.method == method) emit verilogRequested(row.layout, row.method);
}

void ComparisonView::choose(const QString& method) {
  for (int r = 0; r < static_cast<int>(comparison_.rows.size()); ++r)
    if (comparison_.rows[r].method == method) {
      table_->selectRow(r);
      emit layoutChosen(comparison_.rows[r].layout, method);
      return;
    }
}
